// A program planted as snapcopy.exe in a folder the user browses, as a
// download can put one there. It only leaves a mark.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  HANDLE mark = CreateFileA("C:\\planted-snapcopy-ran.txt", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  DWORD written = 0;
  WriteFile(mark, "planted", 7, &written, nullptr);
  CloseHandle(mark);
  return 0;
}
