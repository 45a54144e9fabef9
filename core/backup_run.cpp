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

  // The registered command quotes the path ("%1"); one registered by an
  // earlier setup does not. Without a long form (the file is gone) the given
  // text is the best name there is; open or copy then tell.
  const std::string given = WithoutEnclosingQuotes(commandLinePath);
  std::string path;
  if (!platform.LongPathOf(given, &path)) path = given;

  // The handle belongs to the run: the unique_ptr closes it on every way out.
  const std::unique_ptr<SourceFile> source = platform.OpenSource(path);

  CalendarDate date;
  if (!DateFor(settings, source.get(), platform, &date)) {
    platform.ShowError(kNoDateMessage);
    return;
  }
  const std::string stamp = MakeDateStamp(settings, date);
  const CodePage& cp = platform.AnsiCodePage();

  // Silence means success, so every failed copy is shown; a copy the user
  // cancelled is not a failure to tell of.
  const auto copy = [&](const std::string& target) {
    if (platform.CopyFileTo(path, target) == CopyOutcome::Failed) platform.ShowError(kCopyFailedMessage);
  };
  switch (ChooseTarget(modifiers)) {
    case BackupTarget::SameFolder:
      copy(SameFolderTarget(path, stamp, cp));
      break;
    case BackupTarget::BackupFolder:
      platform.CreateFolder(BackupFolderPath(path, settings, cp));  // may exist already
      copy(BackupFolderTarget(path, settings, stamp, cp));
      break;
    case BackupTarget::NewName: {
      std::string name = SameFolderTarget(path, stamp, cp);
      if (!platform.AskNewName(&name)) break;
      copy(name);
      break;
    }
  }
}

}  // namespace keepsnap
