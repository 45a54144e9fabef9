// Runs the real backup run with a given key state and everything else real:
// Wine 8 starts a process with an empty key state whatever keys are held,
// so the Shift runs cannot be staged from outside.
//   snapcopy_with_keys.exe shift|shift+folder|folder PATH
#include <windows.h>

#include <cstring>

#include "backup_command/snapcopy_user.h"
#include "core/command_line.h"
#include "win32/ansi_code_page.h"
#include "win32/clock.h"
#include "win32/copier.h"
#include "win32/dll_search.h"
#include "win32/file_system.h"
#include "win32/registry_settings.h"
#include "win32/target_locks.h"

namespace {

class HeldKeys : public keepsnap::Win32Keyboard {
 public:
  HeldKeys(bool shift, bool folder) : shift_(shift), folder_(folder) {}
  void ReadKeyboardState(unsigned char keys[256]) override {
    Win32Keyboard::ReadKeyboardState(keys);
    keys[keepsnap::kShiftKey] = shift_ ? 0x80 : 0;
    keys[keepsnap::kFolderKey] = folder_ ? 0x80 : 0;
  }

 private:
  bool shift_, folder_;
};

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  keepsnap::RestrictDllSearchToSystem();  // as snapcopy starts
  // The first argument names the keys; the rest is the line the shell would pass.
  const std::string rest = keepsnap::PathFromCommandLine(GetCommandLineA());
  const std::string::size_type blank = rest.find(' ');
  const std::string keys = rest.substr(0, blank);
  const std::string path = blank == std::string::npos ? "" : rest.substr(blank + 1);
  HeldKeys held(keys.find("shift") != std::string::npos, keys.find("folder") != std::string::npos);
  keepsnap::RegistrySettings settings;
  keepsnap::Copier copier;
  keepsnap::Win32FileSystem files(copier);
  keepsnap::Win32TargetLocks locks;
  keepsnap::Win32Clock clock;
  keepsnap::SnapcopyUser user(instance);
  const keepsnap::CodePage cp = keepsnap::SystemAnsiCodePage();
  keepsnap::BackupServices services = {held, settings, files, copier, locks, clock, user, cp};
  keepsnap::RunBackup(path, services);
  return 0;
}
