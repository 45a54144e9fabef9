#pragma once

namespace keepsnap {

// Lets Windows load DLLs from the system folder only, not from the program's
// folder or the current one, where a download or a shared folder could have
// put a DLL of the same name. Called first thing in each program.
void RestrictDllSearchToSystem();

}  // namespace keepsnap
