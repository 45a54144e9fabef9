// The command on Windows 11's own right-click menu. It does no backup of its
// own: it hands the selection to snapcopy.exe's DropTarget, the way the
// classic menu's verb does, so that both menus run the same one run. It is
// built without exceptions, so none can cross into the shell.
#include "menu_command/menu_command.h"

#include <ocidl.h>
#include <shlwapi.h>
#include <shobjidl.h>

#include "core/path_text.h"
#include "menu_command/dll_module.h"
#include "menu_command/dropped_data.h"
#include "product.h"
#include "win32/com_object.h"
#include "win32/handles.h"
#include "win32/text.h"

namespace keepsnap {

const CLSID kMenuCommandClass = {KEEPSNAP_MENU_CLSID_FIELDS};

namespace {

const CLSID kDropClass = {KEEPSNAP_DROP_CLSID_FIELDS};
// Room for any path Windows gives a module, long paths included.
const DWORD kLongestPath = 32768;

// Text for the shell, which frees it with CoTaskMemFree: the two parts one
// after the other.
HRESULT ShellText(const wchar_t* first, const wchar_t* second, LPWSTR* out) {
  if (out == nullptr) return E_POINTER;
  const size_t firstLength = lstrlenW(first), secondLength = lstrlenW(second);
  *out = static_cast<LPWSTR>(CoTaskMemAlloc((firstLength + secondLength + 1) * sizeof(wchar_t)));
  if (*out == nullptr) return E_OUTOFMEMORY;
  CopyMemory(*out, first, firstLength * sizeof(wchar_t));
  CopyMemory(*out + firstLength, second, (secondLength + 1) * sizeof(wchar_t));
  return S_OK;
}

// The verb's name: the product's facts are UTF-8 text.
HRESULT Title(LPWSTR* out) {
  if (out == nullptr) return E_POINTER;
  *out = nullptr;
  const bool made = Utf16Into(KEEPSNAP_VERB, sizeof KEEPSNAP_VERB - 1, CP_UTF8, [out](size_t count) {
    return *out = static_cast<LPWSTR>(CoTaskMemAlloc(count * sizeof(wchar_t)));
  });
  return made ? S_OK : E_OUTOFMEMORY;
}

// snapcopy.exe's own icon, from the folder this DLL was installed in, which
// holds the program too.
HRESULT Icon(LPWSTR* out) {
  if (out == nullptr) return E_POINTER;
  *out = nullptr;
  wchar_t* path = static_cast<wchar_t*>(CoTaskMemAlloc(kLongestPath * sizeof(wchar_t)));
  if (path == nullptr) return E_OUTOFMEMORY;
  const DWORD length = GetModuleFileNameW(ThisModule(), path, kLongestPath);
  HRESULT result = E_FAIL;
  if (length > 0 && length < kLongestPath) {
    wchar_t* name = path;
    for (wchar_t* at = path; *at != 0; ++at)
      if (IsPathSeparator(*at)) name = at + 1;
    *name = 0;
    result = ShellText(path, L"" KEEPSNAP_COPY_PROGRAM ",0", out);
  }
  CoTaskMemFree(path);
  return result;
}

// Each item's file-system path, in order, for the caller to free with
// FreePaths; false when one has none (a library, the Recycle Bin, This PC)
// or is a drive's or a share's root, which has no name to date, as the
// classic entry is on files and folders alone.
bool FileSystemPaths(IShellItemArray* items, LPWSTR** paths, DWORD* count) {
  if (paths != nullptr) *paths = nullptr;
  *count = 0;
  DWORD total = 0;
  if (items == nullptr || FAILED(items->GetCount(&total)) || total == 0) return false;
  LPWSTR* found = nullptr;
  if (paths != nullptr) {
    found = static_cast<LPWSTR*>(CoTaskMemAlloc(total * sizeof(LPWSTR)));
    if (found == nullptr) return false;
    *paths = found;
  }
  for (DWORD i = 0; i < total; ++i) {
    ComPtr<IShellItem> item;
    if (FAILED(items->GetItemAt(i, reinterpret_cast<IShellItem**>(item.Receive())))) return false;
    SFGAOF attributes = 0;
    if (FAILED(item->GetAttributes(SFGAO_FILESYSTEM, &attributes)) || !(attributes & SFGAO_FILESYSTEM)) return false;
    LPWSTR path = nullptr;
    if (FAILED(item->GetDisplayName(SIGDN_FILESYSPATH, &path))) return false;
    if (PathIsRootW(path)) {
      CoTaskMemFree(path);
      return false;
    }
    if (found != nullptr) {
      found[(*count)++] = path;
    } else {
      CoTaskMemFree(path);
    }
  }
  return true;
}

void FreePaths(LPWSTR* paths, DWORD count) {
  for (DWORD i = 0; i < count; ++i) CoTaskMemFree(paths[i]);
  CoTaskMemFree(paths);
}

// The selection handed to snapcopy.exe's DropTarget, which COM starts from
// the class's registration, and which returns once it has the items.
HRESULT HandOver(const LPWSTR* paths, DWORD count, DWORD keyState) {
  ComPtr<IDataObject> data;
  *data.Receive() = MakeDroppedData(paths, count);
  if (!data) return E_OUTOFMEMORY;
  ComPtr<IDropTarget> target;
  HRESULT result = CoCreateInstance(kDropClass, nullptr, CLSCTX_LOCAL_SERVER, IID_IDropTarget, target.Receive());
  if (FAILED(result)) return result;
  // The name dialog and the message box may then come to the front.
  CoAllowSetForegroundWindow(target.Get(), nullptr);
  const POINTL point = {0, 0};
  DWORD effect = DROPEFFECT_COPY;
  result = target->DragEnter(data.Get(), keyState, point, &effect);
  if (FAILED(result)) return result;
  effect = DROPEFFECT_COPY;
  return target->Drop(data.Get(), keyState, point, &effect);
}

class MenuCommand : public ComObject<DllModuleCount, IExplorerCommand, IObjectWithSite> {
 public:
  HRESULT STDMETHODCALLTYPE GetTitle(IShellItemArray*, LPWSTR* name) override { return Title(name); }
  HRESULT STDMETHODCALLTYPE GetIcon(IShellItemArray*, LPWSTR* icon) override { return Icon(icon); }
  HRESULT STDMETHODCALLTYPE GetToolTip(IShellItemArray*, LPWSTR* tip) override {
    if (tip != nullptr) *tip = nullptr;
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE GetCanonicalName(GUID* name) override {
    if (name == nullptr) return E_POINTER;
    *name = kMenuCommandClass;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetState(IShellItemArray* items, BOOL, EXPCMDSTATE* state) override {
    if (state == nullptr) return E_POINTER;
    DWORD count = 0;
    *state = FileSystemPaths(items, nullptr, &count) ? ECS_ENABLED : ECS_HIDDEN;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Invoke(IShellItemArray* items, IBindCtx*) override {
    LPWSTR* paths = nullptr;
    DWORD count = 0;
    HRESULT result = E_INVALIDARG;
    if (FileSystemPaths(items, &paths, &count)) {
      // Shift as it was at the click, which this thread has handled; the
      // server reads the backup folder's key itself.
      result = HandOver(paths, count, MK_LBUTTON | (GetKeyState(VK_SHIFT) < 0 ? MK_SHIFT : 0));
    }
    if (paths != nullptr) FreePaths(paths, count);
    return result;
  }
  HRESULT STDMETHODCALLTYPE GetFlags(EXPCMDFLAGS* flags) override {
    if (flags == nullptr) return E_POINTER;
    *flags = ECF_DEFAULT;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE EnumSubCommands(IEnumExplorerCommand** commands) override {
    if (commands != nullptr) *commands = nullptr;
    return E_NOTIMPL;
  }

  HRESULT STDMETHODCALLTYPE SetSite(IUnknown* site) override {
    site_.Reset();
    if (site != nullptr) {
      site->AddRef();
      *site_.Receive() = site;
    }
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetSite(REFIID iid, void** out) override {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    return site_ ? site_->QueryInterface(iid, out) : E_FAIL;
  }

 private:
  ComPtr<IUnknown> site_;  // held from SetSite until the next, or until this goes
};

}  // namespace

HRESULT MakeMenuCommand(REFIID iid, void** out) { return MakeAs(new MenuCommand(), iid, out); }

}  // namespace keepsnap
