// The control for the planted DLL: a program that does not restrict its DLL
// search loads the DLL as any dialog would. If no mark follows, this Wine
// does not pick planted DLLs up, and their absence beside our programs
// proves nothing.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  HMODULE loaded = LoadLibraryA("uxtheme.dll");
  return loaded != nullptr ? 0 : 1;
}
