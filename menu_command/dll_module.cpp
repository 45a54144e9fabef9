// The DLL's module: its handle, and whether it may be unloaded.
#include "menu_command/dll_module.h"

namespace keepsnap {

namespace {

HMODULE module = nullptr;
volatile LONG liveObjects = 0;

}  // namespace

HMODULE ThisModule() { return module; }
void ObjectMade() { InterlockedIncrement(&liveObjects); }
void ObjectGone() { InterlockedDecrement(&liveObjects); }
static bool NothingLive() { return liveObjects == 0; }

}  // namespace keepsnap

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    keepsnap::module = instance;
    DisableThreadLibraryCalls(instance);
  }
  return TRUE;
}

extern "C" HRESULT STDAPICALLTYPE DllCanUnloadNow() { return keepsnap::NothingLive() ? S_OK : S_FALSE; }
