// A program that shows the shell's context menu, as a file manager or an open
// dialog does, from its own folder and with its current folder where the user
// browses: it runs the menu entry's verb on a file or a folder, under the
// class the shell takes for it, and waits for it.
//   verb_host CURRENT_FOLDER FILE
#include <windows.h>
#include <shellapi.h>

int main(int argc, char** argv) {
  if (argc != 3 || !SetCurrentDirectoryA(argv[1])) return 2;
  SHELLEXECUTEINFOA run = {};
  run.cbSize = sizeof run;
  run.fMask = SEE_MASK_CLASSNAME | SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
  const DWORD attributes = GetFileAttributesA(argv[2]);
  const bool folder = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  run.lpClass = folder ? "Directory" : "*";
  run.lpVerb = "Morvane - Backup File(s) Ver 2.0";
  run.lpFile = argv[2];
  run.nShow = SW_SHOWNORMAL;
  if (!ShellExecuteExA(&run)) return 3;
  if (run.hProcess != nullptr) {
    WaitForSingleObject(run.hProcess, 30000);
    CloseHandle(run.hProcess);
  }
  return 0;
}
