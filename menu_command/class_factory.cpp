// The DLL's classes and their factory.
#include <unknwn.h>

#include "menu_command/dll_module.h"
#include "menu_command/menu_command.h"
#include "win32/com_object.h"

namespace keepsnap {

namespace {

// Each class the DLL offers, and what makes one.
struct OfferedClass {
  const CLSID* id;
  HRESULT (*make)(REFIID iid, void** out);
};
const OfferedClass kClasses[] = {{&kMenuCommandClass, MakeMenuCommand}};

class Factory : public ComObject<DllModuleCount, IClassFactory> {
 public:
  explicit Factory(const OfferedClass& offered) : offered_(offered) {}

  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    if (outer != nullptr) return CLASS_E_NOAGGREGATION;
    return offered_.make(iid, out);
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
    if (lock) {
      ObjectMade();
    } else {
      ObjectGone();
    }
    return S_OK;
  }

 private:
  const OfferedClass& offered_;
};

}  // namespace

}  // namespace keepsnap

extern "C" HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID clsid, REFIID iid, void** out) {
  if (out == nullptr) return E_POINTER;
  *out = nullptr;
  for (const keepsnap::OfferedClass& offered : keepsnap::kClasses)
    if (IsEqualCLSID(clsid, *offered.id)) return keepsnap::MakeAs(new keepsnap::Factory(offered), iid, out);
  return CLASS_E_CLASSNOTAVAILABLE;
}
