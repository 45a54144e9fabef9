#pragma once

#include <windows.h>

namespace keepsnap {

// A new command for the Windows 11 menu, asked for as the interface iid.
HRESULT MakeMenuCommand(REFIID iid, void** out);

}  // namespace keepsnap
