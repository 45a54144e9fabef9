#include "core/tree_copy.h"

#include "core/names.h"

namespace keepsnap {

namespace {

std::string Join(const std::string& folder, const std::string& name) {
  return name.empty() ? folder : folder + "\\" + name;
}

bool IsLeftover(const std::string& name) {
  const std::string tail = ".keepsnap";
  return name.size() > tail.size() && name[0] == '~' && name.compare(name.size() - tail.size(), tail.size(), tail) == 0;
}

char Folded(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

// The path itself or a path below it, as Windows compares names.
bool WithinOrSame(const std::string& path, const std::string& folder) {
  if (path.size() < folder.size()) return false;
  for (std::string::size_type i = 0; i < folder.size(); ++i)
    if (Folded(path[i]) != Folded(folder[i])) return false;
  return path.size() == folder.size() || path[folder.size()] == '\\' || path[folder.size()] == '/';
}

bool Exists(CopyFileSystem& files, const std::string& path, unsigned* attributes = nullptr) {
  unsigned found = 0;
  if (!files.Attributes(path, &found)) return false;
  if (attributes != nullptr) *attributes = found;
  return true;
}

// What a killed run may have left: an earlier copy moved aside (back to its
// name while that is free, else the new copy got in and it goes) and a
// partial copy.
void PutRight(const std::string& target, const std::string& temporary, const std::string& aside,
              CopyFileSystem& files, TreeFileSystem& folders) {
  unsigned attributes = 0;
  if (Exists(files, aside, &attributes)) {
    if (!Exists(files, target) && folders.Rename(aside, target)) {
      files.SetAttributes(target, attributes & ~kHiddenAttribute);
    } else {
      folders.RemoveTree(aside);
    }
  }
  folders.RemoveTree(temporary);
}

CopyOutcome WriteTree(const std::string& source, const std::string& temporary, const TreePlan& plan,
                      CopyFileSystem& files, TreeFileSystem& folders) {
  if (!folders.MakeFolder(temporary, true)) return CopyOutcome::Failed;
  for (const auto& folder : plan.folders)
    if (!folders.MakeFolder(Join(temporary, folder.first), false)) return CopyOutcome::Failed;
  for (const auto& file : plan.files) {
    const std::string from = Join(source, file.first), to = Join(temporary, file.first);
    const CopyOutcome copied = files.Copy(from, to);
    if (copied != CopyOutcome::Done) return copied;
    // A short copy may be reported as done: only the whole length counts.
    unsigned long long sourceSize = 0, copySize = 0;
    if (!files.Size(from, &sourceSize) || !files.Size(to, &copySize) || sourceSize != copySize ||
        !files.Flush(to))
      return CopyOutcome::Failed;
    // Windows' copier gives the copy its source's attributes, Wine 10's only
    // the read-only bit: a read-only, hidden or system file has them set
    // again, after the flush, which needs the copy writable.
    const unsigned marked = file.second & (kReadOnlyAttribute | kHiddenAttribute | kSystemAttribute);
    if (marked != 0 && !files.SetAttributes(to, file.second)) return CopyOutcome::Failed;
  }
  // Last, so that a read-only folder took its files first.
  for (auto it = plan.folders.rbegin(); it != plan.folders.rend(); ++it)
    if (!files.SetAttributes(Join(temporary, it->first), it->second)) return CopyOutcome::Failed;
  return CopyOutcome::Done;
}

}  // namespace

unsigned long long TreeDateTime(const TreePlan& plan) { return plan.anyFile ? plan.newestWrite : plan.rootWrite; }

bool PlanTree(const std::string& root, CopyFileSystem& files, TreeFileSystem& folders, TreePlan* plan) {
  // Breadth first, with the folders to list kept in the plan itself: no
  // recursion, so a deep tree cannot run out of stack.
  if (!files.Attributes(root, &plan->rootAttributes) || !(plan->rootAttributes & kFolderAttribute) ||
      !folders.LastWrite(root, &plan->rootWrite))
    return false;
  std::vector<TreeEntry> entries;
  for (std::string::size_type next = 0; next <= plan->folders.size(); ++next) {
    const std::string relative = next == 0 ? std::string() : plan->folders[next - 1].first;
    entries.clear();
    if (!folders.List(Join(root, relative), &entries)) return false;
    for (const TreeEntry& entry : entries) {
      if (entry.link || IsLeftover(entry.name)) continue;
      const std::string path = relative.empty() ? entry.name : relative + "\\" + entry.name;
      if (entry.attributes & kFolderAttribute) {
        plan->folders.push_back(std::make_pair(path, entry.attributes));
        continue;
      }
      plan->files.push_back(std::make_pair(path, entry.attributes));
      plan->totalBytes += entry.size;
      if (!plan->anyFile || entry.lastWrite > plan->newestWrite) plan->newestWrite = entry.lastWrite;
      plan->anyFile = true;
    }
  }
  return true;
}

std::string AsideNameFor(const std::string& target, const CodePage& cp) {
  return TemporaryNameFor(target, cp) + "-earlier";
}

CopyOutcome CopyTreeWholeOrNothing(const std::string& source, const std::string& target, const TreePlan& plan,
                                   const CodePage& cp, CopyFileSystem& files, TreeFileSystem& folders) {
  // Copying a folder into itself would never end; over itself, would lose it.
  if (WithinOrSame(target, source) || WithinOrSame(source, target)) return CopyOutcome::Failed;
  const std::string temporary = TemporaryNameFor(target, cp);
  const std::string aside = AsideNameFor(target, cp);
  PutRight(target, temporary, aside, files, folders);
  unsigned existing = 0;
  const bool earlier = Exists(files, target, &existing);
  if (earlier && !(existing & kFolderAttribute)) return CopyOutcome::Failed;  // a file has that name

  const CopyOutcome written = WriteTree(source, temporary, plan, files, folders);
  if (written != CopyOutcome::Done) {
    folders.RemoveTree(temporary);
    return written;
  }
  // A folder cannot be renamed over another in one step. Hidden before it
  // moves, so that it is never a visible leftover.
  if (earlier) {
    if (!files.SetAttributes(target, existing | kHiddenAttribute) || !folders.Rename(target, aside)) {
      files.SetAttributes(target, existing);
      folders.RemoveTree(temporary);
      return CopyOutcome::Failed;
    }
  }
  if (!folders.Rename(temporary, target)) {
    if (earlier && folders.Rename(aside, target)) files.SetAttributes(target, existing);
    folders.RemoveTree(temporary);
    return CopyOutcome::Failed;
  }
  if (earlier) folders.RemoveTree(aside);
  // Shown as its source is; hidden until now, so that no leftover shows. The
  // copy is whole and named whatever this answers.
  files.SetAttributes(target, plan.rootAttributes);
  return CopyOutcome::Done;
}

}  // namespace keepsnap
