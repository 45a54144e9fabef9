// The floor for a selection handed over through a verb's DropTarget: the
// least a COM local server can do. Started by COM with -Embedding, it offers
// its class once, takes the items from the one Drop (CF_HDROP), answers, and
// copies and flushes each into a folder "floor" beside them, with nothing
// else a backup does: no names, no dates, no temporaries, no window. What it
// costs beyond the tree floor is COM's own: the start through the registry,
// the activation's wait and the hand-over. "drop_floor.exe /RegServer"
// registers it, as a local server registers itself.
#include "tests/bench/drop_floor.h"

#include <windows.h>

#include <objbase.h>
#include <shellapi.h>

#include <string>
#include <vector>

namespace {

std::vector<std::wstring> items;

// One object, on WinMain's stack for the whole run: the class object and the
// DropTarget it makes are the same.
class Floor : public IClassFactory, public IDropTarget {
 public:
  STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
    if (iid == IID_IUnknown || iid == IID_IClassFactory) {
      *out = static_cast<IClassFactory*>(this);
    } else if (iid == IID_IDropTarget) {
      *out = static_cast<IDropTarget*>(this);
    } else {
      *out = nullptr;
      return E_NOINTERFACE;
    }
    return S_OK;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return 2; }
  STDMETHODIMP_(ULONG) Release() override { return 1; }
  STDMETHODIMP CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
    return outer != nullptr ? CLASS_E_NOAGGREGATION : QueryInterface(iid, out);
  }
  STDMETHODIMP LockServer(BOOL) override { return S_OK; }
  STDMETHODIMP DragEnter(IDataObject*, DWORD, POINTL, DWORD* effect) override {
    *effect = DROPEFFECT_COPY;
    return S_OK;
  }
  STDMETHODIMP DragOver(DWORD, POINTL, DWORD* effect) override {
    *effect = DROPEFFECT_COPY;
    return S_OK;
  }
  STDMETHODIMP DragLeave() override { return S_OK; }
  STDMETHODIMP Drop(IDataObject* data, DWORD, POINTL, DWORD* effect) override {
    FORMATETC format = {CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    STGMEDIUM medium = {};
    const HRESULT got = data->GetData(&format, &medium);
    if (SUCCEEDED(got)) {
      HDROP drop = static_cast<HDROP>(medium.hGlobal);
      const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
      for (UINT i = 0; i < count; ++i) {
        std::wstring name(DragQueryFileW(drop, i, nullptr, 0) + 1, L'\0');
        name.resize(DragQueryFileW(drop, i, &name[0], static_cast<UINT>(name.size())));
        items.push_back(name);
      }
      ReleaseStgMedium(&medium);
    }
    *effect = DROPEFFECT_COPY;
    PostQuitMessage(0);
    return got;
  }
};

bool Flush(const std::wstring& path) {
  HANDLE copy = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (copy == INVALID_HANDLE_VALUE) return false;
  const bool flushed = FlushFileBuffers(copy) != 0;
  CloseHandle(copy);
  return flushed;
}

// LocalServer32 for the class: this program's own path, quoted, in the
// 64-bit view, where the 64-bit driver (as 64-bit Explorer) looks, also
// when this is the i686 build.
int Register() {
  char path[MAX_PATH];
  const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return 1;
  const std::string command = std::string("\"") + path + "\"";
  const std::string name = std::string("Software\\Classes\\CLSID\\") + kFloorClass + "\\LocalServer32";
  HKEY key;
  if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, name.c_str(), 0, nullptr, 0, KEY_SET_VALUE | KEY_WOW64_64KEY, nullptr,
                      &key, nullptr) != ERROR_SUCCESS)
    return 1;
  const LONG set = RegSetValueExA(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(command.c_str()),
                                  static_cast<DWORD>(command.size() + 1));
  RegCloseKey(key);
  return set == ERROR_SUCCESS ? 0 : 1;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR line, int) {
  if (lstrcmpiA(line, "/RegServer") == 0) return Register();
  CLSID floorClass;
  wchar_t classText[40];
  MultiByteToWideChar(CP_ACP, 0, kFloorClass, -1, classText, 40);
  if (FAILED(CLSIDFromString(classText, &floorClass))) return 1;
  if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 1;
  Floor floor;
  DWORD cookie = 0;
  if (FAILED(CoRegisterClassObject(floorClass, static_cast<IClassFactory*>(&floor), CLSCTX_LOCAL_SERVER,
                                   REGCLS_SINGLEUSE, &cookie)))
    return 2;
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) DispatchMessageW(&message);
  CoRevokeClassObject(cookie);
  int result = items.empty() ? 3 : 0;
  if (!items.empty()) {
    const std::wstring folder = items[0].substr(0, items[0].rfind(L'\\')) + L"\\floor";
    CreateDirectoryW(folder.c_str(), nullptr);
    for (const std::wstring& item : items) {
      const std::wstring copy = folder + item.substr(item.rfind(L'\\'));
      if (!CopyFileExW(item.c_str(), copy.c_str(), nullptr, nullptr, nullptr, 0) || !Flush(copy)) result = 4;
    }
  }
  CoUninitialize();
  return result;
}
