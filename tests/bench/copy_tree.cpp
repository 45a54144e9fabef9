// The floor for a folder's backup: walks the tree given on the command line
// and copies it into a new folder beside it, with the calls a backup cannot
// do without, in the same order: each folder listed and made, each file
// copied with CopyFileExA and flushed to the disk. Built again with
// READ_KEYS, which reads the held keys first, as every program the shell
// starts for a backup must, with FLUSH_LAST, which flushes every copy only
// once all are written, as snapcopy does, and with NO_FLUSH, which never
// flushes: what a backup's durability costs is the distance to that one.
#include <windows.h>

#include <string>
#include <vector>

#ifndef NO_FLUSH
static bool Flush(const std::string& path) {
  HANDLE copy = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (copy == INVALID_HANDLE_VALUE) return false;
  const bool flushed = FlushFileBuffers(copy) != 0;
  CloseHandle(copy);
  return flushed;
}
#endif

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR line, int) {
#if defined(READ_KEYS) && defined(NO_FLUSH)
  BYTE keys[256];
  if (!GetKeyboardState(keys)) return 6;
  const std::string root = line, target = root + ".noflush.bak";
#elif defined(READ_KEYS) && defined(FLUSH_LAST)
  BYTE keys[256];
  if (!GetKeyboardState(keys)) return 6;
  const std::string root = line, target = root + ".last.bak";
#elif defined(READ_KEYS)
  BYTE keys[256];
  if (!GetKeyboardState(keys)) return 6;
  const std::string root = line, target = root + ".keys.bak";
#else
  const std::string root = line, target = root + ".tree.bak";
#endif
  if (!CreateDirectoryA(target.c_str(), nullptr)) return 1;
  std::vector<std::string> folders(1, std::string()), copies;
  for (size_t next = 0; next < folders.size(); ++next) {
    const std::string relative = folders[next];
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((root + relative + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return 2;
    do {
      const std::string name = found.cFileName;
      if (name == "." || name == "..") continue;
      const std::string path = relative + "\\" + name;
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        if (!CreateDirectoryA((target + path).c_str(), nullptr)) return 3;
        folders.push_back(path);
        continue;
      }
      if (!CopyFileExA((root + path).c_str(), (target + path).c_str(), nullptr, nullptr, nullptr, 0)) return 4;
      copies.push_back(target + path);
#if !defined(FLUSH_LAST) && !defined(NO_FLUSH)
      if (!Flush(copies.back())) return 5;
#endif
    } while (FindNextFileA(search, &found));
    FindClose(search);
  }
#ifdef FLUSH_LAST
  for (const std::string& copy : copies)
    if (!Flush(copy)) return 5;
#endif
  return 0;
}
