#pragma once

#include <windows.h>

namespace keepsnap {

// The command on the Windows 11 menu: its class, and a new one asked for as
// the interface iid.
extern const CLSID kMenuCommandClass;
HRESULT MakeMenuCommand(REFIID iid, void** out);

}  // namespace keepsnap
