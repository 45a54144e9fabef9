// The DLL's COM entry points: one class, its factory, and whether the DLL
// may be unloaded.
#include "menu_command/module.h"

#include <unknwn.h>

#include "menu_command/menu_command.h"
#include "product.h"

namespace keepsnap {

const CLSID kMenuCommandClass = {KEEPSNAP_MENU_CLSID_FIELDS};

namespace {

HMODULE module = nullptr;
volatile LONG liveObjects = 0;

class Factory : public IClassFactory, public DllObject {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    const bool mine = IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IClassFactory);
    return Answer(mine ? static_cast<IClassFactory*>(this) : nullptr, out);
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return Referenced(); }
  ULONG STDMETHODCALLTYPE Release() override { return Unreferenced(); }
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    if (outer != nullptr) return CLASS_E_NOAGGREGATION;
    return MakeMenuCommand(iid, out);
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
    if (lock) {
      ObjectMade();
    } else {
      ObjectGone();
    }
    return S_OK;
  }
};

}  // namespace

HMODULE ThisModule() { return module; }
void ObjectMade() { InterlockedIncrement(&liveObjects); }
void ObjectGone() { InterlockedDecrement(&liveObjects); }

}  // namespace keepsnap

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    keepsnap::module = instance;
    DisableThreadLibraryCalls(instance);
  }
  return TRUE;
}

extern "C" HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID clsid, REFIID iid, void** out) {
  if (out == nullptr) return E_POINTER;
  *out = nullptr;
  if (!IsEqualCLSID(clsid, keepsnap::kMenuCommandClass)) return CLASS_E_CLASSNOTAVAILABLE;
  keepsnap::Factory* factory = new keepsnap::Factory();
  if (factory == nullptr) return E_OUTOFMEMORY;
  const HRESULT result = factory->QueryInterface(iid, out);
  factory->Release();
  return result;
}

extern "C" HRESULT STDAPICALLTYPE DllCanUnloadNow() { return keepsnap::liveObjects == 0 ? S_OK : S_FALSE; }
