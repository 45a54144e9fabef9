#include "win32/dll_search.h"

#include <windows.h>

#include "win32/late_bound.h"

namespace keepsnap {

void RestrictDllSearchToSystem() {
  // Not in every KERNEL32 these programs start with (Windows 7 has it only
  // with update KB2533623), so it is looked up rather than imported.
  typedef BOOL(WINAPI * SetDefaultDllDirectoriesCall)(DWORD);
  const SetDefaultDllDirectoriesCall setDefault =
      LateBoundLoaded<SetDefaultDllDirectoriesCall>("kernel32.dll", "SetDefaultDllDirectories");
  if (setDefault != nullptr && setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32)) return;
  // Without it, at least the current folder leaves the search; the program's
  // own folder stays, which only the newer call can take out.
  SetDllDirectoryA("");
}

}  // namespace keepsnap
