#pragma once

#include <string>

#include "core/code_page.h"
#include "core/dated_copies.h"
#include "core/file_system.h"
#include "core/names.h"
#include "core/target_lock.h"
#include "core/tree_copy.h"

namespace keepsnap {

// Why an item cannot take a copy's content; nothing changes then.
enum class RestoreRefusal { None, Gone, InUse, ReadOnly, Hidden, System };

// Looked at before anything is asked: an item that is gone, held open by
// another program without sharing, read-only, hidden or system is not
// replaced.
RestoreRefusal RefusalFor(const std::string& item, SourceKind kind, FileSystem& files);

// The message that says which refusal and why, naming the item.
std::string RefusalMessage(RestoreRefusal refusal, const std::string& itemName);

// Where what the item holds now is kept before a copy takes its place: the
// name the entry, clicked with no key held, would give it now (beside it,
// with `stamp`). Where a copy there holds other content it is never
// replaced: the first free " (N)" is taken. Where one holds the same content
// (the same bytes; for a folder, the same tree), that one: nothing more is
// kept.
struct KeptPlace {
  std::string path;
  bool alreadyKept = false;
};
KeptPlace KeptPlaceFor(const std::string& item, SourceKind kind, const std::string& stamp, const CodePage& cp,
                       FileSystem& files);

// "Put the copy of <date> in place of <name>?\nWhat <name> holds now is kept
// as <kept name>."
std::string RestoreQuestion(const std::string& date, const std::string& itemName, const std::string& keptName);
// "<name> now holds the copy of <date>. What it held is kept as <kept name>."
std::string RestoredLine(const std::string& date, const std::string& itemName, const std::string& keptName);

// What a restore asks of the system.
struct RestoreServices {
  FileSystem& files;
  CopyProgress& progress;
  TargetLocks& locks;
  const CodePage& cp;
};

// The restore itself, once the user said Yes: what the item holds is kept
// at the kept place first, whole or nothing, then the copy's content takes
// the item's place, whole or nothing, as backups are made (a file through a
// hidden temporary beside it, a folder through a hidden temporary folder and
// two renames); the item gets the copy's content and last-write times, and
// the copy stays as it was. Killed at any step, every version is whole under
// some name: the item (as it was or restored), every dated copy, the kept
// copy. Cancelled, the item is as it was, and a kept copy already made
// stays. Both paths are full paths.
CopyOutcome RestoreItem(const std::string& item, SourceKind kind, const std::string& copy, const KeptPlace& kept,
                        RestoreServices& s);

}  // namespace keepsnap
