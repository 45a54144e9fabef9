#include "tests/wine/wine_support.h"

#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <vector>

#include "core/settings.h"

#include <objbase.h>
#include <shlobj.h>
#include <tlhelp32.h>

namespace winetest {

namespace {

void Check(bool ok, const std::string& what) {
  if (!ok) throw std::runtime_error(what + " failed, error " + std::to_string(GetLastError()));
}

}  // namespace

std::string BinDir() {
  char path[MAX_PATH];
  const DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string s(path, n);
  return s.substr(0, s.rfind('\\'));
}

namespace {

// Through the W calls with the \\?\ prefix, so that trees deeper than the
// A calls reach go too.
void RemoveAll(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return;
  SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    DeleteFileW(path.c_str());
    return;
  }
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW((path + L"\\*").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      const std::wstring name = found.cFileName;
      if (name != L"." && name != L"..") RemoveAll(path + L"\\" + name);
    } while (FindNextFileW(search, &found));
    FindClose(search);
  }
  RemoveDirectoryW(path.c_str());
}

}  // namespace

std::string FreshFolder(const std::string& name) {
  CreateDirectoryA("C:\\kstest", nullptr);
  const std::string folder = "C:\\kstest\\" + name;
  RemoveAll(L"\\\\?\\" + Wide(folder));
  // A folder that is a volume of its own (wine-session.sh mounts some) cannot
  // go; emptied, it serves as well.
  Check(CreateDirectoryA(folder.c_str(), nullptr) != 0 || CountFiles(folder) == 0, "CreateDirectory " + folder);
  return folder;
}

void DeleteTree(HKEY root, const char* keyPath) {
  const REGSAM view = root == HKEY_LOCAL_MACHINE ? KEY_WOW64_32KEY : 0;
  HKEY key;
  if (RegOpenKeyExA(root, keyPath, 0, KEY_ALL_ACCESS | view, &key) != ERROR_SUCCESS) return;
  char child[256];
  while (RegEnumKeyA(key, 0, child, sizeof child) == ERROR_SUCCESS) {
    const std::string sub = std::string(keyPath) + (keyPath[strlen(keyPath) - 1] == '\\' ? "" : "\\") + child;
    DeleteTree(root, sub.c_str());
  }
  RegCloseKey(key);
  std::string path = keyPath;
  if (!path.empty() && path.back() == '\\') path.pop_back();
  RegDeleteKeyExA(root, path.c_str(), view, 0);
}

void DeleteSettings() { DeleteTree(HKEY_LOCAL_MACHINE, "Software\\Morvane"); }

void StoreRaw(const char* keyPath, DWORD type, const std::string& bytes) {
  HKEY key;
  Check(RegCreateKeyExA(HKEY_LOCAL_MACHINE, keyPath, 0, nullptr, 0, KEY_ALL_ACCESS | KEY_WOW64_32KEY, nullptr,
                        &key, nullptr) == ERROR_SUCCESS,
        std::string("RegCreateKeyEx ") + keyPath);
  RegSetValueExA(key, nullptr, 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                 static_cast<DWORD>(bytes.size()));
  RegCloseKey(key);
}

void StoreSetting(const char* keyPath, const std::string& text) {
  StoreRaw(keyPath, REG_SZ, text + std::string(1, '\0'));
}

void StoreSettings(const char* mode, const char* separator, const char* toUse, const char* folder) {
  DeleteSettings();
  StoreSetting(keepsnap::kDateModeKey, mode);
  StoreSetting(keepsnap::kDateSeparatorKey, separator);
  StoreSetting(keepsnap::kDateToUseKey, toUse);
  StoreSetting(keepsnap::kBackupFolderKey, folder);
}

