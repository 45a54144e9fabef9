#pragma once

#include <string>
#include <vector>

#include "core/code_page.h"
#include "core/file_system.h"
#include "core/leftover_names.h"

namespace keepsnap {

// A file or folder that a folder's backup copies, by its path relative to
// the folder.
struct PlannedEntry {
  std::string path;
  unsigned attributes;
  unsigned long long size;  // of a file
  FileTime lastWrite;
};

// What a folder's backup copies, found before anything is written: the
// folders below the root, parents first, and the files.
struct TreePlan {
  unsigned rootAttributes = 0;
  FileTime rootWrite = 0;
  std::vector<PlannedEntry> folders;
  std::vector<PlannedEntry> files;
  unsigned long long totalBytes = 0;
};

// The date a folder's backup carries: the newest last write of any file in
// it, the day of the latest work there (a folder's own time changes only
// when entries come or go); the folder's own time when it holds no file.
FileTime TreeDateTime(const TreePlan& plan);

// Walks the tree below the root. Links are not followed, so a link to a
// parent can never loop, and every leftover of a backup (IsLeftoverName)
// is left out: a child's partial copy, or its earlier copy moved aside. False when the root or any folder of it cannot be listed.
bool PlanTree(const std::string& root, FileSystem& files, TreePlan* plan);

// Copies the planned tree so that the target's name holds the earlier copy,
// whole, or the new one, whole, or (killed between the two renames) nothing,
// with the earlier copy whole under its hidden aside name. The tree is
// written into the hidden temporary folder (TemporaryNameFor), every file
// checked for length; then every file is flushed, the earlier copy moved
// aside, the new one renamed in (the earlier one back, if that fails) and the
// earlier one removed. A run first puts right what a killed run left: an
// earlier copy moved aside comes back, a partial temporary goes. Both paths
// are full paths; a target inside or over the source, or a file's name, is
// refused. The progress window names each file by the folder's name and its
// place in it.
CopyOutcome CopyTreeWholeOrNothing(const std::string& source, const std::string& target, const TreePlan& plan,
                                   const CodePage& cp, FileSystem& files, CopyProgress& progress);

}  // namespace keepsnap
