#include "win32/file_system.h"

#include <windows.h>

#include <cstring>
#include <utility>
#include <vector>

#include "core/sized_read.h"
#include "win32/copier.h"
#include "win32/file_time.h"
#include "win32/handles.h"

namespace keepsnap {

// The core keeps these Win32 values of its own, with no <windows.h>.
static_assert(kReadOnlyAttribute == FILE_ATTRIBUTE_READONLY, "the core's read-only bit");
static_assert(kHiddenAttribute == FILE_ATTRIBUTE_HIDDEN, "the core's hidden bit");
static_assert(kSystemAttribute == FILE_ATTRIBUTE_SYSTEM, "the core's system bit");
static_assert(kFolderAttribute == FILE_ATTRIBUTE_DIRECTORY, "the core's folder bit");
static_assert(kLinkAttribute == FILE_ATTRIBUTE_REPARSE_POINT, "the core's link bit");

namespace {

// 1000 bytes hold MAX_PATH letters of any script; a longer path (where
// Windows allows long paths) is asked for again with the room it needs.
const unsigned kPathRoom = 1000;

class OpenedSource : public SourceFile {
 public:
  explicit OpenedSource(UniqueHandle handle) : handle_(std::move(handle)) {}
  bool LastWrite(FileTime* time) override {
    FILETIME written;
    if (!GetFileTime(handle_.Get(), nullptr, nullptr, &written)) return false;
    *time = FileTimeOf(written);
    return true;
  }

