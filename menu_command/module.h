#pragma once

#include <windows.h>

namespace keepsnap {

// The DLL's own handle, for the folder it was installed in.
HMODULE ThisModule();

// Every object the DLL has given out, and every lock on its class factory,
// keeps it loaded (DllCanUnloadNow).
void ObjectMade();
void ObjectGone();

// The DLL's objects come from the process heap, with no C++ library to
// throw when there is none: new gives null then.
struct OnProcessHeap {
  static void* operator new(size_t size) noexcept { return HeapAlloc(GetProcessHeap(), 0, size); }
  static void operator delete(void* object) noexcept { HeapFree(GetProcessHeap(), 0, object); }
};

// The one class: the command on the Windows 11 menu.
extern const CLSID kMenuCommandClass;

}  // namespace keepsnap
