#include "win32/drop_server.h"

#include <windows.h>
#include <ole2.h>

#include "core/dropped_files.h"
#include "product.h"
#include "win32/com_object.h"
#include "win32/handles.h"
#include "win32/late_bound.h"
#include "win32/message_pump.h"
#include "win32/text.h"

namespace keepsnap {

namespace {

const CLSID kDropClass = {KEEPSNAP_DROP_CLSID_FIELDS};

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

// The one receiver of the drop. The server holds the first reference, so
// its count tells when the shell has let go.
class Receiver : public ComObject<NoModuleCount, IDropTarget> {
 public:
  explicit Receiver(ReleaseStgMediumCall releaseMedium) : releaseMedium_(releaseMedium) {}

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
      // The programs' own text (UTF-8 where Windows honours their manifest):
      // a character the code page lacks fails the copy, as on the command line.
      for (const std::u16string& name : names)
        items.push_back(FromUtf16(reinterpret_cast<const wchar_t*>(name.c_str()), name.size(), CP_ACP));
    }
    dropped = true;
    if (effect != nullptr) *effect = DROPEFFECT_COPY;
    return S_OK;
  }

  bool Released() const { return References() <= 1; }  // the server's own alone

  bool dropped = false;
  std::vector<std::string> items;
  ModifierState keys = {false, false};

 private:
  ReleaseStgMediumCall releaseMedium_;
};

class Factory : public ComObject<NoModuleCount, IClassFactory> {
 public:
  explicit Factory(Receiver& receiver) : receiver_(receiver) {}

  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
    if (outer != nullptr) return CLASS_E_NOAGGREGATION;
    return receiver_.QueryInterface(iid, out);
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }

 private:
  Receiver& receiver_;  // lives longer: the server lets go of it last
};

}  // namespace

bool ReceiveDrop(std::vector<std::string>* items, ModifierState* keys) {
  // Only a run started for a drop loads COM. Kept loaded: COM's threads may
  // outlive the last call.
  const SystemLibrary ole32("ole32.dll", true);
  const CoInitializeExCall initialize = ole32.Find<CoInitializeExCall>("CoInitializeEx");
  const CoUninitializeCall uninitialize = ole32.Find<CoUninitializeCall>("CoUninitialize");
  const CoRegisterClassObjectCall registerClass = ole32.Find<CoRegisterClassObjectCall>("CoRegisterClassObject");
  const CoRevokeClassObjectCall revokeClass = ole32.Find<CoRevokeClassObjectCall>("CoRevokeClassObject");
  const ReleaseStgMediumCall releaseMedium = ole32.Find<ReleaseStgMediumCall>("ReleaseStgMedium");
  if (initialize == nullptr || uninitialize == nullptr || registerClass == nullptr || revokeClass == nullptr ||
      releaseMedium == nullptr || FAILED(initialize(nullptr, COINIT_APARTMENTTHREADED)))
    return false;
  ComPtr<Receiver> receiver;
  ComPtr<Factory> factory;
  *receiver.Receive() = new Receiver(releaseMedium);
  if (receiver) *factory.Receive() = new Factory(*receiver.Get());
  DWORD cookie = 0;
  if (factory && SUCCEEDED(registerClass(kDropClass, factory.Get(), CLSCTX_LOCAL_SERVER, REGCLS_SINGLEUSE, &cookie))) {
    PumpUntil([&receiver]() { return receiver->dropped; }, kWaitForDropMs);
    if (receiver->dropped) PumpUntil([&receiver]() { return receiver->Released(); }, kWaitForReleaseMs);
    revokeClass(cookie);
  }
  // Whatever COM still holds of the two objects is let go of here.
  uninitialize();
  if (!receiver || !receiver->dropped) return false;
  items->swap(receiver->items);
  *keys = receiver->keys;
  return true;
}

}  // namespace keepsnap
