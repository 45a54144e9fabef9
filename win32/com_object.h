#pragma once

#include <windows.h>
#include <unknwn.h>

namespace keepsnap {

// Counts nothing: an object of a program, which nothing unloads.
struct NoModuleCount {
  static void Made() {}
  static void Gone() {}
};

// What every COM object of this project does alike, in the spirit of WRL's
// RuntimeClass: it comes from the process heap with no C++ library to throw
// (new gives null when there is no memory), counts its references and goes
// with the last, answers QueryInterface for IUnknown and the interfaces it
// names, and, where `Module` counts them (a DLL's DllCanUnloadNow), keeps
// its module loaded while it lives. The class writes only its own methods.
// Its maker holds the first reference.
template <typename Module, typename First, typename... Rest>
class ComObject : public First, public Rest... {
 public:
  static void* operator new(size_t size) noexcept { return HeapAlloc(GetProcessHeap(), 0, size); }
  static void operator delete(void* object) noexcept { HeapFree(GetProcessHeap(), 0, object); }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    if (IsEqualIID(iid, __uuidof(IUnknown))) {
      *out = static_cast<First*>(this);
    } else {
      Offer<First, Rest...>(iid, out);
    }
    if (*out == nullptr) return E_NOINTERFACE;
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&count_)); }
  ULONG STDMETHODCALLTYPE Release() override {
    const LONG left = InterlockedDecrement(&count_);
    if (left == 0) delete this;
    return static_cast<ULONG>(left);
  }

 protected:
  ComObject() { Module::Made(); }
  virtual ~ComObject() { Module::Gone(); }
  // The references held now, the maker's included.
  LONG References() const { return count_; }

 private:
  template <typename Interface>
  void Offer(REFIID iid, void** out) {
    if (*out == nullptr && IsEqualIID(iid, __uuidof(Interface))) *out = static_cast<Interface*>(this);
  }
  template <typename Interface, typename Next, typename... More>
  void Offer(REFIID iid, void** out) {
    Offer<Interface>(iid, out);
    Offer<Next, More...>(iid, out);
  }

  volatile LONG count_ = 1;
};

// A new object of the class asked for as the interface iid: the maker's
// reference handed over, or let go of when the class does not offer it.
template <typename Object>
HRESULT MakeAs(Object* made, REFIID iid, void** out) {
  if (out == nullptr) return E_POINTER;
  *out = nullptr;
  if (made == nullptr) return E_OUTOFMEMORY;
  const HRESULT result = made->QueryInterface(iid, out);
  made->Release();
  return result;
}

}  // namespace keepsnap
