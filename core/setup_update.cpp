#include "core/setup_update.h"

#include "core/names.h"
#include "product.h"

namespace keepsnap {

const char kContextMenuKey[] = "*\\shell\\" KEEPSNAP_VERB "\\command\\";
const char kFolderMenuKey[] = "Directory\\shell\\" KEEPSNAP_VERB "\\command\\";
const char kFileVerbKey[] = "*\\shell\\" KEEPSNAP_VERB;
const char kFolderVerbKey[] = "Directory\\shell\\" KEEPSNAP_VERB;
const char kFileDropTargetKey[] = "*\\shell\\" KEEPSNAP_VERB "\\DropTarget";
const char kFolderDropTargetKey[] = "Directory\\shell\\" KEEPSNAP_VERB "\\DropTarget";
const char kDropServerKey[] = "CLSID\\" KEEPSNAP_DROP_CLSID "\\LocalServer32";
const char kInstalledProgram[] = KEEPSNAP_COPY_PROGRAM;

const char kConfirmMessage[] = "Update your " KEEPSNAP_FULL_NAME " property settings?";
const char kConfirmCaption[] = "CONFIRM";
const char kFinishedCaption[] = "FINISHED";

std::string FolderTooLongMessage() {
  return "Backup folder name must be " + std::to_string(kMaxFolderName) + " characters or less.";
}

namespace {

struct ReportLines {
  const char* created;
  const char* notCreated;
  const char* saved;
  const char* notSaved;
};

const ReportLines kDateModeLines = {
    "Updated date mode registry key", "Error creating date mode registry key",
    "\nSaved date mode registry key value", "\nError saving date mode registry key value"};
const ReportLines kDateSeparatorLines = {
    "\nUpdated date separator registry key", "\nError creating date separator registry key",
    "\nSaved date separator registry key value", "\nError saving date separator registry key value"};
const ReportLines kDateToUseLines = {
    "\nUpdated date to use  registry key", "\nError creating date to use registry key",
    "\nSaved date to use registry key value", "\nError saving date to use registry key value"};
const ReportLines kBackupFolderLines = {
    "\nUpdated backup folder registry key", "\nError creating backup folder registry key",
    "\nSaved backup folder registry key value", "\nError saving backup folder registry key value"};

bool Save(SettingsSink& sink, const char* keyPath, const std::string& text, const ReportLines& lines,
          std::string* report) {
  const WriteOutcome outcome = sink.WriteSetting(keyPath, text);
  // A key that could not be created has had no value written to it either.
  const bool saved = outcome.created && outcome.saved;
  *report += outcome.created ? lines.created : lines.notCreated;
  *report += saved ? lines.saved : lines.notSaved;
  return saved;
}

// The three indexes are radio positions, 0 to 3; stored as their decimal text.
std::string IndexText(int index) { return std::to_string(index); }

}  // namespace

SavedSettings SaveSettings(SettingsSink& sink, int order, int separator, int source, const std::string& folder) {
  SavedSettings result;
  result.allSaved = true;
  result.allSaved &= Save(sink, kDateModeKey, IndexText(order), kDateModeLines, &result.report);
  result.allSaved &= Save(sink, kDateSeparatorKey, IndexText(separator), kDateSeparatorLines, &result.report);
  result.allSaved &= Save(sink, kDateToUseKey, IndexText(source), kDateToUseLines, &result.report);
  result.allSaved &= Save(sink, kBackupFolderKey, folder, kBackupFolderLines, &result.report);
  return result;
}

bool ReadWindowsDirectory(const SizedRead& read, std::string* path) { return ReadGrowing(read, 261, path); }

namespace {

// The folder the setup runs from, without its last backslash; false where
// the path has none.
bool ProgramFolder(bool haveOwnPath, const std::string& ownPath, const CodePage& cp, std::string* folder) {
  if (!haveOwnPath) return false;
  const int slash = LastIndexOf(ownPath, '\\', cp);
  if (slash < 0) return false;
  *folder = ownPath.substr(0, slash);
  return true;
}

}  // namespace

bool InstallBackupCommand(bool haveOwnPath, const std::string& ownPath, SetupPlatform& platform) {
  std::string folder, windows;
  if (!ProgramFolder(haveOwnPath, ownPath, platform.AnsiCodePage(), &folder) || !platform.WindowsDirectory(&windows))
    return false;
  return platform.CopyFileTo(folder + "\\" + kInstalledProgram, windows + "\\" + kInstalledProgram);
}

void OfferWindows11Menu(bool haveOwnPath, const std::string& ownPath, SetupPlatform& platform) {
  std::string folder;
  // A path whose one backslash leads it names no folder to register from.
  if (ProgramFolder(haveOwnPath, ownPath, platform.AnsiCodePage(), &folder) && !folder.empty())
    platform.RegisterMenuPackage(folder);
}

std::string ContextMenuCommand(const std::string& windowsDirectory) {
  return "\"" + windowsDirectory + "\\" + kInstalledProgram + "\" \"%1\"";
}

std::string DropServerCommand(const std::string& windowsDirectory) {
  return "\"" + windowsDirectory + "\\" + kInstalledProgram + "\"";
}

WriteOutcome RegisterContextMenu(SetupPlatform& platform) {
  std::string windows;
  if (!platform.WindowsDirectory(&windows)) return WriteOutcome{false, false};
  const std::string command = ContextMenuCommand(windows);
  struct Value {
    const char* key;
    const char* name;  // none: the key's default value
    std::string text;
  };
  // The server first: a DropTarget never names a class that has none.
  const Value values[] = {
      {kDropServerKey, nullptr, DropServerCommand(windows)},
      {kContextMenuKey, nullptr, command},
      {kFolderMenuKey, nullptr, command},
      // The shell starts a command-line verb once per item and hides it above
      // fifteen; this model hands it the whole selection at once.
      {kFileVerbKey, "MultiSelectModel", "Player"},
      {kFolderVerbKey, "MultiSelectModel", "Player"},
      {kFileDropTargetKey, "CLSID", KEEPSNAP_DROP_CLSID},
      {kFolderDropTargetKey, "CLSID", KEEPSNAP_DROP_CLSID},
  };
  WriteOutcome outcome = {true, true};
  for (const Value& value : values) {
    const WriteOutcome written = platform.RegisterValue(value.key, value.name, value.text);
    outcome.created = outcome.created && written.created;
    outcome.saved = outcome.saved && written.created && written.saved;  // no value is set on a key not made
  }
  return outcome;
}

std::string FinalReport(const SavedSettings& saved, bool installed, const WriteOutcome& menu) {
  const bool complete = saved.allSaved && installed && menu.created && menu.saved;
  std::string text = complete ? "Successfully updated " KEEPSNAP_FULL_NAME : KEEPSNAP_FULL_NAME " was NOT fully updated";
  text += "\n\nDetails...\n";
  text += saved.report;
  text += installed ? "\nCopied " KEEPSNAP_COPY_PROGRAM " to the Windows directory"
                    : "\nError copying " KEEPSNAP_COPY_PROGRAM " to the Windows directory";
  text += menu.created ? "\n- Registry key created -" : "\n- Registry key NOT created -";
  text += menu.saved ? "\n- Registry value set -" : "\n- Registry NOT value set -";
  return text;
}

void ApplySettings(SetupView& view, SetupPlatform& platform) {
  const SetupChoices choices = view.ReadControls();
  if (!FolderNameFits(choices.folderName, platform.AnsiCodePage())) {
    view.ShowFolderTooLong();
    return;
  }
  std::string ownPath;
  const bool haveOwnPath = platform.OwnPath(&ownPath);
  if (!view.Confirm()) return;

  const bool installed = InstallBackupCommand(haveOwnPath, ownPath, platform);
  const WriteOutcome menu = RegisterContextMenu(platform);
  OfferWindows11Menu(haveOwnPath, ownPath, platform);
  const SavedSettings saved =
      SaveSettings(platform, choices.dateOrder, choices.separator, choices.dateSource, choices.folderName);
  view.ShowReport(FinalReport(saved, installed, menu));
  view.Close();
}

}  // namespace keepsnap
