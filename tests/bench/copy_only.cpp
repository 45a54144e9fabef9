// The floor for any program the shell starts to copy one file: the path
// from the command line, one CopyFileA beside it, nothing else. Built again
// with READ_KEYS as the floor for a program that also looks at the held keys,
// which no program can do without loading USER32, with FLUSH as the floor
// for a copy that is on the disk before the program ends, and with both as
// the floor for a backup of a large file.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR line, int) {
#ifdef READ_KEYS
  BYTE keys[256];
  if (!GetKeyboardState(keys)) return 2;
#endif
  char target[MAX_PATH + 8];
  lstrcpynA(target, line, MAX_PATH);
#if defined(READ_KEYS) && defined(FLUSH)
  lstrcatA(target, ".keys.flushed.bak");
#elif defined(READ_KEYS)
  lstrcatA(target, ".keys.bak");
#elif defined(FLUSH)
  lstrcatA(target, ".flushed.bak");
#else
  lstrcatA(target, ".bak");
#endif
  if (!CopyFileA(line, target, FALSE)) return 1;
#ifdef FLUSH
  HANDLE copy = CreateFileA(target, GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (copy == INVALID_HANDLE_VALUE || !FlushFileBuffers(copy)) return 3;
  CloseHandle(copy);
#endif
  return 0;
}
