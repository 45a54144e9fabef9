#pragma once

#include <windows.h>
#include <inspectable.h>

#include <vector>

#include "win32/late_bound.h"

namespace keepsnap {

// The Windows Runtime's calls, looked up in combase.dll for as long as this
// lives: the programs and the installer's DLL still start on Windows 7,
// which has none. The thread joins the multithreaded apartment, or is used
// as it is where COM already serves it in its own (msiexec's).
class WindowsRuntime {
 public:
  // Not copied: the library it holds is not.
  WindowsRuntime();
  ~WindowsRuntime();
  bool Ready() const { return ready_; }

  // A runtime class's instance, asked for as the interface iid.
  HRESULT Activate(const wchar_t* name, const IID& iid, void** out);
  // A Windows.Foundation.Uri of the text.
  HRESULT Uri(const std::vector<wchar_t>& text, IInspectable** uri);
  HRESULT String(const wchar_t* text, HSTRING* value);
  void Free(HSTRING value);

 private:
  SystemLibrary combase_;
  HRESULT(WINAPI* initialize_)(int) = nullptr;
  void(WINAPI* uninitialize_)() = nullptr;
  HRESULT(WINAPI* activate_)(HSTRING, IInspectable**) = nullptr;
  HRESULT(WINAPI* factory_)(HSTRING, REFIID, void**) = nullptr;
  HRESULT(WINAPI* create_)(LPCWSTR, UINT32, HSTRING*) = nullptr;
  HRESULT(WINAPI* delete_)(HSTRING) = nullptr;
  bool ownsInit_ = false;
  bool ready_ = false;
};

}  // namespace keepsnap