bool ReadDefault(HKEY root, const char* keyPath, DWORD* type, std::string* bytes) {
  HKEY key;
  const REGSAM view = root == HKEY_LOCAL_MACHINE ? KEY_WOW64_32KEY : 0;
  if (RegOpenKeyExA(root, keyPath, 0, KEY_READ | view, &key) != ERROR_SUCCESS) return false;
  std::vector<BYTE> data(4096);
  DWORD size = static_cast<DWORD>(data.size());
  const LONG result = RegQueryValueExA(key, "", nullptr, type, data.data(), &size);
  RegCloseKey(key);
  if (result != ERROR_SUCCESS) return false;
  bytes->assign(reinterpret_cast<const char*>(data.data()), size);
  return true;
}

std::string ReadNamed(HKEY root, const char* keyPath, const char* name, REGSAM view) {
  HKEY key;
  if (RegOpenKeyExA(root, keyPath, 0, KEY_READ | view, &key) != ERROR_SUCCESS) return std::string();
  char data[4096] = {};
  DWORD size = sizeof data - 1;
  const LONG result = RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(data), &size);
  RegCloseKey(key);
  return result == ERROR_SUCCESS ? std::string(data) : std::string();
}

void StoreNamed(HKEY root, const char* keyPath, const char* name, const std::string& text) {
  HKEY key;
  Check(RegCreateKeyExA(root, keyPath, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) == ERROR_SUCCESS,
        std::string("RegCreateKeyEx ") + keyPath);
  RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                 static_cast<DWORD>(text.size() + 1));
  RegCloseKey(key);
}

HRESULT DropOn(const std::vector<std::string>& items, DWORD keyState, DWORD* dropMs, const char* dropClass) {
  CLSID drop;
  CLSIDFromString(&Wide(dropClass)[0], &drop);
  const std::string folder = items.at(0).substr(0, items[0].rfind('\\'));
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  HRESULT result = E_FAIL;
  IShellFolder* desktop = nullptr;
  IShellFolder* parent = nullptr;
  LPITEMIDLIST folderList = nullptr;
  std::vector<LPITEMIDLIST> children;
  IDataObject* data = nullptr;
  IDropTarget* target = nullptr;
  if (SUCCEEDED(SHGetDesktopFolder(&desktop)) &&
      SUCCEEDED(desktop->ParseDisplayName(nullptr, nullptr, &Wide(folder)[0], nullptr, &folderList, nullptr)) &&
      SUCCEEDED(desktop->BindToObject(folderList, nullptr, IID_IShellFolder, reinterpret_cast<void**>(&parent)))) {
    for (const std::string& item : items) {
      LPITEMIDLIST child = nullptr;
      if (SUCCEEDED(parent->ParseDisplayName(nullptr, nullptr, &Wide(item.substr(folder.size() + 1))[0], nullptr,
                                             &child, nullptr)))
        children.push_back(child);
    }
    if (children.size() == items.size() &&
        SUCCEEDED(parent->GetUIObjectOf(nullptr, static_cast<UINT>(children.size()),
                                        const_cast<LPCITEMIDLIST*>(children.data()), IID_IDataObject, nullptr,
                                        reinterpret_cast<void**>(&data))) &&
        SUCCEEDED(result = CoCreateInstance(drop, nullptr, CLSCTX_LOCAL_SERVER, IID_IDropTarget,
                                            reinterpret_cast<void**>(&target)))) {
      POINTL point = {0, 0};
      DWORD effect = DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK;
      target->DragEnter(data, keyState, point, &effect);
      effect = DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK;
      const DWORD start = GetTickCount();
      result = target->Drop(data, keyState, point, &effect);
      if (dropMs != nullptr) *dropMs = GetTickCount() - start;
    }
  }
  if (target != nullptr) target->Release();
  if (data != nullptr) data->Release();
  for (LPITEMIDLIST child : children) CoTaskMemFree(child);
  if (parent != nullptr) parent->Release();
  if (folderList != nullptr) CoTaskMemFree(folderList);
  if (desktop != nullptr) desktop->Release();
  CoUninitialize();
  return result;
}

