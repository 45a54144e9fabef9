#include "win32/drop_server.h"

#include <windows.h>
#include <ole2.h>

#include "core/dropped_files.h"
#include "product.h"

namespace keepsnap {

namespace {

// Defined here rather than linked from a GUID library, as the calls are
// looked up: only a run started for a drop loads COM.
const CLSID kDropClass = {KEEPSNAP_DROP_CLSID_FIELDS};
const IID kUnknownInterface = {0x00000000, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
const IID kClassFactoryInterface = {0x00000001, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
const IID kDropTargetInterface = {0x00000122, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

// The shell calls the class at once; a start that is never given a drop
// ends by itself well within COM's own minute.
const DWORD kWaitForDropMs = 30000;
// After Drop, the shell lets go of the receiver; that call is served here.
const DWORD kWaitForReleaseMs = 3000;

typedef HRESULT(WINAPI* CoInitializeExCall)(LPVOID, DWORD);
typedef void(WINAPI* CoUninitializeCall)();
typedef HRESULT(WINAPI* CoRegisterClassObjectCall)(REFCLSID, LPUNKNOWN, DWORD, DWORD, LPDWORD);
typedef HRESULT(WINAPI* CoRevokeClassObjectCall)(DWORD);
typedef void(WINAPI* ReleaseStgMediumCall)(LPSTGMEDIUM);

template <typename Call>
Call Look(HMODULE module, const char* name) {
  return reinterpret_cast<Call>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

// The UTF-16 name as the programs' own text (UTF-8 where Windows honours
// their manifest): a character the code page lacks becomes one the copy
// then fails on, as on the command line.
std::string Narrow(const std::u16string& name) {
  const wchar_t* wide = reinterpret_cast<const wchar_t*>(name.c_str());
  const int length = static_cast<int>(name.size());
  const int bytes = WideCharToMultiByte(CP_ACP, 0, wide, length, nullptr, 0, nullptr, nullptr);
  std::string text(bytes > 0 ? static_cast<size_t>(bytes) : 0, '\0');
  if (bytes > 0) WideCharToMultiByte(CP_ACP, 0, wide, length, &text[0], bytes, nullptr, nullptr);
  return text;
}

// QueryInterface of an object that is its one interface and IUnknown.
template <typename Interface>
HRESULT Answer(Interface* self, const IID& own, REFIID asked, void** out) {
  if (out == nullptr) return E_POINTER;
  if (!IsEqualIID(asked, kUnknownInterface) && !IsEqualIID(asked, own)) {
    *out = nullptr;
    return E_NOINTERFACE;
  }
  *out = self;
  self->AddRef();
  return S_OK;
}

// The one receiver of the drop. It lives on the server's stack; its count
// tells when the shell has let go of it.
class Receiver : public IDropTarget {
 public:
  explicit Receiver(ReleaseStgMediumCall releaseMedium) : releaseMedium_(releaseMedium) {}

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    return Answer(static_cast<IDropTarget*>(this), kDropTargetInterface, iid, out);
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&count_)); }
  ULONG STDMETHODCALLTYPE Release() override { return static_cast<ULONG>(InterlockedDecrement(&count_)); }

  HRESULT STDMETHODCALLTYPE DragEnter(IDataObject*, DWORD, POINTL, DWORD* effect) override {
    if (effect != nullptr) *effect = DROPEFFECT_COPY;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE DragOver(DWORD, POINTL, DWORD* effect) override {
    if (effect != nullptr) *effect = DROPEFFECT_COPY;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE DragLeave() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE Drop(IDataObject* data, DWORD keyState, POINTL, DWORD* effect) override {
    // The ` key has no flag in the drop's key state: it is read now, while
    // the click's keys are still held.
    keys = ModifiersFromDrop(keyState, (GetAsyncKeyState(VK_OEM_3) & 0x8000) != 0);
    FORMATETC format = {CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    STGMEDIUM medium = {};
    if (data != nullptr && SUCCEEDED(data->GetData(&format, &medium))) {
      // The medium is the data object's copy: read, then given back.
      std::vector<std::u16string> names;
      const void* block = medium.tymed == TYMED_HGLOBAL ? GlobalLock(medium.hGlobal) : nullptr;
      if (block != nullptr) {
        ReadDroppedNames(static_cast<const unsigned char*>(block), GlobalSize(medium.hGlobal), &names);
        GlobalUnlock(medium.hGlobal);
      }
      releaseMedium_(&medium);
      for (const std::u16string& name : names) items.push_back(Narrow(name));
    }
    dropped = true;
    if (effect != nullptr) *effect = DROPEFFECT_COPY;
    return S_OK;
  }

  bool Released() const { return count_ <= 1; }  // the server's own reference alone

  bool dropped = false;
  std::vector<std::string> items;
  ModifierState keys = {false, false};

 private:
  ReleaseStgMediumCall releaseMedium_;
  volatile LONG count_ = 1;
};

class Factory : public IClassFactory {
 public:
  explicit Factory(Receiver& receiver) : receiver_(receiver) {}

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    return Answer(static_cast<IClassFactory*>(this), kClassFactoryInterface, iid, out);
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&count_)); }
  ULONG STDMETHODCALLTYPE Release() override { return static_cast<ULONG>(InterlockedDecrement(&count_)); }
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
    if (outer != nullptr) return CLASS_E_NOAGGREGATION;
    return receiver_.QueryInterface(iid, out);
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }

 private:
  Receiver& receiver_;
  volatile LONG count_ = 1;
};

// Serves COM's calls to this thread until `done` or the time is up.
template <typename Done>
void ServeUntil(Done done, DWORD ms) {
  const DWORD start = GetTickCount();
  while (!done()) {
    const DWORD spent = GetTickCount() - start;
    if (spent >= ms) return;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, ms - spent, QS_ALLINPUT);
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageA(&message);
    }
  }
}

}  // namespace

