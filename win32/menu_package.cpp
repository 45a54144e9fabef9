// The Windows 11 menu's package registered for one user, and removed again,
// through Windows' package manager, which only the Windows Runtime offers
// (win32/windows_runtime.h, its interfaces in win32/winrt_deployment.h).
#include "win32/menu_package.h"

#include <vector>

#include "core/path_text.h"
#include "product.h"
#include "win32/handles.h"
#include "win32/late_bound.h"
#include "win32/text.h"
#include "win32/windows_runtime.h"
#include "win32/winrt_deployment.h"

namespace keepsnap {

const char kMenuPackageFile[] = "keepsnap-menu.msix";

namespace {

// Windows 11 is build 22000 and later; no earlier Windows has such a build.
// GetVersionEx answers what the manifest claims, RtlGetVersion what runs.
bool IsWindows11() {
  typedef LONG(WINAPI * RtlGetVersionCall)(OSVERSIONINFOW*);
  const RtlGetVersionCall get = LateBoundLoaded<RtlGetVersionCall>("ntdll.dll", "RtlGetVersion");
  OSVERSIONINFOW version = {};
  version.dwOSVersionInfoSize = sizeof version;
  return get != nullptr && get(&version) == 0 && version.dwBuildNumber >= 22000;
}

// Waits for a deployment to end; registering takes seconds, a stuck one is
// given up after five minutes.
HRESULT WaitFor(IInspectable* operation) {
  ComPtr<IAsyncInfo> info;
  HRESULT result = operation->QueryInterface(kAsyncInfoInterface, info.Receive());
  if (FAILED(result)) return result;
  for (int waited = 0; waited < 5 * 60 * 20; ++waited) {
    int status = kStarted;
    result = info->get_Status(&status);
    if (FAILED(result)) return result;
    if (status == kCompleted) return S_OK;
    if (status == kCanceled) return E_ABORT;
    if (status == kError) {
      HRESULT error = E_FAIL;
      info->get_ErrorCode(&error);
      return FAILED(error) ? error : E_FAIL;
    }
    Sleep(50);
  }
  return HRESULT_FROM_WIN32(ERROR_TIMEOUT);
}

// The package's full name as Windows forms it (name, version, architecture,
// publisher's hash), asked of Windows itself, which has the call from 8 on.
HRESULT PackageFullName(wchar_t* fullName, UINT32 room) {
  typedef LONG(WINAPI * FullNameCall)(const PackageId*, UINT32*, PWSTR);
  const FullNameCall get = LateBoundLoaded<FullNameCall>("kernel32.dll", "PackageFullNameFromId");
  if (get == nullptr) return HRESULT_FROM_WIN32(ERROR_PROC_NOT_FOUND);
  std::vector<wchar_t> name = ToUtf16(KEEPSNAP_MENU_PACKAGE, CP_UTF8);
  std::vector<wchar_t> publisher = ToUtf16(KEEPSNAP_MENU_PUBLISHER, CP_UTF8);
  const UINT64 numbers[] = {KEEPSNAP_VERSION_NUMBERS};
  PackageId id = {};
  id.processorArchitecture = 11;  // neutral
  id.version = (numbers[0] << 48) | (numbers[1] << 32) | (numbers[2] << 16) | numbers[3];
  id.name = name.data();
  id.publisher = publisher.data();
  const LONG error = get(&id, &room, fullName);
  return error == ERROR_SUCCESS ? S_OK : HRESULT_FROM_WIN32(error);
}

}  // namespace

HRESULT DeployMenuPackage(const std::string& folder) {
  const std::string package = folder + "\\" + kMenuPackageFile;
  if (GetFileAttributesW(ToUtf16(package, CP_UTF8).data()) == INVALID_FILE_ATTRIBUTES || !IsWindows11()) return S_FALSE;
  WindowsRuntime runtime;
  if (!runtime.Ready()) return REGDB_E_CLASSNOTREG;
  ComPtr<IPackageManager9> manager;
  ComPtr<IAddPackageOptions> options;
  ComPtr<IInspectable> packageUri, folderUri, operation;
  HRESULT result = runtime.Activate(L"Windows.Management.Deployment.PackageManager", kPackageManager9Interface,
                                    manager.Receive());
  if (SUCCEEDED(result))
    result = runtime.Activate(L"Windows.Management.Deployment.AddPackageOptions", kAddPackageOptionsInterface,
                              options.Receive());
  if (SUCCEEDED(result))
    result = runtime.Uri(ToUtf16(FileUri(package), CP_UTF8), reinterpret_cast<IInspectable**>(packageUri.Receive()));
  if (SUCCEEDED(result))
    result = runtime.Uri(ToUtf16(FileUri(folder), CP_UTF8), reinterpret_cast<IInspectable**>(folderUri.Receive()));
  if (SUCCEEDED(result)) result = options->put_ExternalLocationUri(folderUri.Get());
  if (SUCCEEDED(result))
    result = manager->AddPackageByUriAsync(packageUri.Get(), reinterpret_cast<IInspectable*>(options.Get()),
                                           reinterpret_cast<IInspectable**>(operation.Receive()));
  return SUCCEEDED(result) ? WaitFor(operation.Get()) : result;
}

HRESULT RemoveMenuPackage() {
  if (!IsWindows11()) return S_FALSE;
  wchar_t fullName[128];  // the longest full name Windows makes is 127
  HRESULT result = PackageFullName(fullName, 128);
  if (FAILED(result)) return result;
  WindowsRuntime runtime;
  if (!runtime.Ready()) return REGDB_E_CLASSNOTREG;
  ComPtr<IPackageManager> manager;
  ComPtr<IInspectable> operation;
  result = runtime.Activate(L"Windows.Management.Deployment.PackageManager", kPackageManagerInterface,
                            manager.Receive());
  HSTRING name = nullptr;
  if (SUCCEEDED(result)) result = runtime.String(fullName, &name);
  if (SUCCEEDED(result)) result = manager->RemovePackageAsync(name, reinterpret_cast<IInspectable**>(operation.Receive()));
  runtime.Free(name);
  return SUCCEEDED(result) ? WaitFor(operation.Get()) : result;
}

}  // namespace keepsnap
