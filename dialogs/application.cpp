#include "dialogs/application.h"

namespace dlg {

int Application::Run(HINSTANCE instance) {
  instance_ = instance;
  if (!InitInstance()) return 0;
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  return static_cast<int>(msg.wParam);
}

}  // namespace dlg
