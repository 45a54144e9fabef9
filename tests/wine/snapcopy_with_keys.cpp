// Runs the real backup run with a given key state and everything else real:
// Wine 8 starts a process with an empty key state whatever keys are held,
// so the Shift runs cannot be staged from outside.
//   snapcopy_with_keys.exe shift|shift+folder|folder PATH
#include <windows.h>

#include <cstring>

#include "backup_command/snapcopy_platform.h"
#include "core/command_line.h"
#include "win32/dll_search.h"

namespace {

class HeldKeysPlatform : public keepsnap::SnapcopyPlatform {
 public:
  HeldKeysPlatform(HINSTANCE instance, bool shift, bool folder)
      : SnapcopyPlatform(instance), shift_(shift), folder_(folder) {}
  void ReadKeyboardState(unsigned char keys[256]) override {
    SnapcopyPlatform::ReadKeyboardState(keys);
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
  HeldKeysPlatform platform(instance, keys.find("shift") != std::string::npos,
                            keys.find("folder") != std::string::npos);
  keepsnap::RunBackup(path, platform);
  return 0;
}
