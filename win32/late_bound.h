#pragma once

#include <windows.h>

namespace keepsnap {

// A call looked up by name, where an older Windows lacks it or where only
// some runs need the DLL it is in; null when it is not there. Written once,
// so that no use writes out GetProcAddress and its casts.
template <typename Call>
Call LateBound(HMODULE module, const char* name) {
  return module == nullptr ? nullptr : reinterpret_cast<Call>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

// A call of a DLL every process has loaded (kernel32, ntdll).
template <typename Call>
Call LateBoundLoaded(const char* module, const char* name) {
  return LateBound<Call>(GetModuleHandleA(module), name);
}

// A system DLL loaded for the calls a run looks up in it: ole32 for COM,
// combase for the Windows Runtime. Both are known DLLs, always the system's
// own, whatever lies beside the program. Loaded until this goes, or for the
// whole run where a thread of the DLL may outlive the last call.
class SystemLibrary {
 public:
  SystemLibrary() {}  // loads nothing until Load
  explicit SystemLibrary(const char* name, bool keepLoaded = false) { Load(name, keepLoaded); }
  ~SystemLibrary() {
    if (module_ != nullptr && !keepLoaded_) FreeLibrary(module_);
  }
  SystemLibrary(const SystemLibrary&) = delete;
  SystemLibrary& operator=(const SystemLibrary&) = delete;

  bool Load(const char* name, bool keepLoaded = false) {
    if (module_ == nullptr) module_ = LoadLibraryA(name);
    keepLoaded_ = keepLoaded;
    return module_ != nullptr;
  }
  bool Loaded() const { return module_ != nullptr; }
  template <typename Call>
  Call Find(const char* name) const {
    return LateBound<Call>(module_, name);
  }

 private:
  HMODULE module_ = nullptr;
  bool keepLoaded_ = false;
};

}  // namespace keepsnap
