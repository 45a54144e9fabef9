#pragma once

#include <windows.h>

#include <string>

namespace keepsnap {

// The Windows 11 menu's package, as it lies beside snapcopy.exe and
// keepsnap_menu.dll in the installed folder.
extern const char kMenuPackageFile[];

// Adds the package in the folder (UTF-8 text) for the user who runs this,
// with the folder as its external location, and waits for Windows to have
// it: S_OK then; S_FALSE where there is nothing to do (no package in the
// folder, a Windows older than 11); else the failure, such as no package
// manager, an untrusted signature or a policy.
HRESULT DeployMenuPackage(const std::string& folder);

// Removes the package for the user who runs this: S_OK, S_FALSE where
// Windows is older than 11, or the failure (one when it was not there).
HRESULT RemoveMenuPackage();

}  // namespace keepsnap
