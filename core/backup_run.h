#pragma once

#include <memory>
#include <string>

#include "core/code_page.h"
#include "core/names.h"
#include "core/settings.h"
#include "core/tree_copy.h"
#include "core/whole_copy.h"

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

// The read handle on the source file; destroying it closes the handle.
class SourceFile {
 public:
  virtual ~SourceFile() {}
  // The last-write date in local time; false when it cannot be had.
  virtual bool LastWriteDate(CalendarDate* date) = 0;
};

// What one run asks of the operating system and the user.
class BackupPlatform {
 public:
  virtual ~BackupPlatform() {}
  virtual void ReadKeyboardState(unsigned char keys[256]) = 0;
  virtual BackupSettings ReadSettings() = 0;
  // False when the long form cannot be had or does not fit.
  virtual bool LongPathOf(const std::string& path, std::string* longPath) = 0;
  // Null when the file cannot be opened for reading.
  virtual std::unique_ptr<SourceFile> OpenSource(const std::string& path) = 0;
  virtual CalendarDate Today() = 0;
  virtual void CreateFolder(const std::string& path) = 0;
  // Replaces an existing target whole or not at all (CopyWholeOrNothing);
  // Cancelled when the user stopped a long copy.
  virtual CopyOutcome CopyFileTo(const std::string& source, const std::string& target) = 0;
  // Asked only of a path that does not open as a file.
  virtual bool IsFolder(const std::string& path) = 0;
  // What a folder's backup would copy; false when the tree cannot be read.
  virtual bool PlanFolder(const std::string& path, TreePlan* plan) = 0;
  // A FILETIME's date in local time; false when it cannot be had.
  virtual bool LocalDateOf(unsigned long long fileTime, CalendarDate* date) = 0;
  // CopyTreeWholeOrNothing, one run at a time for a target.
  virtual CopyOutcome CopyFolderTo(const std::string& source, const std::string& target, const TreePlan& plan) = 0;
  virtual void ShowError(const char* text) = 0;
  // Shows the name dialog with *name in it; true on OK, with the name left in
  // the box in *name.
  virtual bool AskNewName(std::string* name) = 0;
  virtual const CodePage& AnsiCodePage() = 0;
};

// One whole run of the backup command for the path from the command line.
void RunBackup(const std::string& commandLinePath, BackupPlatform& platform);

}  // namespace keepsnap
