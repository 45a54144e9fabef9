#include "core/file_system.h"

#include "core/path_text.h"

namespace keepsnap {

void RemoveTree(const std::string& path, FileSystem& files) {
  unsigned attributes = 0;
  if (!files.Attributes(path, &attributes)) return;
  // The files go as their folders are listed, the folders last, deepest first.
  std::vector<std::string> folders;
  if ((attributes & kFolderAttribute) && !(attributes & kLinkAttribute)) folders.push_back(path);
  std::vector<FileEntry> entries;
  for (std::string::size_type next = 0; next < folders.size(); ++next) {
    entries.clear();
    files.List(folders[next], &entries);
    for (const FileEntry& entry : entries) {
      const std::string below = JoinPath(folders[next], entry.name);
      if ((entry.attributes & kFolderAttribute) && !(entry.attributes & kLinkAttribute)) {
        folders.push_back(below);
      } else {
        files.Remove(below);
      }
    }
  }
  if (folders.empty()) {
    files.Remove(path);
    return;
  }
  for (auto it = folders.rbegin(); it != folders.rend(); ++it) files.Remove(*it);
}

}  // namespace keepsnap
