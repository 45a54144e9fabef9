// The floor for any program the shell starts to copy one file: the path
// from the command line, one CopyFileA beside it, nothing else. Built again
// with READ_KEYS as the floor for a program that also looks at the held keys,
// which no program can do without loading USER32.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR line, int) {
#ifdef READ_KEYS
  BYTE keys[256];
  if (!GetKeyboardState(keys)) return 2;
#endif
  char target[MAX_PATH + 8];
  lstrcpynA(target, line, MAX_PATH);
#ifdef READ_KEYS
  lstrcatA(target, ".keys.bak");
#else
  lstrcatA(target, ".bak");
#endif
  return CopyFileA(line, target, FALSE) ? 0 : 1;
}
