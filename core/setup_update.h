#pragma once

#include <string>

#include "core/code_page.h"
#include "core/settings.h"
#include "core/sized_read.h"

namespace keepsnap {

// Under HKEY_CLASSES_ROOT: the menu entry on every file, and on every folder,
// each with its command, and its DropTarget, through which the shell hands a
// whole selection to one run: the class that the verb's key names, and where
// that class's server is.
extern const char kContextMenuKey[];
extern const char kFolderMenuKey[];
extern const char kFileVerbKey[];
extern const char kFolderVerbKey[];
extern const char kFileDropTargetKey[];
extern const char kFolderDropTargetKey[];
extern const char kDropServerKey[];
extern const char kInstalledProgram[];

// "Backup folder name must be 25 characters or less.", from the limit itself.
std::string FolderTooLongMessage();
extern const char kConfirmMessage[];
extern const char kConfirmCaption[];
extern const char kFinishedCaption[];

// The choices of the setup dialog, as read back from its controls.
struct SetupChoices {
  int dateOrder;
  int separator;
  int dateSource;
  std::string folderName;
};

// What the setup dialog offers the update.
class SetupView {
 public:
  virtual ~SetupView() {}
  virtual SetupChoices ReadControls() = 0;
  virtual void ShowFolderTooLong() = 0;  // the message, then the focus back into the folder box
  virtual bool Confirm() = 0;            // true only for Yes
  virtual void ShowReport(const std::string& text) = 0;
  virtual void Close() = 0;
};

// What the update asks of the operating system.
class SetupPlatform : public SettingsSink {
 public:
  // False when the path does not fit or cannot be had: never a cut-off path.
  virtual bool OwnPath(std::string* path) = 0;
  virtual bool WindowsDirectory(std::string* path) = 0;
  virtual bool CopyFileTo(const std::string& source, const std::string& target) = 0;
  // Creates (or opens) the key under HKEY_CLASSES_ROOT and sets the value of
  // that name (its default value for none) to the text.
  virtual WriteOutcome RegisterValue(const char* keyPath, const char* valueName, const std::string& text) = 0;
  virtual const CodePage& AnsiCodePage() = 0;
  // Registers the Windows 11 menu's package that lies in the folder, with
  // that folder (which holds snapcopy.exe) as its external location, for the
  // user who runs the setup; nothing where there is no package or no
  // Windows 11. Never part of the report: the classic entry is there either
  // way.
  virtual void RegisterMenuPackage(const std::string& folder) = 0;
};

// The eight report lines of the four settings, two per key.
struct SavedSettings {
  std::string report;
  bool allSaved;
};
SavedSettings SaveSettings(SettingsSink& sink, int order, int separator, int source, const std::string& folder);

// The Windows directory, first asked for with MAX_PATH + 1 bytes.
bool ReadWindowsDirectory(const SizedRead& read, std::string* path);

// The command the shell runs for the menu entry: the installed program by its
// full path, so that no snapcopy.exe in the folder of the program showing the
// menu, or in its current folder, is found first; the file's path quoted, as
// Windows' own entries have it: "C:\WINDOWS\snapcopy.exe" "%1".
std::string ContextMenuCommand(const std::string& windowsDirectory);

// Copies snapcopy.exe from beside the setup program into the Windows directory.
bool InstallBackupCommand(bool haveOwnPath, const std::string& ownPath, SetupPlatform& platform);

// The server the DropTarget's class starts: the installed program by its full
// path, quoted, as COM runs it with "-Embedding" after it.
std::string DropServerCommand(const std::string& windowsDirectory);

// Registers the entry on files and on folders: its command for the installed
// program, and its DropTarget with the class's server, so that any number of
// items goes to one run; nothing without the Windows directory, since a bare
// name is the one that can be hijacked. Each outcome holds only when it holds
// for every key and value.
WriteOutcome RegisterContextMenu(SetupPlatform& platform);

// The text of the final box: headline, details, and every step's outcome.
std::string FinalReport(const SavedSettings& saved, bool installed, const WriteOutcome& menu);

// The Windows 11 menu for the user who runs the setup: its package, from
// the folder the setup runs from, as the zip and the installer lay it out
// beside snapcopy.exe.
void OfferWindows11Menu(bool haveOwnPath, const std::string& ownPath, SetupPlatform& platform);

// The installer's log line on the Windows 11 menu's package, registered
// for the installing user or removed again: `result` is what Windows
// answered (an HRESULT): done, nothing to do (S_FALSE, 1), or a failure,
// named by its code.
enum class MenuPackageStep { Register, Remove };
std::string MenuPackageLogLine(MenuPackageStep step, long result);

// What the Update button does.
void ApplySettings(SetupView& view, SetupPlatform& platform);

}  // namespace keepsnap
