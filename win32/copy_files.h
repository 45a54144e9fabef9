#pragma once

#include <string>
#include <vector>

#include "core/tree_copy.h"
#include "core/whole_copy.h"
#include "win32/copier.h"

namespace keepsnap {

// The whole-or-nothing copy's file operations as Win32 calls; the copies go
// through the backup's copier, which shows the progress window. Given the
// root of a folder being backed up, its copies keep their attributes (the
// folder they are written into is hidden) and the window names each by its
// place in the folder; otherwise a copy is a file's temporary, hidden at once.
class Win32CopyFileSystem : public CopyFileSystem {
 public:
  Win32CopyFileSystem(const CodePage& cp, Copier& copier, const std::string& treeRoot = std::string())
      : cp_(cp), copier_(copier), treeRoot_(treeRoot) {}
  bool SameFile(const std::string& a, const std::string& b) override;
  bool Attributes(const std::string& path, unsigned* attributes) override;
  bool SetAttributes(const std::string& path, unsigned attributes) override;
  bool Size(const std::string& path, unsigned long long* size) override;
  CopyOutcome Copy(const std::string& source, const std::string& copy) override;
  bool Flush(const std::string& path) override;
  bool Replace(const std::string& temporary, const std::string& target) override;
  void Remove(const std::string& path) override;

 private:
  const CodePage& cp_;
  Copier& copier_;
  const std::string treeRoot_;
};

// A folder's further operations as Win32 calls.
class Win32TreeFileSystem : public TreeFileSystem {
 public:
  bool List(const std::string& folder, std::vector<TreeEntry>* entries) override;
  bool MakeFolder(const std::string& path, bool hidden) override;
  bool Rename(const std::string& from, const std::string& to) override;
  void RemoveTree(const std::string& path) override;
  bool LastWrite(const std::string& path, unsigned long long* time) override;
};

// CopyWholeOrNothing with the Win32 calls, one run at a time for a target.
CopyOutcome CopyReplacingWhole(const std::string& source, const std::string& target, const CodePage& cp);

// What a folder's backup copies (PlanTree with the Win32 calls).
bool PlanFolderTree(const std::string& folder, const CodePage& cp, TreePlan* plan);

// CopyTreeWholeOrNothing with the Win32 calls, one run at a time for a
// target, under one progress window for the whole tree.
CopyOutcome CopyTreeReplacingWhole(const std::string& source, const std::string& target, const TreePlan& plan,
                                   const CodePage& cp);

}  // namespace keepsnap
