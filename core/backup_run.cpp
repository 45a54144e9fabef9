#include "core/backup_run.h"

#include <memory>

#include "core/command_line.h"
#include "core/path_text.h"
#include "core/target_lock.h"
#include "core/tree_copy.h"
#include "core/whole_copy.h"

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

// A typed name may be relative or spelled with "/" or "..": the copy, its
// lock and the checks go by the full path. Without one, the name as given.
std::string Full(const std::string& path, FileSystem& files) {
  std::string full;
  return files.FullPath(path, &full) ? full : path;
}

// What one item is, found before anything is copied.
struct Source {
  std::string path;
  SourceKind kind = SourceKind::File;
  bool readable = false;  // a folder's tree was planned
  TreePlan plan;
};

// A folder's name without the separators a path may end with; empty for a
// drive or share root, which has no name to stamp.
std::string FolderName(const std::string& path, const CodePage& cp) {
  const std::string folder = WithoutTrailingSeparators(path);
  if (folder.empty() || folder.back() == ':' || FileNameOf(folder, cp).empty())
    return std::string();
  return folder;
}

// The date the copy carries: today's, or the file's (the newest file's, for
// a folder) in local time; false when there is none to give.
bool DateFor(const BackupSettings& settings, const Source& source, SourceFile* file, BackupServices& s,
             CalendarDate* date) {
  if (!UsesFileDate(settings)) {
    *date = s.clock.Today();
    return true;
  }
  FileTime time = 0;
  if (source.kind == SourceKind::Folder) {
    if (!source.readable) return false;
    time = TreeDateTime(source.plan);
  } else if (file == nullptr || !file->LastWrite(&time)) {
    return false;
  }
  return s.clock.LocalDateOf(time, date);
}

// One copy, whole or nothing, one run at a time for its target.
CopyOutcome CopyTo(const Source& source, const std::string& target, BackupServices& s) {
  if (source.kind == SourceKind::Folder && !source.readable) return CopyOutcome::Failed;
  const std::string full = Full(target, s.files);
  const std::unique_ptr<HeldLock> lock = s.files.Lock(TargetLockName(full));
  if (source.kind == SourceKind::File) {
    unsigned long long size = 0;
    s.files.Size(source.path, &size);
    s.files.BeginCopies(size);
    return CopyWholeOrNothing(source.path, full, FileNameOf(source.path, s.cp), s.cp, s.files);
  }
  s.files.BeginCopies(source.plan.totalBytes);
  return CopyTreeWholeOrNothing(Full(source.path, s.files), full, source.plan, s.cp, s.files);
}

}  // namespace

void RunBackup(const std::string& commandLinePath, BackupServices& s) {
  unsigned char keys[256] = {0};
  s.keys.ReadKeyboardState(keys);
  const ModifierState modifiers = ModifiersFromKeyboard(keys);
  const BackupSettings settings = ReadSettings(s.settings);

  // The registered command quotes the path ("%1"); one registered by an
  // earlier setup does not. Without a long form (the file is gone) the given
  // text is the best name there is; open or copy then tell.
  Source source;
  const std::string given = WithoutEnclosingQuotes(commandLinePath);
  if (!s.files.LongPath(given, &source.path)) source.path = given;

  // The handle belongs to the run: the unique_ptr closes it on every way out.
  const std::unique_ptr<SourceFile> file = s.files.OpenSource(source.path);
  // Only a path that does not open as a file can be a folder: a file's
  // backup asks nothing more than it did.
  unsigned attributes = 0;
  if (file == nullptr && s.files.Attributes(source.path, &attributes) && (attributes & kFolderAttribute)) {
    source.kind = SourceKind::Folder;
    source.path = FolderName(source.path, s.cp);
    source.readable = !source.path.empty() && PlanTree(source.path, s.files, &source.plan);
  }

  CalendarDate date;
  if (!DateFor(settings, source, file.get(), s, &date)) {
    s.user.ShowError(kNoDateMessage);
    return;
  }
  const std::string stamp = MakeDateStamp(settings, date);

  // Silence means success, so every failed copy is shown; a copy the user
  // cancelled is not a failure to tell of.
  const auto copy = [&](const std::string& target) {
    if (CopyTo(source, target, s) == CopyOutcome::Failed) s.user.ShowError(kCopyFailedMessage);
  };
  switch (ChooseTarget(modifiers)) {
    case BackupTarget::SameFolder:
      copy(SameFolderTarget(source.path, stamp, s.cp, source.kind));
      break;
    case BackupTarget::BackupFolder:
      s.files.MakeFolder(BackupFolderPath(source.path, settings, s.cp), false);  // may exist already
      copy(BackupFolderTarget(source.path, settings, stamp, s.cp, source.kind));
      break;
    case BackupTarget::NewName: {
      std::string name = SameFolderTarget(source.path, stamp, s.cp, source.kind);
      if (!s.user.AskNewName(&name)) break;
      copy(name);
      break;
    }
  }
}

}  // namespace keepsnap
