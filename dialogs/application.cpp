#include "dialogs/application.h"

namespace dlg {

int Application::Run(HINSTANCE instance) {
  instance_ = instance;
  InitInstance();
  return 0;
}

}  // namespace dlg