IShellItemArray* ShellItems(const std::vector<std::string>& paths) {
  std::vector<LPITEMIDLIST> lists;
  for (const std::string& path : paths) {
    LPITEMIDLIST list = nullptr;
    if (path.compare(0, 2, "::") == 0) {
      SHGetSpecialFolderLocation(nullptr, std::atoi(path.c_str() + 2), &list);
    } else {
      SHParseDisplayName(Wide(path).c_str(), nullptr, &list, 0, nullptr);
    }
    if (list != nullptr) lists.push_back(list);
  }
  IShellItemArray* items = nullptr;
  if (lists.size() == paths.size())
    SHCreateShellItemArrayFromIDLists(static_cast<UINT>(lists.size()), const_cast<LPCITEMIDLIST*>(lists.data()),
                                      &items);
  for (LPITEMIDLIST list : lists) CoTaskMemFree(list);
  return items;
}

MenuCommandDll::MenuCommandDll(const std::string& dllPath) {
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  dll_ = LoadLibraryA(dllPath.c_str());
  if (dll_ == nullptr) return;
  typedef HRESULT(STDAPICALLTYPE * GetClassObjectCall)(REFCLSID, REFIID, void**);
  const auto getClassObject =
      reinterpret_cast<GetClassObjectCall>(reinterpret_cast<void*>(GetProcAddress(dll_, "DllGetClassObject")));
  canUnload_ = reinterpret_cast<HRESULT(STDAPICALLTYPE*)()>(
      reinterpret_cast<void*>(GetProcAddress(dll_, "DllCanUnloadNow")));
  CLSID menuClass;
  CLSIDFromString(&Wide(kMenuClass)[0], &menuClass);
  IClassFactory* factory = nullptr;
  if (getClassObject == nullptr ||
      FAILED(getClassObject(menuClass, IID_IClassFactory, reinterpret_cast<void**>(&factory))))
    return;
  factory->CreateInstance(nullptr, IID_IExplorerCommand, reinterpret_cast<void**>(&command_));
  factory->Release();
}

MenuCommandDll::~MenuCommandDll() {
  ReleaseCommand();
  if (dll_ != nullptr) FreeLibrary(dll_);
  CoUninitialize();
}

HRESULT MenuCommandDll::Invoke(const std::vector<std::string>& paths) {
  IShellItemArray* items = ShellItems(paths);
  if (items == nullptr || command_ == nullptr) return E_FAIL;
  const HRESULT result = command_->Invoke(items, nullptr);
  items->Release();
  return result;
}

void MenuCommandDll::ReleaseCommand() {
  if (command_ != nullptr) command_->Release();
  command_ = nullptr;
}

HRESULT MenuCommandDll::CanUnloadNow() const { return canUnload_ != nullptr ? canUnload_() : E_FAIL; }

namespace {

template <typename Each>
void ForEachProcess(const char* exe, Each each) {
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return;
  PROCESSENTRY32 entry;
  entry.dwSize = sizeof entry;
  for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry))
    if (lstrcmpiA(entry.szExeFile, exe) == 0) each(entry.th32ProcessID);
  CloseHandle(snapshot);
}

}  // namespace

int CountProcesses(const char* exe) {
  int count = 0;
  ForEachProcess(exe, [&count](DWORD) { ++count; });
  return count;
}

DWORD ProcessIdOf(const char* exe, DWORD ms) {
  const DWORD start = GetTickCount();
  do {
    DWORD id = 0;
    ForEachProcess(exe, [&id](DWORD found) { id = found; });
    if (id != 0) return id;
    Sleep(50);
  } while (GetTickCount() - start < ms);
  return 0;
}

bool WaitUntilNoProcess(const char* exe, DWORD ms) {
  const DWORD start = GetTickCount();
  while (CountProcesses(exe) > 0) {
    if (GetTickCount() - start >= ms) return false;
    Sleep(50);
  }
  return true;
}

