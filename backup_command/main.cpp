// snapcopy: started by the shell with the path of a file or a folder, or by
// COM for the verb's DropTarget with a whole selection; makes one dated
// backup copy of each and exits.
#include <windows.h>

#include "backup_command/snapcopy_user.h"
#include "core/command_line.h"
#include "dialogs/application.h"
#include "win32/ansi_code_page.h"
#include "win32/clock.h"
#include "win32/dll_search.h"
#include "win32/drop_server.h"
#include "win32/copier.h"
#include "win32/file_system.h"
#include "win32/registry_settings.h"
#include "win32/target_locks.h"

namespace {

class SnapcopyApp : public dlg::Application {
 protected:
  void InitInstance() override {
    keepsnap::Win32Keyboard keys;
    keepsnap::RegistrySettings settings;
    keepsnap::Copier copier;
    keepsnap::Win32FileSystem files(copier);
    keepsnap::Win32TargetLocks locks;
    keepsnap::Win32Clock clock;
    keepsnap::SnapcopyUser user(Instance());
    const keepsnap::CodePage cp = keepsnap::SystemAnsiCodePage();
    keepsnap::BackupServices services = {keys, settings, files, copier, locks, clock, user, cp};
    const std::string given = keepsnap::PathFromCommandLine(GetCommandLineA());
    if (!keepsnap::IsComStart(given)) {
      keepsnap::RunBackup(given, services);  // the whole program
      return;
    }
    // Started for the verb's DropTarget: the whole selection in one run.
    std::vector<std::string> items;
    keepsnap::ModifierState held;
    if (keepsnap::ReceiveDrop(&items, &held)) keepsnap::RunSelection(items, held, services);
  }
};

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  keepsnap::RestrictDllSearchToSystem();
  SnapcopyApp app;
  return app.Run(instance);
}
