#include "core/restore.h"

#include <memory>
#include <vector>

#include "core/path_text.h"
#include "core/whole_copy.h"

namespace keepsnap {

namespace {

// Two trees hold the same content: the same entries by relative path, each
// file's bytes alike.
bool SameTree(const std::string& a, const std::string& b, const CodePage& cp, FileSystem& files) {
  TreePlan first, second;
  if (!PlanTree(a, files, &first) || !PlanTree(b, files, &second) || first.files.size() != second.files.size() ||
      first.folders.size() != second.folders.size())
    return false;
  for (std::vector<PlannedEntry>::size_type i = 0; i < first.folders.size(); ++i)
    if (!SameName(first.folders[i].path, second.folders[i].path, cp)) return false;
  for (std::vector<PlannedEntry>::size_type i = 0; i < first.files.size(); ++i) {
    if (!SameName(first.files[i].path, second.files[i].path, cp) || first.files[i].size != second.files[i].size ||
        !files.SameBytes(JoinPath(a, first.files[i].path), JoinPath(b, second.files[i].path)))
      return false;
  }
  return true;
}

bool SameContent(const std::string& a, const std::string& b, SourceKind kind, const CodePage& cp, FileSystem& files) {
  unsigned attributes = 0;
  if (!files.Attributes(b, &attributes) || ((attributes & kFolderAttribute) != 0) != (kind == SourceKind::Folder))
    return false;
  return kind == SourceKind::Folder ? SameTree(a, b, cp, files) : files.SameBytes(a, b);
}

}  // namespace

RestoreRefusal RefusalFor(const std::string& item, SourceKind kind, FileSystem& files) {
  unsigned attributes = 0;
  if (!files.Attributes(item, &attributes) || ((attributes & kFolderAttribute) != 0) != (kind == SourceKind::Folder))
    return RestoreRefusal::Gone;
  if (attributes & kReadOnlyAttribute) return RestoreRefusal::ReadOnly;
  if (attributes & kHiddenAttribute) return RestoreRefusal::Hidden;
  if (attributes & kSystemAttribute) return RestoreRefusal::System;
  // Another program that holds the file without sharing it keeps it from
  // being read, and so from being kept, too.
  if (kind == SourceKind::File && files.OpenSource(item) == nullptr) return RestoreRefusal::InUse;
  return RestoreRefusal::None;
}

std::string RefusalMessage(RestoreRefusal refusal, const std::string& itemName) {
  switch (refusal) {
    case RestoreRefusal::Gone:
      return itemName + " is no longer there. Nothing was changed.";
    case RestoreRefusal::InUse:
      return itemName + " is open in another program. Close it there, then restore again. Nothing was changed.";
    case RestoreRefusal::ReadOnly:
      return itemName + " is read-only, so it is not replaced. Nothing was changed.";
    case RestoreRefusal::Hidden:
      return itemName + " is hidden, so it is not replaced. Nothing was changed.";
    case RestoreRefusal::System:
      return itemName + " is a system file, so it is not replaced. Nothing was changed.";
    case RestoreRefusal::None:
      break;
  }
  return std::string();
}

KeptPlace KeptPlaceFor(const std::string& item, SourceKind kind, const std::string& stamp, const CodePage& cp,
                       FileSystem& files) {
  KeptPlace kept;
  for (unsigned number = 1;; ++number) {
    kept.path = number == 1 ? SameFolderTarget(item, stamp, cp, kind) : NumberedTarget(item, stamp, number, cp, kind);
    unsigned attributes = 0;
    if (!files.Attributes(kept.path, &attributes)) return kept;  // free
    if (SameContent(item, kept.path, kind, cp, files)) {
      kept.alreadyKept = true;
      return kept;
    }
  }
}

std::string RestoreQuestion(const std::string& date, const std::string& itemName, const std::string& keptName) {
  return "Put the copy of " + date + " in place of " + itemName + "?\n\nWhat " + itemName + " holds now is kept as " +
         keptName + ".";
}

std::string RestoredLine(const std::string& date, const std::string& itemName, const std::string& keptName) {
  return itemName + " now holds the copy of " + date + ". What it held is kept as " + keptName + ".";
}

CopyOutcome RestoreItem(const std::string& item, SourceKind kind, const std::string& copy, const KeptPlace& kept,
                        RestoreServices& s) {
  // The kept copy's name and the item's are the two targets written.
  const std::unique_ptr<HeldLock> keptLock = s.locks.Lock(TargetLockName(kept.path, s.cp));
  const std::unique_ptr<HeldLock> itemLock = s.locks.Lock(TargetLockName(item, s.cp));
  const std::string shown = FileNameOf(item, s.cp);
  if (kind == SourceKind::File) {
    unsigned long long itemSize = 0, copySize = 0;
    s.files.Size(item, &itemSize);
    s.files.Size(copy, &copySize);
    s.progress.Begin((kept.alreadyKept ? 0 : itemSize) + copySize);
    if (!kept.alreadyKept) {
      const CopyOutcome keptOutcome = CopyWholeOrNothing(item, kept.path, shown, s.cp, s.files, s.progress);
      if (keptOutcome != CopyOutcome::Done) return keptOutcome;
    }
    return CopyWholeOrNothing(copy, item, shown, s.cp, s.files, s.progress);
  }
  TreePlan itemPlan, copyPlan;
  if (!PlanTree(copy, s.files, &copyPlan) || (!kept.alreadyKept && !PlanTree(item, s.files, &itemPlan)))
    return CopyOutcome::Failed;
  s.progress.Begin(itemPlan.totalBytes + copyPlan.totalBytes);
  if (!kept.alreadyKept) {
    const CopyOutcome keptOutcome = CopyTreeWholeOrNothing(item, kept.path, itemPlan, s.cp, s.files, s.progress);
    if (keptOutcome != CopyOutcome::Done) return keptOutcome;
  }
  return CopyTreeWholeOrNothing(copy, item, copyPlan, s.cp, s.files, s.progress);
}

}  // namespace keepsnap