bool KeyExists(HKEY root, const char* keyPath) {
  HKEY key;
  const REGSAM view = root == HKEY_LOCAL_MACHINE ? KEY_WOW64_32KEY : 0;
  if (RegOpenKeyExA(root, keyPath, 0, KEY_READ | view, &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}

void WriteFileBytes(const std::string& path, const std::string& bytes) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  Check(file != INVALID_HANDLE_VALUE, "CreateFile " + path);
  DWORD written = 0;
  WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(file);
}

void SetLastWriteTime(const std::string& path, const FILETIME& utc) {
  HANDLE file = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  Check(file != INVALID_HANDLE_VALUE, "open for time " + path);
  SetFileTime(file, nullptr, nullptr, &utc);
  CloseHandle(file);
}

void MakeDatedFile(const std::string& path, const std::string& bytes, WORD year, WORD month, WORD day) {
  WriteFileBytes(path, bytes);
  SYSTEMTIME local = {};
  local.wYear = year;
  local.wMonth = month;
  local.wDay = day;
  local.wHour = 12;
  FILETIME localTime, utc;
  SystemTimeToFileTime(&local, &localTime);
  LocalFileTimeToFileTime(&localTime, &utc);
  SetLastWriteTime(path, utc);
}

bool ReadFileBytes(const std::string& path, std::string* bytes) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                            0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  bytes->clear();
  char buffer[65536];
  DWORD got = 0;
  while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0) bytes->append(buffer, got);
  CloseHandle(file);
  return true;
}

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::wstring Wide(const std::string& utf8) {
  std::wstring wide(utf8.size(), L'\0');
  const int n = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), static_cast<int>(utf8.size()),
                                    &wide[0], static_cast<int>(wide.size()));
  wide.resize(n > 0 ? n : 0);
  return wide;
}

bool ExistsByUnicodeName(const std::string& utf8Path) {
  return GetFileAttributesW(Wide(utf8Path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::wstring ReadDefaultUnicode(const char* keyPath) {
  HKEY key;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, Wide(keyPath).c_str(), 0, KEY_READ | KEY_WOW64_32KEY, &key) != ERROR_SUCCESS)
    return std::wstring();
  wchar_t data[1024] = {};
  DWORD size = sizeof data - sizeof(wchar_t);
  RegQueryValueExW(key, L"", nullptr, nullptr, reinterpret_cast<BYTE*>(data), &size);
  RegCloseKey(key);
  return data;
}

int CountFiles(const std::string& folder) {
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return 0;
  int count = 0;
  do {
    const std::string name = found.cFileName;
    if (name != "." && name != "..") ++count;
  } while (FindNextFileA(search, &found));
  FindClose(search);
  return count;
}

std::map<std::string, std::string> Tree(const std::string& root) {
  std::map<std::string, std::string> found;
  std::vector<std::string> folders(1, std::string());
  for (std::size_t next = 0; next < folders.size(); ++next) {
    const std::string relative = folders[next];
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA((root + relative + "\\*").c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE) continue;
    do {
      const std::string name = entry.cFileName;
      if (name == "." || name == "..") continue;
      const std::string path = relative.empty() ? name : relative.substr(1) + "\\" + name;
      if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        found[path] = "/";
        folders.push_back("\\" + path);
      } else {
        ReadFileBytes(root + "\\" + path, &found[path]);
      }
    } while (FindNextFileA(search, &entry));
    FindClose(search);
  }
  return found;
}

SYSTEMTIME Today() {
  SYSTEMTIME now;
  GetLocalTime(&now);
  return now;
}

std::string Pad(int value, int width) {
  char text[16];
  std::snprintf(text, sizeof text, "%0*d", width, value);
  return text;
}

Process::Process(const std::string& commandLine, const std::string& directory) {
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  std::vector<char> line(commandLine.begin(), commandLine.end());
  line.push_back('\0');
  if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      directory.empty() ? nullptr : directory.c_str(), &startup, &info_)) {
    // Said where it happens, so that a start that fails shows why.
    std::fprintf(stderr, "CreateProcess failed, error %lu: %s\n", GetLastError(), commandLine.c_str());
    info_ = PROCESS_INFORMATION();
  }
}

