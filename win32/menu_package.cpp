// The Windows 11 menu's package registered for one user through Windows'
// package manager (Windows.Management.Deployment.PackageManager), which only
// the Windows Runtime offers. MinGW-w64 has no header for it, so the few
// interfaces used are declared here, each with only the methods up to the
// last one called, in their vtable order. Their IDs, from published sources:
//   IPackageManager          Wine's include/windows.management.deployment.idl
//   IUriRuntimeClassFactory  Wine's include/windows.foundation.idl
//   IAsyncInfo               Wine's include/asyncinfo.idl (MinGW-w64's asyncinfo.h)
//   IPackageManager9, IAddPackageOptions
//                            Windows.Foundation.UniversalApiContract.winmd of
//                            the Windows SDK (contract 10.0), whose Guid
//                            attributes Microsoft's API reference lists; Wine's
//                            IDL names IPackageManager9 without its ID.
// The Windows Runtime's calls are looked up, not imported: the programs and
// the installer's DLL still start on Windows 7, which has none.
#include "win32/menu_package.h"

#include <inspectable.h>

#include <vector>

#include "core/path_text.h"
#include "product.h"
#include "win32/handles.h"

namespace keepsnap {

const char kMenuPackageFile[] = "keepsnap-menu.msix";

namespace {

const IID kPackageManagerInterface = {0x9A7D4B65, 0x5E8F, 0x4FC7, {0xA2, 0xE5, 0x7F, 0x69, 0x25, 0xCB, 0x8B, 0x53}};
const IID kPackageManager9Interface = {0x1AA79035, 0xCC71, 0x4B2E, {0x80, 0xA6, 0xC7, 0x04, 0x1D, 0x85, 0x79, 0xA7}};
const IID kAddPackageOptionsInterface = {0x05CEE018, 0xF68F, 0x422B, {0x95, 0xA4, 0x66, 0x67, 0x9E, 0xC7, 0x7F, 0xC0}};
const IID kUriFactoryInterface = {0x44A9796F, 0x723E, 0x4FDF, {0xA2, 0x18, 0x03, 0x3E, 0x75, 0xB0, 0xC0, 0x84}};
const IID kAsyncInfoInterface = {0x00000036, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

// A Windows.Foundation.Uri, an IAsyncOperationWithProgress and a
// PackageVolume are only handed on here: IInspectable is all they need be.
struct IPackageManager : public IInspectable {
  virtual HRESULT STDMETHODCALLTYPE AddPackageAsync(IInspectable*, IInspectable*, UINT32, IInspectable**) = 0;
  virtual HRESULT STDMETHODCALLTYPE UpdatePackageAsync(IInspectable*, IInspectable*, UINT32, IInspectable**) = 0;
  virtual HRESULT STDMETHODCALLTYPE RemovePackageAsync(HSTRING fullName, IInspectable** operation) = 0;
};
struct IPackageManager9 : public IInspectable {
  virtual HRESULT STDMETHODCALLTYPE FindProvisionedPackages(IInspectable**) = 0;
  virtual HRESULT STDMETHODCALLTYPE AddPackageByUriAsync(IInspectable* uri, IInspectable* options,
                                                         IInspectable** operation) = 0;
};
struct IAddPackageOptions : public IInspectable {
  virtual HRESULT STDMETHODCALLTYPE get_DependencyPackageUris(IInspectable**) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_TargetVolume(IInspectable**) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_TargetVolume(IInspectable*) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_OptionalPackageFamilyNames(IInspectable**) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_OptionalPackageUris(IInspectable**) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_RelatedPackageUris(IInspectable**) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_ExternalLocationUri(IInspectable**) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_ExternalLocationUri(IInspectable* uri) = 0;
};
struct IUriRuntimeClassFactory : public IInspectable {
  virtual HRESULT STDMETHODCALLTYPE CreateUri(HSTRING text, IInspectable** uri) = 0;
};
enum AsyncState { kStarted = 0, kCompleted = 1, kCanceled = 2, kError = 3 };
struct IAsyncInfo : public IInspectable {
  virtual HRESULT STDMETHODCALLTYPE get_Id(UINT32*) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_Status(int* status) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_ErrorCode(HRESULT* error) = 0;
};

// Windows 11 is build 22000 and later; no earlier Windows has such a build.
// GetVersionEx answers what the manifest claims, RtlGetVersion what runs.
bool IsWindows11() {
  typedef LONG(WINAPI * RtlGetVersionCall)(OSVERSIONINFOW*);
  const HMODULE ntdll = GetModuleHandleA("ntdll.dll");
  const RtlGetVersionCall get =
      ntdll == nullptr ? nullptr
                       : reinterpret_cast<RtlGetVersionCall>(reinterpret_cast<void*>(GetProcAddress(ntdll, "RtlGetVersion")));
  OSVERSIONINFOW version = {};
  version.dwOSVersionInfoSize = sizeof version;
  return get != nullptr && get(&version) == 0 && version.dwBuildNumber >= 22000;
}

// The Windows Runtime's calls, from combase.dll, for as long as this lives.
class Runtime {
 public:
  Runtime() : combase_(LoadLibraryA("combase.dll")) {
    if (combase_ == nullptr) return;
    initialize_ = Look<HRESULT(WINAPI*)(int)>("RoInitialize");
    uninitialize_ = Look<void(WINAPI*)()>("RoUninitialize");
    activate_ = Look<HRESULT(WINAPI*)(HSTRING, IInspectable**)>("RoActivateInstance");
    factory_ = Look<HRESULT(WINAPI*)(HSTRING, REFIID, void**)>("RoGetActivationFactory");
    create_ = Look<HRESULT(WINAPI*)(LPCWSTR, UINT32, HSTRING*)>("WindowsCreateString");
    delete_ = Look<HRESULT(WINAPI*)(HSTRING)>("WindowsDeleteString");
    if (initialize_ == nullptr || uninitialize_ == nullptr || activate_ == nullptr || factory_ == nullptr ||
        create_ == nullptr || delete_ == nullptr)
      return;
    // A thread COM already serves in its own apartment (msiexec's) is used
    // as it is, and left so.
    const HRESULT initialized = initialize_(1 /* RO_INIT_MULTITHREADED */);
    ownsInit_ = SUCCEEDED(initialized);
    ready_ = ownsInit_ || initialized == RPC_E_CHANGED_MODE;
  }
  ~Runtime() {
    if (ownsInit_) uninitialize_();
    if (combase_ != nullptr) FreeLibrary(combase_);
  }
  Runtime(const Runtime&) = delete;
  Runtime& operator=(const Runtime&) = delete;

  bool Ready() const { return ready_; }

  // A runtime class's instance, asked for as the interface iid.
  HRESULT Activate(const wchar_t* name, const IID& iid, void** out) {
    HSTRING text = nullptr;
    HRESULT result = create_(name, lstrlenW(name), &text);
    ComPtr<IInspectable> instance;
    if (SUCCEEDED(result)) result = activate_(text, reinterpret_cast<IInspectable**>(instance.Receive()));
    delete_(text);
    return SUCCEEDED(result) ? instance->QueryInterface(iid, out) : result;
  }
  HRESULT Uri(const std::vector<wchar_t>& text, IInspectable** uri) {
    ComPtr<IUriRuntimeClassFactory> factory;
    HSTRING name = nullptr, value = nullptr;
    HRESULT result = create_(L"Windows.Foundation.Uri", 22, &name);
    if (SUCCEEDED(result)) result = factory_(name, kUriFactoryInterface, factory.Receive());
    if (SUCCEEDED(result)) result = create_(text.data(), lstrlenW(text.data()), &value);
    if (SUCCEEDED(result)) result = factory->CreateUri(value, uri);
    delete_(value);
    delete_(name);
    return result;
  }
  HRESULT String(const wchar_t* text, HSTRING* value) { return create_(text, lstrlenW(text), value); }
  void Free(HSTRING value) { delete_(value); }

 private:
  template <typename Call>
  Call Look(const char* name) {
    return reinterpret_cast<Call>(reinterpret_cast<void*>(GetProcAddress(combase_, name)));
  }

  HMODULE combase_;
  HRESULT(WINAPI* initialize_)(int) = nullptr;
  void(WINAPI* uninitialize_)() = nullptr;
  HRESULT(WINAPI* activate_)(HSTRING, IInspectable**) = nullptr;
  HRESULT(WINAPI* factory_)(HSTRING, REFIID, void**) = nullptr;
  HRESULT(WINAPI* create_)(LPCWSTR, UINT32, HSTRING*) = nullptr;
  HRESULT(WINAPI* delete_)(HSTRING) = nullptr;
  bool ownsInit_ = false;
  bool ready_ = false;
};

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

// UTF-8 text as the wide text the Windows Runtime takes, NUL-terminated.
std::vector<wchar_t> Wide(const std::string& utf8) {
  const int units = MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, nullptr, 0);
  std::vector<wchar_t> wide(units > 0 ? static_cast<size_t>(units) : 1, L'\0');
  if (units > 0) MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, wide.data(), units);
  return wide;
}

// The package's full name as Windows forms it (name, version, architecture,
// publisher's hash), asked of Windows itself, which has the call from 8 on.
// Declared here as appmodel.h has it, which MinGW-w64 lacks.
struct PackageId {
  UINT32 reserved;
  UINT32 processorArchitecture;
  UINT64 version;  // major, minor, build, revision: 16 bits each, major highest
  PWSTR name;
  PWSTR publisher;
  PWSTR resourceId;
  PWSTR publisherId;
};
HRESULT PackageFullName(wchar_t* fullName, UINT32 room) {
  typedef LONG(WINAPI * FullNameCall)(const PackageId*, UINT32*, PWSTR);
  const HMODULE kernel = GetModuleHandleA("kernel32.dll");
  const FullNameCall get = kernel == nullptr ? nullptr
                                             : reinterpret_cast<FullNameCall>(reinterpret_cast<void*>(
                                                   GetProcAddress(kernel, "PackageFullNameFromId")));
  if (get == nullptr) return HRESULT_FROM_WIN32(ERROR_PROC_NOT_FOUND);
  std::vector<wchar_t> name = Wide(KEEPSNAP_MENU_PACKAGE), publisher = Wide(KEEPSNAP_MENU_PUBLISHER);
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

HRESULT RegisterMenuPackage(const std::string& folder) {
  const std::string package = folder + "\\" + kMenuPackageFile;
  if (GetFileAttributesW(Wide(package).data()) == INVALID_FILE_ATTRIBUTES || !IsWindows11()) return S_FALSE;
  Runtime runtime;
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
    result = runtime.Uri(Wide(FileUri(package)), reinterpret_cast<IInspectable**>(packageUri.Receive()));
  if (SUCCEEDED(result))
    result = runtime.Uri(Wide(FileUri(folder)), reinterpret_cast<IInspectable**>(folderUri.Receive()));
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
  Runtime runtime;
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

std::string MenuPackageOutcome(bool registering, HRESULT result) {
  char code[16];
  wsprintfA(code, "0x%08lX", static_cast<unsigned long>(result));
  const std::string what = std::string(KEEPSNAP_FULL_NAME) + ": the Windows 11 menu's package (" +
                           KEEPSNAP_MENU_PACKAGE + ") ";
  if (result == S_FALSE)
    return what + (registering ? "was not registered: not Windows 11, or no package beside the programs"
                               : "was not removed: not Windows 11");
  if (SUCCEEDED(result)) return what + (registering ? "was registered for this user" : "was removed for this user");
  return what + (registering ? "could not be registered for this user, error " : "could not be removed, error ") +
         code + (registering ? "; the classic entry is there" : "");
}

}  // namespace keepsnap
