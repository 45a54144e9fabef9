#pragma once

#include <string>

#include "core/code_page.h"
#include "core/file_system.h"
#include "core/names.h"
#include "core/settings.h"

namespace keepsnap {

extern const char kErrorCaption[];
extern const char kNoDateMessage[];
extern const char kCopyFailedMessage[];

const int kShiftKey = 16;    // VK_SHIFT
const int kFolderKey = 192;  // VK_OEM_3, backquote and tilde on a US keyboard

struct ModifierState {
  bool shiftHeld;
  bool folderKeyHeld;
};

// From a GetKeyboardState array: a byte above 1 is held; 1 alone is only
// the toggle bit.
ModifierState ModifiersFromKeyboard(const unsigned char keys[256]);

enum class BackupTarget { SameFolder, BackupFolder, NewName };

BackupTarget ChooseTarget(const ModifierState& keys);

// The keys held as the run starts.
class KeyboardSource {
 public:
  virtual ~KeyboardSource() {}
  virtual void ReadKeyboardState(unsigned char keys[256]) = 0;
};

class Clock {
 public:
  virtual ~Clock() {}
  virtual CalendarDate Today() = 0;
  // A file time's date in local time; false when it cannot be had.
  virtual bool LocalDateOf(FileTime time, CalendarDate* date) = 0;
};

// The user's side of a run: its messages and the name dialog.
class BackupUser {
 public:
  virtual ~BackupUser() {}
  virtual void ShowError(const char* text) = 0;
  // Shows the name dialog with *name in it; true on OK, with the name left
  // in the box in *name.
  virtual bool AskNewName(std::string* name) = 0;
};

// What one run asks of the system and the user.
struct BackupServices {
  KeyboardSource& keys;
  SettingsSource& settings;
  FileSystem& files;
  Clock& clock;
  BackupUser& user;
  const CodePage& cp;
};

// One whole run of the backup command for the path from the command line:
// a file's backup, or a folder's.
void RunBackup(const std::string& commandLinePath, BackupServices& services);

}  // namespace keepsnap
