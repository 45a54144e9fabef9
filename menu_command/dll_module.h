#pragma once

#include <windows.h>

namespace keepsnap {

// The DLL's own handle, for the folder it was installed in.
HMODULE ThisModule();

// Every object the DLL has given out, and every lock on its class factory,
// keeps it loaded (DllCanUnloadNow).
void ObjectMade();
void ObjectGone();

// The count ComObject keeps for the DLL's objects.
struct DllModuleCount {
  static void Made() { ObjectMade(); }
  static void Gone() { ObjectGone(); }
};

}  // namespace keepsnap
