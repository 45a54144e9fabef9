#pragma once

#include <memory>
#include <string>
#include <vector>

namespace keepsnap {

enum class CopyOutcome { Done, Failed, Cancelled };

// The attribute bits the backups look at, with their Win32 values.
const unsigned kReadOnlyAttribute = 0x1;  // FILE_ATTRIBUTE_READONLY
const unsigned kHiddenAttribute = 0x2;    // FILE_ATTRIBUTE_HIDDEN
const unsigned kSystemAttribute = 0x4;    // FILE_ATTRIBUTE_SYSTEM
const unsigned kFolderAttribute = 0x10;   // FILE_ATTRIBUTE_DIRECTORY
const unsigned kLinkAttribute = 0x400;    // FILE_ATTRIBUTE_REPARSE_POINT: a junction or symbolic link

// A FILETIME as one number: 100-nanosecond steps since 1601, in UTC.
typedef unsigned long long FileTime;

// One entry of a folder's listing.
struct FileEntry {
  std::string name;
  unsigned attributes;
  unsigned long long size;  // of a file
  FileTime lastWrite;
};

// A file opened for reading; its owner closes it by letting it go.
class SourceFile {
 public:
  virtual ~SourceFile() {}
  virtual bool LastWrite(FileTime* time) = 0;
};

// What a backup asks of the file system: one call's worth of work each,
// deciding nothing. Paths are as the system takes them.
class FileSystem {
 public:
  virtual ~FileSystem() {}
  // The long form of a path that may come in its short 8.3 form; false when
  // it cannot be had.
  virtual bool LongPath(const std::string& path, std::string* longPath) = 0;
  // The path from the drive's root, with the current folder, "/", "." and
  // ".." resolved as the system resolves them; false when it cannot be had.
  virtual bool FullPath(const std::string& path, std::string* fullPath) = 0;
  // Null when the file cannot be opened for reading. Other programs may go
  // on reading and writing it meanwhile.
  virtual std::unique_ptr<SourceFile> OpenSource(const std::string& path) = 0;
  // False when nothing has that name.
  virtual bool Attributes(const std::string& path, unsigned* attributes) = 0;
  virtual bool SetAttributes(const std::string& path, unsigned attributes) = 0;
  virtual bool Size(const std::string& path, unsigned long long* size) = 0;
  virtual bool LastWrite(const std::string& path, FileTime* time) = 0;
  // True when both names exist and are one file.
  virtual bool SameFile(const std::string& a, const std::string& b) = 0;
  // True when both files can be read whole and hold the same bytes.
  virtual bool SameBytes(const std::string& a, const std::string& b) = 0;
  // The entries of a folder, without "." and ".."; false when it cannot be
  // listed whole.
  virtual bool List(const std::string& folder, std::vector<FileEntry>* entries) = 0;
  // A new folder, hidden as soon as it exists when asked; false when the
  // name is taken or the folder cannot be made as asked.
  virtual bool MakeFolder(const std::string& path, bool hidden) = 0;
  // The system's copier, to a name that does not exist, under the run's
  // progress window (CopyProgress); with `hide`, the copy is hidden as soon
  // as it exists. Cancelled when the user pressed Cancel while it ran.
  virtual CopyOutcome Copy(const std::string& source, const std::string& copy, bool hide) = 0;
  // Until the file's data is on the disk, not only in the cache.
  virtual bool Flush(const std::string& path) = 0;
  // Gives a file the target's name in one step, replacing the file that had
  // it; on the disk when it returns.
  virtual bool Replace(const std::string& from, const std::string& target) = 0;
  // A new name for a file or folder, never over one that exists; on the
  // disk when it returns.
  virtual bool Rename(const std::string& from, const std::string& to) = 0;
  // A file, a link or an empty folder, whatever its attributes; nothing
  // when there is no such name.
  virtual void Remove(const std::string& path) = 0;
};

// The progress window over a run's copies, which shows once they take
// longer than a moment, and its Cancel.
class CopyProgress {
 public:
  virtual ~CopyProgress() {}
  // The bytes that the copies to come copy in all; the moment starts now.
  virtual void Begin(unsigned long long totalBytes) = 0;
  // The file the next copy is of, as the window names it.
  virtual void Label(const std::string& label) = 0;
  // True from the moment the user pressed Cancel.
  virtual bool Cancelled() = 0;
};

// Removes the tree at the path (a file or link alone), whatever the
// attributes; a link inside is removed, never followed. No recursion, so a
// deep tree cannot run out of stack.
void RemoveTree(const std::string& path, FileSystem& files);

}  // namespace keepsnap
