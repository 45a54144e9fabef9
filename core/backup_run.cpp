#include "core/backup_run.h"

#include "core/command_line.h"

namespace keepsnap {

const char kErrorCaption[] = "UNEXPECTED ERROR";
const char kNoDateMessage[] = "Unable to retrieve file last modified time.";
const char kCopyFailedMessage[] = "Unable to copy file, ensure that the file name/path is valid.";

ModifierState ModifiersFromKeyboard(const unsigned char keys[256]) {
  ModifierState state;
  state.shiftHeld = keys[kShiftKey] > 1;
  state.folderKeyHeld = keys[kFolderKey] > 1;
  return state;
}

BackupTarget ChooseTarget(const ModifierState& keys) {
  if (!keys.shiftHeld) return BackupTarget::SameFolder;
  return keys.folderKeyHeld ? BackupTarget::BackupFolder : BackupTarget::NewName;
}

namespace {

// A folder's name without the backslash a path may end with; empty for a
// drive or share root, which has no name to stamp.
std::string FolderName(const std::string& path, const CodePage& cp) {
  std::string folder = path;
  while (folder.size() > 1 && (folder.back() == '\\' || folder.back() == '/')) folder.pop_back();
  if (folder.empty() || folder.back() == ':' || FileNameOf(folder, cp).empty()) return std::string();
  return folder;
}

bool FolderDate(const BackupSettings& settings, bool planned, const TreePlan& plan, BackupPlatform& platform,
                CalendarDate* date) {
  if (!UsesFileDate(settings)) {
    *date = platform.Today();
    return true;
  }
  return planned && platform.LocalDateOf(TreeDateTime(plan), date);
}

bool DateFor(const BackupSettings& settings, SourceFile* source, BackupPlatform& platform, CalendarDate* date) {
  if (!UsesFileDate(settings)) {
    *date = platform.Today();
    return true;
  }
  return source != nullptr && source->LastWriteDate(date);
}

}  // namespace

void RunBackup(const std::string& commandLinePath, BackupPlatform& platform) {
  unsigned char keys[256] = {0};
  platform.ReadKeyboardState(keys);
  const ModifierState modifiers = ModifiersFromKeyboard(keys);
  const BackupSettings settings = platform.ReadSettings();
  const CodePage& cp = platform.AnsiCodePage();

  // The registered command quotes the path ("%1"); one registered by an
  // earlier setup does not. Without a long form (the file is gone) the given
  // text is the best name there is; open or copy then tell.
  const std::string given = WithoutEnclosingQuotes(commandLinePath);
  std::string path;
  if (!platform.LongPathOf(given, &path)) path = given;

  // The handle belongs to the run: the unique_ptr closes it on every way out.
  const std::unique_ptr<SourceFile> source = platform.OpenSource(path);
  // Only a path that does not open as a file can be a folder: a file's
  // backup asks nothing more than it did.
  const SourceKind kind = source == nullptr && platform.IsFolder(path) ? SourceKind::Folder : SourceKind::File;
  TreePlan plan;
  bool planned = false;
  if (kind == SourceKind::Folder) {
    path = FolderName(path, cp);
    planned = !path.empty() && platform.PlanFolder(path, &plan);
  }

  CalendarDate date;
  const bool dated = kind == SourceKind::Folder ? FolderDate(settings, planned, plan, platform, &date)
                                                : DateFor(settings, source.get(), platform, &date);
  if (!dated) {
    platform.ShowError(kNoDateMessage);
    return;
  }
  const std::string stamp = MakeDateStamp(settings, date);

  // Silence means success, so every failed copy is shown; a copy the user
  // cancelled is not a failure to tell of.
  const auto copy = [&](const std::string& target) {
    CopyOutcome outcome = CopyOutcome::Failed;
    if (kind == SourceKind::File) {
      outcome = platform.CopyFileTo(path, target);
    } else if (planned) {
      outcome = platform.CopyFolderTo(path, target, plan);
    }
    if (outcome == CopyOutcome::Failed) platform.ShowError(kCopyFailedMessage);
  };
  switch (ChooseTarget(modifiers)) {
    case BackupTarget::SameFolder:
      copy(SameFolderTarget(path, stamp, cp, kind));
      break;
    case BackupTarget::BackupFolder:
      platform.CreateFolder(BackupFolderPath(path, settings, cp));  // may exist already
      copy(BackupFolderTarget(path, settings, stamp, cp, kind));
      break;
    case BackupTarget::NewName: {
      std::string name = SameFolderTarget(path, stamp, cp, kind);
      if (!platform.AskNewName(&name)) break;
      copy(name);
      break;
    }
  }
}

}  // namespace keepsnap
