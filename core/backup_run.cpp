#include "core/backup_run.h"

#include <memory>
#include <set>
#include <vector>

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
  std::string shown;  // its path as the user knows it, for the message
  std::string path;
  SourceKind kind = SourceKind::File;
  bool readable = false;  // a folder's tree was planned
  TreePlan plan;
};

// An item ready to be copied, and where to.
struct Prepared {
  Source source;
  std::string target;
};

// A folder's name without the separators a path may end with; empty for a
// drive or share root, which has no name to stamp.
std::string FolderName(const std::string& path, const CodePage& cp) {
  const std::string folder = WithoutTrailingSeparators(path);
  if (folder.empty() || folder.back() == ':' || FileNameOf(folder, cp).empty()) return std::string();
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

enum class Readiness { Ready, NoDate, Skipped };

// What the item is, its date and its target (the name dialog asked where
// the keys say so): Ready, NoDate, or Skipped when the user cancelled the
// dialog.
Readiness Prepare(Source source, const ModifierState& modifiers, const BackupSettings& settings, BackupServices& s,
                  Prepared* item) {
  // The handle is only for the file's date, and is closed once that is read.
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
  if (!DateFor(settings, source, file.get(), s, &date)) return Readiness::NoDate;
  const std::string stamp = MakeDateStamp(settings, date);

  item->source = source;
  switch (ChooseTarget(modifiers)) {
    case BackupTarget::SameFolder:
      item->target = SameFolderTarget(source.path, stamp, s.cp, source.kind);
      break;
    case BackupTarget::BackupFolder:
      s.files.MakeFolder(BackupFolderPath(source.path, settings, s.cp), false);  // may exist already
      item->target = BackupFolderTarget(source.path, settings, stamp, s.cp, source.kind);
      break;
    case BackupTarget::NewName:
      item->target = SameFolderTarget(source.path, stamp, s.cp, source.kind);
      if (!s.user.AskNewName(&item->target)) return Readiness::Skipped;
      break;
  }
  return Readiness::Ready;
}

// One copy, whole or nothing, one run at a time for its target.
CopyOutcome CopyTo(const Source& source, const std::string& target, BackupServices& s) {
  if (source.kind == SourceKind::Folder && !source.readable) return CopyOutcome::Failed;
  const std::string full = Full(target, s.files);
  const std::unique_ptr<HeldLock> lock = s.locks.Lock(TargetLockName(full, s.cp));
  if (source.kind == SourceKind::File)
    return CopyWholeOrNothing(source.path, full, FileNameOf(source.path, s.cp), s.cp, s.files, s.progress);
  return CopyTreeWholeOrNothing(Full(source.path, s.files), full, source.plan, s.cp, s.files, s.progress);
}

void AppendNamed(const char* message, const std::vector<std::string>& items, std::string* text) {
  if (items.empty()) return;
  if (!text->empty()) *text += "\n\n";
  *text += message;
  for (std::string::size_type i = 0; i < items.size() && i < kNamedAtMost; ++i) *text += "\n" + items[i];
  if (items.size() > kNamedAtMost) *text += "\nand " + std::to_string(items.size() - kNamedAtMost) + " more";
}

}  // namespace

std::string SelectionMessage(const std::vector<std::string>& undated, const std::vector<std::string>& uncopied) {
  std::string text;
  AppendNamed(kNoDateMessage, undated, &text);
  AppendNamed(kCopyFailedMessage, uncopied, &text);
  return text;
}

void RunSelection(const std::vector<std::string>& items, const ModifierState& modifiers, BackupServices& s) {
  const BackupSettings settings = ReadSettings(s.settings);
  std::set<std::string> seen;
  std::vector<std::string> undated, uncopied;
  std::vector<Prepared> ready;
  for (const std::string& given : items) {
    // Without a long form (the file is gone) the given text is the best name
    // there is; open or copy then tell.
    Source source;
    if (!s.files.LongPath(given, &source.path)) source.path = given;
    source.shown = source.path;
    // Looked up, so that a selection of thousands is not compared item by
    // item.
    if (!seen.insert(FoldedName(source.path, s.cp)).second) continue;
    Prepared item;
    const Readiness readiness = Prepare(source, modifiers, settings, s, &item);
    if (readiness == Readiness::NoDate) undated.push_back(source.shown);
    if (readiness == Readiness::Ready) ready.push_back(item);
  }

  // One progress window for the whole selection.
  unsigned long long total = 0;
  for (const Prepared& item : ready) {
    unsigned long long size = item.source.plan.totalBytes;
    if (item.source.kind == SourceKind::File && !s.files.Size(item.source.path, &size)) size = 0;
    total += size;
  }
  if (!ready.empty()) s.progress.Begin(total);
  for (const Prepared& item : ready) {
    const CopyOutcome outcome = CopyTo(item.source, item.target, s);
    // Cancel finishes nothing more, and is no failure to tell of.
    if (outcome == CopyOutcome::Cancelled) return;
    if (outcome == CopyOutcome::Failed) uncopied.push_back(item.source.shown);
  }

  // Silence means success: at most one box, at the end, for every item that
  // has no copy. A single item's is the message alone.
  if (undated.empty() && uncopied.empty()) return;
  if (seen.size() == 1) {
    s.user.ShowError(undated.empty() ? kCopyFailedMessage : kNoDateMessage);
    return;
  }
  s.user.ShowError(SelectionMessage(undated, uncopied).c_str());
}

ModifierState ModifiersFromDrop(unsigned keyState, bool folderKeyDown) {
  ModifierState state;
  state.shiftHeld = (keyState & kDropShift) != 0;
  state.folderKeyHeld = folderKeyDown;
  return state;
}

void RunBackup(const std::string& commandLinePath, BackupServices& s) {
  unsigned char keys[256] = {0};
  s.keys.ReadKeyboardState(keys);
  const ModifierState modifiers = ModifiersFromKeyboard(keys);
  // The registered command quotes the path ("%1"); one registered by an
  // earlier setup does not.
  RunSelection(std::vector<std::string>(1, WithoutEnclosingQuotes(commandLinePath)), modifiers, s);
}

}  // namespace keepsnap