bool ReceiveDrop(std::vector<std::string>* items, ModifierState* keys) {
  // A known DLL: always the system's own, whatever lies beside the program.
  const HMODULE ole32 = LoadLibraryA("ole32.dll");
  if (ole32 == nullptr) return false;
  const CoInitializeExCall initialize = Look<CoInitializeExCall>(ole32, "CoInitializeEx");
  const CoUninitializeCall uninitialize = Look<CoUninitializeCall>(ole32, "CoUninitialize");
  const CoRegisterClassObjectCall registerClass = Look<CoRegisterClassObjectCall>(ole32, "CoRegisterClassObject");
  const CoRevokeClassObjectCall revokeClass = Look<CoRevokeClassObjectCall>(ole32, "CoRevokeClassObject");
  const ReleaseStgMediumCall releaseMedium = Look<ReleaseStgMediumCall>(ole32, "ReleaseStgMedium");
  if (initialize == nullptr || uninitialize == nullptr || registerClass == nullptr || revokeClass == nullptr ||
      releaseMedium == nullptr || FAILED(initialize(nullptr, COINIT_APARTMENTTHREADED)))
    return false;
  Receiver receiver(releaseMedium);
  Factory factory(receiver);
  DWORD cookie = 0;
  if (SUCCEEDED(registerClass(kDropClass, &factory, CLSCTX_LOCAL_SERVER, REGCLS_SINGLEUSE, &cookie))) {
    ServeUntil([&receiver]() { return receiver.dropped; }, kWaitForDropMs);
    if (receiver.dropped) ServeUntil([&receiver]() { return receiver.Released(); }, kWaitForReleaseMs);
    revokeClass(cookie);
  }
  // Whatever COM still holds of the two objects is let go of here, while
  // they live.
  uninitialize();
  if (!receiver.dropped) return false;
  items->swap(receiver.items);
  *keys = receiver.keys;
  return true;
}

}  // namespace keepsnap