 private:
  UniqueHandle handle_;  // closed when the run lets the source go
};

// The file's identity: its volume and its index on that volume.
bool Identify(const std::string& path, BY_HANDLE_FILE_INFORMATION* info) {
  const UniqueHandle file(CreateFileA(path.c_str(), FILE_READ_ATTRIBUTES,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                     FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  return file.Valid() && GetFileInformationByHandle(file.Get(), info) != 0;
}

// Opened for writing, which flushing needs, and closed again.
bool FlushFile(const std::string& path) {
  const UniqueHandle file(CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
  return file.Valid() && FlushFileBuffers(file.Get()) != 0;
}

}  // namespace

bool FileSizeOf(const std::string& path, unsigned long long* size) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return false;
  *size = (static_cast<unsigned long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  return true;
}

bool Win32FileSystem::LongPath(const std::string& path, std::string* longPath) {
  return ReadGrowing([&path](char* buffer, unsigned size) { return GetLongPathNameA(path.c_str(), buffer, size); },
                     kPathRoom, longPath);
}

bool Win32FileSystem::FullPath(const std::string& path, std::string* fullPath) {
  return ReadGrowing(
      [&path](char* buffer, unsigned size) { return GetFullPathNameA(path.c_str(), size, buffer, nullptr); },
      kPathRoom, fullPath);
}

std::unique_ptr<SourceFile> Win32FileSystem::OpenSource(const std::string& path) {
  UniqueHandle handle(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!handle.Valid()) return nullptr;
  return std::unique_ptr<SourceFile>(new OpenedSource(std::move(handle)));
}

bool Win32FileSystem::Attributes(const std::string& path, unsigned* attributes) {
  const DWORD found = GetFileAttributesA(path.c_str());
  if (found == INVALID_FILE_ATTRIBUTES) return false;
  *attributes = found;
  return true;
}

bool Win32FileSystem::SetAttributes(const std::string& path, unsigned attributes) {
  return SetFileAttributesA(path.c_str(), attributes) != 0;
}

bool Win32FileSystem::Size(const std::string& path, unsigned long long* size) { return FileSizeOf(path, size); }

bool Win32FileSystem::LastWrite(const std::string& path, FileTime* time) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return false;
  *time = FileTimeOf(data.ftLastWriteTime);
  return true;
}

bool Win32FileSystem::SameFile(const std::string& a, const std::string& b) {
  BY_HANDLE_FILE_INFORMATION first, second;
  return Identify(a, &first) && Identify(b, &second) && first.dwVolumeSerialNumber == second.dwVolumeSerialNumber &&
         first.nFileIndexHigh == second.nFileIndexHigh && first.nFileIndexLow == second.nFileIndexLow;
}

bool Win32FileSystem::SameBytes(const std::string& a, const std::string& b) {
  const DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE, flags = FILE_FLAG_SEQUENTIAL_SCAN;
  const UniqueHandle first(CreateFileA(a.c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING, flags, nullptr));
  const UniqueHandle second(CreateFileA(b.c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING, flags, nullptr));
  LARGE_INTEGER firstSize, secondSize;
  if (!first.Valid() || !second.Valid() || !GetFileSizeEx(first.Get(), &firstSize) ||
      !GetFileSizeEx(second.Get(), &secondSize) || firstSize.QuadPart != secondSize.QuadPart)
    return false;
  std::vector<char> one(64 * 1024), other(64 * 1024);
  for (;;) {
    DWORD read = 0, readToo = 0;
    if (!ReadFile(first.Get(), one.data(), static_cast<DWORD>(one.size()), &read, nullptr) ||
        !ReadFile(second.Get(), other.data(), static_cast<DWORD>(other.size()), &readToo, nullptr) || read != readToo)
      return false;
    if (read == 0) return true;
    if (std::memcmp(one.data(), other.data(), read) != 0) return false;
  }
}

bool Win32FileSystem::List(const std::string& folder, std::vector<FileEntry>* entries) {
  WIN32_FIND_DATAA found;
  const UniqueFind search(FindFirstFileA((folder + "\\*").c_str(), &found));
  if (!search.Valid()) return false;
  do {
    const std::string name = found.cFileName;
    if (name == "." || name == "..") continue;
    const FileEntry entry = {name, found.dwFileAttributes,
                             (static_cast<unsigned long long>(found.nFileSizeHigh) << 32) | found.nFileSizeLow,
                             FileTimeOf(found.ftLastWriteTime)};
    entries->push_back(entry);
  } while (FindNextFileA(search.Get(), &found));
  return GetLastError() == ERROR_NO_MORE_FILES;
}

bool Win32FileSystem::MakeFolder(const std::string& path, bool hidden) {
  if (!CreateDirectoryA(path.c_str(), nullptr)) return false;
  if (hidden && !SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN)) {
    RemoveDirectoryA(path.c_str());
    return false;
  }
  return true;
}

CopyOutcome Win32FileSystem::Copy(const std::string& source, const std::string& copy, bool hide) {
  // Wine's copier takes a name too long for the other A calls, which could
  // then neither rename nor remove the copy. Fewer bytes than MAX_PATH are
  // never too long, in any code page; only a longer name is asked about,
  // which spares a folder's copy a look-up for each file.
  if (copy.size() + 1 >= MAX_PATH && GetFileAttributesA(copy.c_str()) == INVALID_FILE_ATTRIBUTES &&
      GetLastError() == ERROR_FILENAME_EXCED_RANGE)
    return CopyOutcome::Failed;
  return copier_.Copy(source, copy, hide);
}

bool Win32FileSystem::Flush(const std::string& path) {
  if (FlushFile(path)) return true;
  // A read-only copy cannot be opened for writing, which flushing needs:
  // writable for the flush, read-only again once it is closed.
  const DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_READONLY)) return false;
  if (!SetFileAttributesA(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY)) return false;
  const bool flushed = FlushFile(path);
  SetFileAttributesA(path.c_str(), attributes);
  return flushed;
}

bool Win32FileSystem::Replace(const std::string& from, const std::string& target) {
  // One rename: the target's name never holds a part of a file. Write-through
  // returns only once the new name is on the disk too.
  return MoveFileExA(from.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

bool Win32FileSystem::Rename(const std::string& from, const std::string& to) {
  return MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_WRITE_THROUGH) != 0;
}

void Win32FileSystem::Remove(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return;
  // Only the read-only bit stands in the way; a hidden leftover stays hidden
  // until it is gone.
  if (attributes & FILE_ATTRIBUTE_READONLY) SetFileAttributesA(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
  // A link to a folder is removed as a folder, which leaves what it points to.
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
    RemoveDirectoryA(path.c_str());
  } else {
    DeleteFileA(path.c_str());
  }
}

}  // namespace keepsnap
