#include "win32/copy_files.h"

#include <windows.h>

#include "core/names.h"
#include "win32/copier.h"
#include "win32/handles.h"
#include "win32/target_lock.h"

namespace keepsnap {

// The core keeps these Win32 values of its own, with no <windows.h>.
static_assert(kReadOnlyAttribute == FILE_ATTRIBUTE_READONLY, "the core's read-only bit");
static_assert(kHiddenAttribute == FILE_ATTRIBUTE_HIDDEN, "the core's hidden bit");
static_assert(kFolderAttribute == FILE_ATTRIBUTE_DIRECTORY, "the core's folder bit");

namespace {

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

bool Win32CopyFileSystem::SameFile(const std::string& a, const std::string& b) {
  BY_HANDLE_FILE_INFORMATION first, second;
  return Identify(a, &first) && Identify(b, &second) && first.dwVolumeSerialNumber == second.dwVolumeSerialNumber &&
         first.nFileIndexHigh == second.nFileIndexHigh && first.nFileIndexLow == second.nFileIndexLow;
}

bool Win32CopyFileSystem::Attributes(const std::string& path, unsigned* attributes) {
  const DWORD found = GetFileAttributesA(path.c_str());
  if (found == INVALID_FILE_ATTRIBUTES) return false;
  *attributes = found;
  return true;
}

bool Win32CopyFileSystem::SetAttributes(const std::string& path, unsigned attributes) {
  return SetFileAttributesA(path.c_str(), attributes) != 0;
}

bool Win32CopyFileSystem::Size(const std::string& path, unsigned long long* size) { return FileSizeOf(path, size); }

CopyOutcome Win32CopyFileSystem::Copy(const std::string& source, const std::string& copy) {
  // Wine's copier takes a name too long for the other A calls, which could
  // then neither rename nor remove the copy. Fewer bytes than MAX_PATH are
  // never too long, in any code page; only a longer name is asked about,
  // which spares a folder's copy a look-up for each file.
  if (copy.size() + 1 >= MAX_PATH && GetFileAttributesA(copy.c_str()) == INVALID_FILE_ATTRIBUTES &&
      GetLastError() == ERROR_FILENAME_EXCED_RANGE)
    return CopyOutcome::Failed;
  if (treeRoot_.empty()) return copier_.Copy(source, copy, FileNameOf(source, cp_), true);
  return copier_.Copy(source, copy, FileNameOf(treeRoot_, cp_) + source.substr(treeRoot_.size()), false);
}

bool Win32CopyFileSystem::Flush(const std::string& path) {
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

bool Win32CopyFileSystem::Replace(const std::string& temporary, const std::string& target) {
  // One rename: the target's name never holds a part of a file. Write-through
  // returns only once the new name is on the disk too.
  return MoveFileExA(temporary.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

void Win32CopyFileSystem::Remove(const std::string& path) {
  SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  DeleteFileA(path.c_str());
}

bool Win32TreeFileSystem::List(const std::string& folder, std::vector<TreeEntry>* entries) {
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return false;
  // The search belongs to this call, and FindClose ends it on every way out.
  struct Search {
    HANDLE handle;
    ~Search() { FindClose(handle); }
  } owner = {search};
  do {
    const std::string name = found.cFileName;
    if (name == "." || name == "..") continue;
    TreeEntry entry;
    entry.name = name;
    entry.attributes = found.dwFileAttributes;
    entry.link = (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    entry.size = (static_cast<unsigned long long>(found.nFileSizeHigh) << 32) | found.nFileSizeLow;
    entry.lastWrite = (static_cast<unsigned long long>(found.ftLastWriteTime.dwHighDateTime) << 32) |
                      found.ftLastWriteTime.dwLowDateTime;
    entries->push_back(entry);
  } while (FindNextFileA(owner.handle, &found));
  return GetLastError() == ERROR_NO_MORE_FILES;
}

bool Win32TreeFileSystem::MakeFolder(const std::string& path, bool hidden) {
  if (!CreateDirectoryA(path.c_str(), nullptr)) return false;
  if (hidden && !SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN)) {
    RemoveDirectoryA(path.c_str());
    return false;
  }
  return true;
}

bool Win32TreeFileSystem::Rename(const std::string& from, const std::string& to) {
  return MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_WRITE_THROUGH) != 0;
}

void Win32TreeFileSystem::RemoveTree(const std::string& path) {
  // Depth first by hand; a link inside is removed as a link, never followed.
  const DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return;
  SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    DeleteFileA(path.c_str());
    return;
  }
  std::vector<TreeEntry> entries;
  if (!(attributes & FILE_ATTRIBUTE_REPARSE_POINT) && List(path, &entries))
    for (const TreeEntry& entry : entries) RemoveTree(path + "\\" + entry.name);
  RemoveDirectoryA(path.c_str());
}

bool Win32TreeFileSystem::LastWrite(const std::string& path, unsigned long long* time) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return false;
  *time = (static_cast<unsigned long long>(data.ftLastWriteTime.dwHighDateTime) << 32) |
          data.ftLastWriteTime.dwLowDateTime;
  return true;
}

CopyOutcome CopyReplacingWhole(const std::string& source, const std::string& target, const CodePage& cp) {
  const TargetLock lock(target);
  Copier copier;
  Win32CopyFileSystem files(cp, copier);
  return CopyWholeOrNothing(source, target, cp, files);
}

bool PlanFolderTree(const std::string& folder, const CodePage& cp, TreePlan* plan) {
  Copier unused;
  Win32CopyFileSystem files(cp, unused);
  Win32TreeFileSystem folders;
  return PlanTree(folder, files, folders, plan);
}

namespace {

std::string FullPath(const std::string& path) {
  char full[MAX_PATH * 3];
  const DWORD length = GetFullPathNameA(path.c_str(), sizeof full, full, nullptr);
  return length > 0 && length < sizeof full ? std::string(full, length) : path;
}

}  // namespace

CopyOutcome CopyTreeReplacingWhole(const std::string& source, const std::string& target, const TreePlan& plan,
                                   const CodePage& cp) {
  // A typed name may be relative, or spelled with "/": compared in full.
  const std::string full = FullPath(target);
  const TargetLock lock(full);
  const std::string root = FullPath(source);
  Copier copier(plan.totalBytes);
  Win32CopyFileSystem files(cp, copier, root);
  Win32TreeFileSystem folders;
  return CopyTreeWholeOrNothing(root, full, plan, cp, files, folders);
}

}  // namespace keepsnap
