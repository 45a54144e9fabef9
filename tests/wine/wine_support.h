#pragma once
// What the Wine tests do as the shell and a user would: registry, files,
// processes and other programs' windows, all through plain Win32.

#include <windows.h>
#include <shobjidl.h>

#include <map>
#include <string>
#include <vector>

namespace winetest {

// What the setup and the package register under HKEY_CLASSES_ROOT, spelled
// out here, apart from the programs' own spelling, so that a slip there shows.
const char kVerbKey[] = "*\\shell\\Morvane - Backup File(s) Ver 2.0";
const char kFolderVerbKey[] = "Directory\\shell\\Morvane - Backup File(s) Ver 2.0";
const char kCommandKey[] = "*\\shell\\Morvane - Backup File(s) Ver 2.0\\command\\";
const char kFolderCommandKey[] = "Directory\\shell\\Morvane - Backup File(s) Ver 2.0\\command\\";
const char kDropClass[] = "{4E1F4914-AE5F-41FB-A934-3DDA7ED21A15}";
const char kDropServerKey[] = "CLSID\\{4E1F4914-AE5F-41FB-A934-3DDA7ED21A15}\\LocalServer32";
const char kMenuClass[] = "{E1CF87D2-83D9-4158-9AA3-1AC8A494B096}";  // the Windows 11 menu's command

// The folder this test program runs from; the programs under test lie beside it.
std::string BinDir();
// A new empty folder under C:\kstest for one test (emptied, where it is a
// mount point).
std::string FreshFolder(const std::string& name);

// The settings keys under HKLM in the 32-bit view, as the programs keep them.
void DeleteSettings();
void StoreSetting(const char* keyPath, const std::string& text);
void StoreRaw(const char* keyPath, DWORD type, const std::string& bytes);
void StoreSettings(const char* mode, const char* separator, const char* toUse, const char* folder);
// The default value of an HKLM key (32-bit view) or HKCR key; false if absent.
bool ReadDefault(HKEY root, const char* keyPath, DWORD* type, std::string* bytes);
// A named string value, without its terminator, in the view given; empty if absent.
std::string ReadNamed(HKEY root, const char* keyPath, const char* name, REGSAM view = 0);
void StoreNamed(HKEY root, const char* keyPath, const char* name, const std::string& text);  // REG_SZ, native view
bool KeyExists(HKEY root, const char* keyPath);
void DeleteTree(HKEY root, const char* keyPath);

void WriteFileBytes(const std::string& path, const std::string& bytes);
void SetLastWriteTime(const std::string& path, const FILETIME& utc);
// Writes the file and sets its last-write time to noon local time of that day.
void MakeDatedFile(const std::string& path, const std::string& bytes, WORD year, WORD month, WORD day);
bool ReadFileBytes(const std::string& path, std::string* bytes);
bool Exists(const std::string& path);
// This driver's A calls speak UTF-8 (its manifest asks for it); these look
// through the W calls instead, so a name is proven to hold the characters
// meant, not bytes that only round-trip through one code page.
std::wstring Wide(const std::string& utf8);
bool ExistsByUnicodeName(const std::string& utf8Path);
std::wstring ReadDefaultUnicode(const char* keyPath);  // HKLM, 32-bit view; empty if absent
int CountFiles(const std::string& folder);  // files and folders, without . and ..
// Everything below a folder by relative path: a file's bytes, "/" for a
// folder; empty when there is no such folder.
std::map<std::string, std::string> Tree(const std::string& root);

// Today's date as "%04d", "%02d", "%02d" pieces in local time.
SYSTEMTIME Today();
std::string Pad(int value, int width);

// True when this run is the one of the shipped i686 programs under the
// WoW64 Wine (wine-session.sh passes KEEPSNAP_WINE on).
bool ShippedTarget();

// Plays Explorer's part for the verb's DropTarget: a data object for the
// items (full paths in one folder) from the folder's IShellFolder, the class
// started by COM as a local server from the registry, then DragEnter and Drop
// with the key state. Gives Drop's result, and how long Drop took. Another
// class (the benchmark's floor) may stand in for the verb's.
HRESULT DropOn(const std::vector<std::string>& items, DWORD keyState, DWORD* dropMs = nullptr,
               const char* dropClass = kDropClass);

// The shell's items for the paths (UTF-8); a path "::N" is the special
// folder of CSIDL N, which has no file-system path. Null when one is not there.
IShellItemArray* ShellItems(const std::vector<std::string>& paths);

// The Windows 11 menu's command, loaded in process from its DLL as Explorer's
// surrogate loads it (Wine cannot marshal IExplorerCommand), with COM started
// on this thread for as long as this lives.
class MenuCommandDll {
 public:
  explicit MenuCommandDll(const std::string& dllPath);
  ~MenuCommandDll();
  MenuCommandDll(const MenuCommandDll&) = delete;
  MenuCommandDll& operator=(const MenuCommandDll&) = delete;

  IExplorerCommand* Command() const { return command_; }  // null when the DLL or its class could not be had
  HRESULT Invoke(const std::vector<std::string>& paths);  // E_FAIL when the items could not be made
  void ReleaseCommand();
  HRESULT CanUnloadNow() const;

 private:
  HMODULE dll_ = nullptr;
  IExplorerCommand* command_ = nullptr;
  HRESULT(STDAPICALLTYPE* canUnload_)() = nullptr;
};
// The running processes of that program file name, and the id of one.
int CountProcesses(const char* exe);
DWORD ProcessIdOf(const char* exe, DWORD ms = 10000);
// Waits until no process of that name runs; false when one still does.
bool WaitUntilNoProcess(const char* exe, DWORD ms);

class Process {
 public:
  // Starts the command line as the shell would (search path, no window tricks).
  explicit Process(const std::string& commandLine, const std::string& directory = "");
  ~Process();
  bool Started() const { return info_.hProcess != nullptr; }
  DWORD Id() const { return info_.dwProcessId; }
  bool WaitForExit(DWORD ms);
  DWORD ExitCode() const;  // STILL_ACTIVE while it runs
  // A 32-bit program on a 64-bit system, as the shipped programs are.
  bool IsWow64() const;

 private:
  PROCESS_INFORMATION info_ = {};
};

// A top-level dialog (class #32770) with the caption, owned by the process.
HWND WaitForDialog(const char* caption, DWORD processId, DWORD ms = 10000);
std::string WindowText(HWND window);
std::string ControlText(HWND dialog, int id);
// A message box's text: its static control has id 65535.
std::string MessageBoxText(HWND box);
void Click(HWND dialog, int id);
// Checks a radio button as a mouse click does.
void Choose(HWND dialog, int id);
bool Checked(HWND dialog, int id);
bool WaitUntilGone(HWND window, DWORD ms = 10000);
// Presses the setup's Update, answers Yes and returns the final report's text
// after closing it; a missing box gives "(no CONFIRM box)" or "(no FINISHED box)".
std::string UpdateWithYes(HWND setupDialog, DWORD processId);
// The work area (the screen less its taskbars) of the monitor the window is
// on, and how far the window's centre lies from that area's centre, doubled
// so that no half pixel is lost.
RECT WorkAreaOf(HWND window);
POINT OffCentre(HWND window);
// The window that has the keyboard focus in the process's GUI thread.
HWND FocusOf(HWND window);

}  // namespace winetest
