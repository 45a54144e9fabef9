#pragma once

#include <string>
#include <vector>

#include "core/code_page.h"
#include "core/file_system.h"
#include "core/names.h"
#include "core/settings.h"
#include "core/target_lock.h"

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
  CopyProgress& progress;
  TargetLocks& locks;
  Clock& clock;
  BackupUser& user;
  const CodePage& cp;
};

// The keys of a selection the shell hands over with a drop: Shift from the
// drop's key state, which the shell fills from the keys held at the click;
// the folder key, which has no flag there, as read at the drop.
const unsigned kDropShift = 0x4;  // MK_SHIFT
ModifierState ModifiersFromDrop(unsigned keyState, bool folderKeyDown);

// At most this many items are named in a selection's message.
const std::vector<std::string>::size_type kNamedAtMost = 10;

// The one box of a selection of several items: each message that applies,
// as the single item's box words it, with the items it applies to.
std::string SelectionMessage(const std::vector<std::string>& undated, const std::vector<std::string>& uncopied);

// Backs up every item as the command line backs up one, in the order given,
// an item named twice once: a file's backup or a folder's, the three targets
// as the keys choose them for all. One progress window for the whole
// selection; Cancel there finishes nothing more. At most one box, at the end.
void RunSelection(const std::vector<std::string>& items, const ModifierState& modifiers, BackupServices& services);

// One whole run of the backup command for the path from the command line:
// the selection of that one item, with the keys held as it starts.
void RunBackup(const std::string& commandLinePath, BackupServices& services);

}  // namespace keepsnap
