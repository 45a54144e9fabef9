// snapcopy: started by the shell with a file's path; makes one dated backup
// copy of it and exits.
#include <windows.h>

#include "backup_command/snapcopy_platform.h"
#include "core/command_line.h"
#include "dialogs/application.h"
#include "win32/dll_search.h"

namespace {

class SnapcopyApp : public dlg::Application {
 protected:
  bool InitInstance() override {
    keepsnap::SnapcopyPlatform platform(Instance());
    keepsnap::RunBackup(keepsnap::PathFromCommandLine(GetCommandLineA()), platform);
    return false;  // no message loop: the run is the whole program
  }
};

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  keepsnap::RestrictDllSearchToSystem();
  SnapcopyApp app;
  return app.Run(instance);
}