Process::~Process() {
  if (info_.hProcess == nullptr) return;
  if (WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(info_.hProcess, 1);
  CloseHandle(info_.hProcess);
  CloseHandle(info_.hThread);
}

bool ShippedTarget() {
  const char* wine = std::getenv("KEEPSNAP_WINE");
  return wine != nullptr && std::string(wine) == "wow64";
}

bool Process::IsWow64() const {
  BOOL wow64 = FALSE;
  return info_.hProcess != nullptr && IsWow64Process(info_.hProcess, &wow64) && wow64;
}

DWORD Process::ExitCode() const {
  DWORD code = STILL_ACTIVE;
  if (info_.hProcess != nullptr) GetExitCodeProcess(info_.hProcess, &code);
  return code;
}

bool Process::WaitForExit(DWORD ms) {
  return info_.hProcess != nullptr && WaitForSingleObject(info_.hProcess, ms) == WAIT_OBJECT_0;
}

namespace {

struct Search {
  const char* caption;
  DWORD processId;
  HWND found;
};

BOOL CALLBACK MatchDialog(HWND window, LPARAM lParam) {
  Search* search = reinterpret_cast<Search*>(lParam);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  char className[64];
  GetClassNameA(window, className, sizeof className);
  if (owner == search->processId && std::string(className) == "#32770" && IsWindowVisible(window) &&
      WindowText(window) == search->caption) {
    search->found = window;
    return FALSE;
  }
  return TRUE;
}

}  // namespace

HWND WaitForDialog(const char* caption, DWORD processId, DWORD ms) {
  const DWORD start = GetTickCount();
  do {
    Search search = {caption, processId, nullptr};
    EnumWindows(MatchDialog, reinterpret_cast<LPARAM>(&search));
    if (search.found != nullptr) {
      Sleep(100);  // let it finish opening
      return search.found;
    }
    Sleep(50);
  } while (GetTickCount() - start < ms);
  return nullptr;
}

std::string WindowText(HWND window) {
  char text[4096];
  const int n = GetWindowTextA(window, text, sizeof text);
  return std::string(text, n > 0 ? n : 0);
}

std::string ControlText(HWND dialog, int id) {
  char text[4096];
  const UINT n = GetDlgItemTextA(dialog, id, text, sizeof text);
  return std::string(text, n);
}

std::string MessageBoxText(HWND box) { return ControlText(box, 0xFFFF); }

// Posted, as a real click is: a button that opens a modal box would keep a
// sent message from returning until the box closed.
void Click(HWND dialog, int id) {
  PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

void Choose(HWND dialog, int id) { SendMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0); }

bool Checked(HWND dialog, int id) { return SendMessageA(GetDlgItem(dialog, id), BM_GETCHECK, 0, 0) == BST_CHECKED; }

bool WaitUntilGone(HWND window, DWORD ms) {
  const DWORD start = GetTickCount();
  while (IsWindow(window)) {
    if (GetTickCount() - start > ms) return false;
    Sleep(50);
  }
  return true;
}

RECT WorkAreaOf(HWND window) {
  MONITORINFO monitor = {};
  monitor.cbSize = sizeof monitor;
  GetMonitorInfoA(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &monitor);
  return monitor.rcWork;
}

POINT OffCentre(HWND window) {
  RECT r;
  GetWindowRect(window, &r);
  const RECT area = WorkAreaOf(window);
  POINT off = {(r.left + r.right) - (area.left + area.right), (r.top + r.bottom) - (area.top + area.bottom)};
  return off;
}

HWND FocusOf(HWND window) {
  GUITHREADINFO info = {};
  info.cbSize = sizeof info;
  GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info);
  return info.hwndFocus;
}

std::string UpdateWithYes(HWND setupDialog, DWORD processId) {
  Click(setupDialog, IDOK);
  HWND confirm = WaitForDialog("CONFIRM", processId);
  if (confirm == nullptr) return "(no CONFIRM box)";
  Click(confirm, IDYES);
  HWND report = WaitForDialog("FINISHED", processId);
  if (report == nullptr) return "(no FINISHED box)";
  const std::string text = MessageBoxText(report);
  Click(report, IDOK);
  return text;
}

}  // namespace winetest
