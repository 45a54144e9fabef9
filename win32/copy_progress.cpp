#include "win32/copy_progress.h"

#include <objbase.h>
#include <shlobj.h>

#include <cstdio>
#include <vector>

#include "product.h"

namespace keepsnap {

namespace {

// Defined here rather than linked from a GUID library, as the two calls are.
const CLSID kProgressDialogClass = {0xF8383852, 0xFCD3, 0x11D1, {0xA6, 0xB9, 0x00, 0x60, 0x97, 0xDF, 0x5B, 0xD4}};
const IID kProgressDialogInterface = {0xEBBC7C04, 0x315E, 0x11D2, {0xB6, 0x2F, 0x00, 0x60, 0x97, 0xDF, 0x5B, 0xD4}};

typedef HRESULT(WINAPI* CoInitializeExCall)(LPVOID, DWORD);
typedef HRESULT(WINAPI* CoCreateInstanceCall)(REFCLSID, LPUNKNOWN, DWORD, REFIID, LPVOID*);
typedef void(WINAPI* CoUninitializeCall)();

// The window takes UTF-16 text. Held in a vector: a wide string class would
// bring a large part of the C++ library into the program.
std::vector<wchar_t> Wide(const std::string& text) {
  const int n = MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, nullptr, 0);
  std::vector<wchar_t> wide(n > 0 ? static_cast<size_t>(n) : 1, L'\0');
  if (n > 0) MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, wide.data(), n);
  return wide;
}

// "12.50 MB", in the units Explorer shows; whole numbers only, which keeps
// floating-point formatting out of the program.
std::string Amount(unsigned long long bytes) {
  const char* units[] = {"bytes", "KB", "MB", "GB", "TB"};
  int unit = 0;
  unsigned long long scale = 1;
  while (bytes / scale >= 1024 && unit < 4) scale *= 1024, ++unit;
  const unsigned long long hundredths = bytes * 100 / scale;  // no overflow below 160 PB
  char text[32];
  const unsigned whole = static_cast<unsigned>(hundredths / 100), part = static_cast<unsigned>(hundredths % 100);
  if (unit == 0) {
    std::snprintf(text, sizeof text, "%u bytes", whole);
  } else {
    std::snprintf(text, sizeof text, "%u.%02u %s", whole, part, units[unit]);
  }
  return text;
}

}  // namespace

CopyProgress::CopyProgress() {}

CopyProgress::~CopyProgress() { Close(); }

bool CopyProgress::Show(const std::string& fileName) {
  // A known DLL: always the system's own, whatever lies beside the program.
  ole32_ = LoadLibraryA("ole32.dll");
  if (ole32_ == nullptr) return false;
  const CoInitializeExCall initialize =
      reinterpret_cast<CoInitializeExCall>(reinterpret_cast<void*>(GetProcAddress(ole32_, "CoInitializeEx")));
  const CoCreateInstanceCall create =
      reinterpret_cast<CoCreateInstanceCall>(reinterpret_cast<void*>(GetProcAddress(ole32_, "CoCreateInstance")));
  if (initialize == nullptr || create == nullptr) return false;
  comStarted_ = SUCCEEDED(initialize(nullptr, COINIT_APARTMENTTHREADED));
  if (FAILED(create(kProgressDialogClass, nullptr, CLSCTX_INPROC_SERVER, kProgressDialogInterface, dialog_.Receive())))
    return false;
  dialog_->SetTitle(Wide(KEEPSNAP_FULL_NAME).data());
  dialog_->SetCancelMsg(L"Cancelling...", nullptr);
  dialog_->SetLine(1, Wide("Backing up " + fileName).data(), FALSE, nullptr);
  if (FAILED(dialog_->StartProgressDialog(nullptr, nullptr, PROGDLG_AUTOTIME | PROGDLG_NOMINIMIZE, nullptr))) {
    dialog_.Reset();
    return false;
  }
  return true;
}

void CopyProgress::Name(const std::string& fileName) {
  if (dialog_) dialog_->SetLine(1, Wide("Backing up " + fileName).data(), FALSE, nullptr);
}

void CopyProgress::Update(unsigned long long done, unsigned long long total) {
  if (!dialog_ || total == 0) return;
  dialog_->SetProgress64(done, total);
  dialog_->SetLine(2, Wide(Amount(done) + " of " + Amount(total)).data(), FALSE, nullptr);
}

bool CopyProgress::Cancelled() { return dialog_ && dialog_->HasUserCancelled(); }

void CopyProgress::Close() {
  if (dialog_) {
    dialog_->StopProgressDialog();
    dialog_.Reset();
  }
  if (comStarted_) {
    const CoUninitializeCall uninitialize =
        reinterpret_cast<CoUninitializeCall>(reinterpret_cast<void*>(GetProcAddress(ole32_, "CoUninitialize")));
    if (uninitialize != nullptr) uninitialize();
    comStarted_ = false;
  }
  // The library stays loaded: the dialog's own thread may still be ending.
}

}  // namespace keepsnap
