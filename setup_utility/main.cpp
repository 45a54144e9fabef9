// snapsetup: one dialog that installs the backup command, registers its
// context-menu entry and saves the four settings.
#include <windows.h>

#include "dialogs/application.h"
#include "setup_utility/setup_dialog.h"
#include "win32/dll_search.h"
#include "win32/setup_platform.h"

namespace {

class SnapsetupApp : public dlg::Application {
 protected:
  void InitInstance() override {
    keepsnap::Win32SetupPlatform platform;
    keepsnap::SetupDialog dialog(Instance(), platform);
    // The dialog always starts from these choices, whatever is stored.
    dialog.dateOrder = 0;
    dialog.separator = 0;
    dialog.dateSource = 0;
    dialog.folderName = "backup";
    dialog.DoModal();  // the dialog is the whole program
  }
};

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  keepsnap::RestrictDllSearchToSystem();
  SnapsetupApp app;
  return app.Run(instance);
}
