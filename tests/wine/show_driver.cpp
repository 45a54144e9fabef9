// Shows both programs working end to end, as a user would use them: the
// setup saves choices, then the context-menu command makes backups. Prints
// what happened and saves pictures of the two dialogs as BMP files.
//   show_driver.exe OUTPUT_FOLDER
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "backup_command/resource.h"
#include "setup_utility/resource.h"
#include "tests/wine/wine_support.h"

using namespace winetest;

namespace {

std::string outFolder;

// The window as it stands on the screen, into a 24-bit BMP file.
void SaveWindowPicture(HWND window, const std::string& name) {
  RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_FRAME | RDW_ALLCHILDREN);
  Sleep(400);
  RECT r;
  GetWindowRect(window, &r);
  const int w = r.right - r.left, h = r.bottom - r.top;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = w;
  info.bmiHeader.biHeight = h;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, w, h, screen, r.left, r.top, SRCCOPY);
  GdiFlush();
  const DWORD stride = ((w * 3 + 3) / 4) * 4;
  BITMAPFILEHEADER file = {};
  file.bfType = 0x4D42;
  file.bfOffBits = sizeof file + sizeof info.bmiHeader;
  file.bfSize = file.bfOffBits + stride * h;
  std::string bytes(reinterpret_cast<const char*>(&file), sizeof file);
  bytes.append(reinterpret_cast<const char*>(&info.bmiHeader), sizeof info.bmiHeader);
  bytes.append(static_cast<const char*>(bits), stride * h);
  WriteFileBytes(outFolder + "\\" + name, bytes);
  SelectObject(memory, old);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  std::printf("  picture: %s\n", name.c_str());
}

void List(const std::string& folder, const std::string& indent = "  ") {
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return;
  do {
    const std::string name = found.cFileName;
    if (name == "." || name == "..") continue;
    std::printf("%s%s%s\n", indent.c_str(), name.c_str(),
                (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? "\\" : "");
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) List(folder + "\\" + name, indent + "  ");
  } while (FindNextFileA(search, &found));
  FindClose(search);
}

bool Fail(const char* what) {
  std::printf("FAILED: %s\n", what);
  return false;
}

bool Show() {
  std::printf("1. snapsetup.exe: year first, dash, file date, folder \"backup\"; Update, Yes\n");
  Process setup("\"" + BinDir() + "\\snapsetup.exe\"", BinDir());
  HWND dialog = WaitForDialog("Morvane Keepsnap Setup", setup.Id());
  if (dialog == nullptr) return Fail("no setup dialog");
  Choose(dialog, IDC_SEPARATOR_DASH);
  SaveWindowPicture(dialog, "setup-dialog.bmp");
  Click(dialog, IDOK);
  HWND confirm = WaitForDialog("CONFIRM", setup.Id());
  if (confirm == nullptr) return Fail("no confirmation");
  Click(confirm, IDYES);
  HWND report = WaitForDialog("FINISHED", setup.Id());
  if (report == nullptr) return Fail("no report");
  std::printf("  report:\n    %s\n", MessageBoxText(report).c_str());
  Click(report, IDOK);
  if (!setup.WaitForExit(10000)) return Fail("setup did not end");

  DWORD type;
  std::string command;
  if (!ReadDefault(HKEY_CLASSES_ROOT, "*\\shell\\Morvane - Backup File(s) Ver 2.0\\command\\", &type, &command))
    return Fail("no context-menu command");
  command.resize(command.find('\0'));
  std::printf("  context-menu command: %s\n", command.c_str());

  const std::string folder = FreshFolder("Docs");
  const std::string file = folder + "\\report.txt";
  MakeDatedFile(file, "quarterly figures\r\n", 2003, 9, 20);
  std::printf("2. the entry on %s (last written 2003-09-20), no key held\n", file.c_str());
  std::string line = command;
  line.replace(line.find("%1"), 2, file);
  Process plain(line);
  if (!plain.WaitForExit(15000)) return Fail("snapcopy did not end");

  std::printf("3. the same with Shift and the ` key held (into the backup folder)\n");
  Process toFolder("\"" + BinDir() + "\\snapcopy_with_keys.exe\" shift+folder " + file);
  if (!toFolder.WaitForExit(15000)) return Fail("backup folder run did not end");

  std::printf("4. the same with Shift held: the name dialog, OK with a typed name\n");
  Process named("\"" + BinDir() + "\\snapcopy_with_keys.exe\" shift " + file);
  HWND ask = WaitForDialog("Enter New File Name", named.Id());
  if (ask == nullptr) return Fail("no name dialog");
  SaveWindowPicture(ask, "new-name-dialog.bmp");
  SetDlgItemTextA(ask, IDC_NEW_NAME, (folder + "\\report for review.txt").c_str());
  Click(ask, IDOK);
  if (!named.WaitForExit(15000)) return Fail("name run did not end");

  std::printf("5. what is in %s now:\n", folder.c_str());
  List(folder);
  return Exists(folder + "\\report-2003-09-20.txt") && Exists(folder + "\\backup\\report-2003-09-20.txt") &&
         Exists(folder + "\\report for review.txt");
}

}  // namespace

int main(int argc, char** argv) {
  outFolder = argc > 1 ? argv[1] : ".";
  const bool ok = Show();
  std::printf(ok ? "end to end: all three backups made\n" : "end to end: FAILED\n");
  return ok ? 0 : 1;
}
