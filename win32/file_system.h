#pragma once

#include <string>
#include <vector>

#include "core/file_system.h"

namespace keepsnap {

class Copier;

// The file's size; false when it cannot be had.
bool FileSizeOf(const std::string& path, unsigned long long* size);

// The file system as the ANSI Win32 calls give it; the copies go through
// the run's one copier, which shows the progress window.
class Win32FileSystem : public FileSystem {
 public:
  explicit Win32FileSystem(Copier& copier) : copier_(copier) {}
  bool LongPath(const std::string& path, std::string* longPath) override;
  bool FullPath(const std::string& path, std::string* fullPath) override;
  std::unique_ptr<SourceFile> OpenSource(const std::string& path) override;
  bool Attributes(const std::string& path, unsigned* attributes) override;
  bool SetAttributes(const std::string& path, unsigned attributes) override;
  bool Size(const std::string& path, unsigned long long* size) override;
  bool LastWrite(const std::string& path, FileTime* time) override;
  bool SameFile(const std::string& a, const std::string& b) override;
  bool SameBytes(const std::string& a, const std::string& b) override;
  bool List(const std::string& folder, std::vector<FileEntry>* entries) override;
  bool MakeFolder(const std::string& path, bool hidden) override;
  CopyOutcome Copy(const std::string& source, const std::string& copy, bool hide) override;
  bool Flush(const std::string& path) override;
  bool Replace(const std::string& from, const std::string& target) override;
  bool Rename(const std::string& from, const std::string& to) override;
  void Remove(const std::string& path) override;

 private:
  Copier& copier_;
};

}  // namespace keepsnap
