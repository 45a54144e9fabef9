#include "core/tree_copy.h"

#include "core/checked_copy.h"
#include "core/names.h"
#include "core/path_text.h"
#include "core/whole_copy.h"

namespace keepsnap {

namespace {

bool Exists(FileSystem& files, const std::string& path, unsigned* attributes = nullptr) {
  unsigned found = 0;
  if (!files.Attributes(path, &found)) return false;
  if (attributes != nullptr) *attributes = found;
  return true;
}

// What a killed run may have left: an earlier copy moved aside (back to its
// name while that is free, else the new copy got in and it goes) and a
// partial copy.
void PutRight(const std::string& target, const std::string& temporary, const std::string& aside, FileSystem& files) {
  unsigned attributes = 0;
  if (Exists(files, aside, &attributes)) {
    if (!Exists(files, target) && files.Rename(aside, target)) {
      files.SetAttributes(target, attributes & ~kHiddenAttribute);
    } else {
      RemoveTree(aside, files);
    }
  }
  RemoveTree(temporary, files);
}

// Every file is written and checked before any is flushed, and every one is
// flushed before the tree takes its name: the disk then takes the flushes
// together, which costs less than one at a time.
CopyOutcome WriteTree(const std::string& source, const std::string& temporary, const TreePlan& plan,
                      const CodePage& cp, FileSystem& files, CopyProgress& progress) {
  if (!files.MakeFolder(temporary, true)) return CopyOutcome::Failed;
  for (const PlannedEntry& folder : plan.folders)
    if (!files.MakeFolder(JoinPath(temporary, folder.path), false)) return CopyOutcome::Failed;
  const std::string shownRoot = FileNameOf(source, cp);
  for (const PlannedEntry& file : plan.files) {
    const CopyOutcome copied = WriteChecked(JoinPath(source, file.path), JoinPath(temporary, file.path),
                                            JoinPath(shownRoot, file.path), AttributePolicy::KeptFromSource, files, progress);
    if (copied != CopyOutcome::Done) return copied;
  }
  for (const PlannedEntry& file : plan.files)
    if (!SettleChecked(JoinPath(temporary, file.path), file.attributes, AttributePolicy::KeptFromSource, files))
      return CopyOutcome::Failed;
  // Last, so that a read-only folder took its files first.
  for (auto it = plan.folders.rbegin(); it != plan.folders.rend(); ++it)
    if (!files.SetAttributes(JoinPath(temporary, it->path), it->attributes)) return CopyOutcome::Failed;
  return CopyOutcome::Done;
}

}  // namespace

FileTime TreeDateTime(const TreePlan& plan) {
  if (plan.files.empty()) return plan.rootWrite;
  FileTime newest = plan.files.front().lastWrite;
  for (const PlannedEntry& file : plan.files)
    if (file.lastWrite > newest) newest = file.lastWrite;
  return newest;
}

bool PlanTree(const std::string& root, FileSystem& files, TreePlan* plan) {
  // Breadth first, with the folders to list kept in the plan itself: no
  // recursion, so a deep tree cannot run out of stack.
  if (!files.Attributes(root, &plan->rootAttributes) || !(plan->rootAttributes & kFolderAttribute) ||
      !files.LastWrite(root, &plan->rootWrite))
    return false;
  std::vector<FileEntry> entries;
  for (std::string::size_type next = 0; next <= plan->folders.size(); ++next) {
    const std::string relative = next == 0 ? std::string() : plan->folders[next - 1].path;
    entries.clear();
    if (!files.List(JoinPath(root, relative), &entries)) return false;
    for (const FileEntry& entry : entries) {
      if ((entry.attributes & kLinkAttribute) || IsLeftoverName(entry.name)) continue;
      const PlannedEntry planned = {relative.empty() ? entry.name : JoinPath(relative, entry.name), entry.attributes,
                                    entry.size, entry.lastWrite};
      if (entry.attributes & kFolderAttribute) {
        plan->folders.push_back(planned);
      } else {
        plan->files.push_back(planned);
        plan->totalBytes += entry.size;
      }
    }
  }
  return true;
}

CopyOutcome CopyTreeWholeOrNothing(const std::string& source, const std::string& target, const TreePlan& plan,
                                   const CodePage& cp, FileSystem& files, CopyProgress& progress) {
  // Copying a folder into itself would never end; over itself, would lose it.
  if (SameOrBelow(target, source, cp) || SameOrBelow(source, target, cp)) return CopyOutcome::Failed;
  const std::string temporary = TemporaryNameFor(target, cp);
  const std::string aside = AsideNameFor(target, cp);
  PutRight(target, temporary, aside, files);
  unsigned existing = 0;
  const bool earlier = Exists(files, target, &existing);
  if (earlier && !(existing & kFolderAttribute)) return CopyOutcome::Failed;  // the user's own file has that name

  const CopyOutcome written = WriteTree(source, temporary, plan, cp, files, progress);
  if (written != CopyOutcome::Done) {
    RemoveTree(temporary, files);
    return written;
  }
  // A folder cannot be renamed over another in one step. Hidden before it
  // moves, so that it is never a visible leftover.
  if (earlier) {
    if (!files.SetAttributes(target, existing | kHiddenAttribute) || !files.Rename(target, aside)) {
      files.SetAttributes(target, existing);
      RemoveTree(temporary, files);
      return CopyOutcome::Failed;
    }
  }
  if (!files.Rename(temporary, target)) {
    if (earlier && files.Rename(aside, target)) files.SetAttributes(target, existing);
    RemoveTree(temporary, files);
    return CopyOutcome::Failed;
  }
  if (earlier) RemoveTree(aside, files);
  // Shown as its source is; hidden until now, so that no leftover shows. The
  // copy is whole and named whatever this answers.
  files.SetAttributes(target, plan.rootAttributes);
  return CopyOutcome::Done;
}

}  // namespace keepsnap
