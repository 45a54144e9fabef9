#pragma once

#include <windows.h>
#include <unknwn.h>

namespace keepsnap {

// The DLL's own handle, for the folder it was installed in.
HMODULE ThisModule();

// Every object the DLL has given out, and every lock on its class factory,
// keeps it loaded (DllCanUnloadNow).
void ObjectMade();
void ObjectGone();

// What every object the DLL gives out does alike: it comes from the process
// heap, with no C++ library to throw when there is none (new gives null
// then), it keeps the DLL loaded while it lives, and it counts its
// references and goes with the last.
class DllObject {
 public:
  static void* operator new(size_t size) noexcept { return HeapAlloc(GetProcessHeap(), 0, size); }
  static void operator delete(void* object) noexcept { HeapFree(GetProcessHeap(), 0, object); }

 protected:
  DllObject() { ObjectMade(); }
  virtual ~DllObject() { ObjectGone(); }
  ULONG Referenced() { return static_cast<ULONG>(InterlockedIncrement(&count_)); }
  ULONG Unreferenced() {
    const LONG left = InterlockedDecrement(&count_);
    if (left == 0) delete this;
    return static_cast<ULONG>(left);
  }
  // QueryInterface's answer: the object as the interface asked for, held
  // once more, or E_NOINTERFACE for null.
  static HRESULT Answer(IUnknown* as, void** out) {
    if (out == nullptr) return E_POINTER;
    *out = as;
    if (as == nullptr) return E_NOINTERFACE;
    as->AddRef();
    return S_OK;
  }

 private:
  volatile LONG count_ = 1;
};

// The one class: the command on the Windows 11 menu.
extern const CLSID kMenuCommandClass;

}  // namespace keepsnap
