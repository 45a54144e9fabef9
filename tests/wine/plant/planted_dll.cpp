// A DLL planted where an attacker could put one (beside a downloaded program,
// or in the folder a user works in), under the name of a system DLL that a
// dialog loads. It only leaves a mark: the name it was loaded from.
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID) {
  if (reason != DLL_PROCESS_ATTACH) return TRUE;
  char path[MAX_PATH];
  const DWORD length = GetModuleFileNameA(self, path, MAX_PATH);
  HANDLE mark = CreateFileA("C:\\planted-mark.txt", FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_ALWAYS, 0, nullptr);
  DWORD written = 0;
  WriteFile(mark, path, length, &written, nullptr);
  WriteFile(mark, "\r\n", 2, &written, nullptr);
  CloseHandle(mark);
  return TRUE;
}
