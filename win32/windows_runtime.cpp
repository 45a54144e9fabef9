#include "win32/windows_runtime.h"

#include "win32/handles.h"
#include "win32/winrt_deployment.h"

namespace keepsnap {

WindowsRuntime::WindowsRuntime() : combase_("combase.dll") {
  initialize_ = combase_.Find<HRESULT(WINAPI*)(int)>("RoInitialize");
  uninitialize_ = combase_.Find<void(WINAPI*)()>("RoUninitialize");
  activate_ = combase_.Find<HRESULT(WINAPI*)(HSTRING, IInspectable**)>("RoActivateInstance");
  factory_ = combase_.Find<HRESULT(WINAPI*)(HSTRING, REFIID, void**)>("RoGetActivationFactory");
  create_ = combase_.Find<HRESULT(WINAPI*)(LPCWSTR, UINT32, HSTRING*)>("WindowsCreateString");
  delete_ = combase_.Find<HRESULT(WINAPI*)(HSTRING)>("WindowsDeleteString");
  if (initialize_ == nullptr || uninitialize_ == nullptr || activate_ == nullptr || factory_ == nullptr ||
      create_ == nullptr || delete_ == nullptr)
    return;
  const HRESULT initialized = initialize_(1 /* RO_INIT_MULTITHREADED */);
  ownsInit_ = SUCCEEDED(initialized);
  ready_ = ownsInit_ || initialized == RPC_E_CHANGED_MODE;
}

WindowsRuntime::~WindowsRuntime() {
  if (ownsInit_) uninitialize_();
}

HRESULT WindowsRuntime::Activate(const wchar_t* name, const IID& iid, void** out) {
  HSTRING text = nullptr;
  HRESULT result = create_(name, lstrlenW(name), &text);
  ComPtr<IInspectable> instance;
  if (SUCCEEDED(result)) result = activate_(text, reinterpret_cast<IInspectable**>(instance.Receive()));
  delete_(text);
  return SUCCEEDED(result) ? instance->QueryInterface(iid, out) : result;
}

HRESULT WindowsRuntime::Uri(const std::vector<wchar_t>& text, IInspectable** uri) {
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

HRESULT WindowsRuntime::String(const wchar_t* text, HSTRING* value) { return create_(text, lstrlenW(text), value); }

void WindowsRuntime::Free(HSTRING value) { delete_(value); }

}  // namespace keepsnap
