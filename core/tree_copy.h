#pragma once

#include <string>
#include <utility>
#include <vector>

#include "core/code_page.h"
#include "core/whole_copy.h"

namespace keepsnap {

const unsigned kFolderAttribute = 0x10;  // FILE_ATTRIBUTE_DIRECTORY
const unsigned kSystemAttribute = 0x4;   // FILE_ATTRIBUTE_SYSTEM

// One entry of a folder's listing.
struct TreeEntry {
  std::string name;
  unsigned attributes;
  bool link;                      // a reparse point (junction, symbolic link)
  unsigned long long size;        // of a file
  unsigned long long lastWrite;   // a FILETIME as one number
};

// What a folder's backup copies, found before anything is written: the
// folders below the root, parents first, and the files, each as a path
// relative to the root with its attributes, with what they hold in all.
struct TreePlan {
  unsigned rootAttributes = 0;
  unsigned long long rootWrite = 0;
  std::vector<std::pair<std::string, unsigned>> folders;  // path, attributes
  std::vector<std::pair<std::string, unsigned>> files;  // path, attributes
  unsigned long long totalBytes = 0;
  bool anyFile = false;
  unsigned long long newestWrite = 0;  // of any file, when there is one
};

// The date a folder's backup carries: the newest last write of any file in
// it, the day of the latest work there (a folder's own time changes only
// when entries come or go); the folder's own time when it holds no file.
unsigned long long TreeDateTime(const TreePlan& plan);

// What a folder's whole-or-nothing copy asks of the file system beyond what
// a file's copy asks (CopyFileSystem), which it asks too.
class TreeFileSystem {
 public:
  virtual ~TreeFileSystem() {}
  // False when the folder cannot be listed.
  virtual bool List(const std::string& folder, std::vector<TreeEntry>* entries) = 0;
  // A new folder, hidden when asked (as soon as it exists); false when the
  // name is taken or the folder cannot be made as asked.
  virtual bool MakeFolder(const std::string& path, bool hidden) = 0;
  // A new name for a file or folder; never over one that exists.
  virtual bool Rename(const std::string& from, const std::string& to) = 0;
  // The folder and all below it, whatever their attributes.
  virtual void RemoveTree(const std::string& path) = 0;
  virtual bool LastWrite(const std::string& path, unsigned long long* time) = 0;
};

// Walks the tree below the root. Links are not followed, so a link to a
// parent can never loop, and the tree's own leftovers (~*.keepsnap) are left
// out. False when the root or any folder of it cannot be listed.
bool PlanTree(const std::string& root, CopyFileSystem& files, TreeFileSystem& folders, TreePlan* plan);

// Where an earlier copy waits while the new one takes its name:
// "~" + its name + ".keepsnap-earlier", beside it.
std::string AsideNameFor(const std::string& target, const CodePage& cp);

// Copies the planned tree so that the target's name holds the earlier copy,
// whole, or the new one, whole, or (killed between the two renames) nothing,
// with the earlier copy whole under its hidden aside name. The tree is
// written into the hidden temporary folder (TemporaryNameFor), each file
// checked for length and flushed; then the earlier copy is moved aside, the
// new one renamed in (the earlier one back, if that fails) and the earlier
// one removed. A run first puts right what a killed run left: an earlier
// copy moved aside comes back, a partial temporary goes. Both paths are full
// paths; a target inside the source is refused.
CopyOutcome CopyTreeWholeOrNothing(const std::string& source, const std::string& target, const TreePlan& plan,
                                   const CodePage& cp, CopyFileSystem& files, TreeFileSystem& folders);

}  // namespace keepsnap
