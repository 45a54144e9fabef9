#include "win32/progress_window.h"

#include <objbase.h>
#include <shlobj.h>

#include <cstdio>

#include "product.h"
#include "win32/text.h"

namespace keepsnap {

namespace {

// Defined here rather than linked from a GUID library, as the two calls are.
const CLSID kProgressDialogClass = {0xF8383852, 0xFCD3, 0x11D1, {0xA6, 0xB9, 0x00, 0x60, 0x97, 0xDF, 0x5B, 0xD4}};
const IID kProgressDialogInterface = {0xEBBC7C04, 0x315E, 0x11D2, {0xB6, 0x2F, 0x00, 0x60, 0x97, 0xDF, 0x5B, 0xD4}};

typedef HRESULT(WINAPI* CoInitializeExCall)(LPVOID, DWORD);
typedef HRESULT(WINAPI* CoCreateInstanceCall)(REFCLSID, LPUNKNOWN, DWORD, REFIID, LPVOID*);
typedef void(WINAPI* CoUninitializeCall)();

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

ProgressWindow::ProgressWindow() {}

ProgressWindow::~ProgressWindow() { Close(); }

bool ProgressWindow::Show(const std::string& fileName) {
  // Kept loaded: the dialog's own thread may still be ending when it closes.
  if (!ole32_.Load("ole32.dll", true)) return false;
  const CoInitializeExCall initialize = ole32_.Find<CoInitializeExCall>("CoInitializeEx");
  const CoCreateInstanceCall create = ole32_.Find<CoCreateInstanceCall>("CoCreateInstance");
  if (initialize == nullptr || create == nullptr) return false;
  comStarted_ = SUCCEEDED(initialize(nullptr, COINIT_APARTMENTTHREADED));
  if (FAILED(create(kProgressDialogClass, nullptr, CLSCTX_INPROC_SERVER, kProgressDialogInterface, dialog_.Receive())))
    return false;
  dialog_->SetTitle(ToUtf16(KEEPSNAP_FULL_NAME, CP_UTF8).data());
  dialog_->SetCancelMsg(L"Cancelling...", nullptr);
  dialog_->SetLine(1, ToUtf16("Backing up " + fileName, CP_ACP).data(), FALSE, nullptr);
  if (FAILED(dialog_->StartProgressDialog(nullptr, nullptr, PROGDLG_AUTOTIME | PROGDLG_NOMINIMIZE, nullptr))) {
    dialog_.Reset();
    return false;
  }
  return true;
}

void ProgressWindow::Name(const std::string& fileName) {
  if (dialog_) dialog_->SetLine(1, ToUtf16("Backing up " + fileName, CP_ACP).data(), FALSE, nullptr);
}

void ProgressWindow::Update(unsigned long long done, unsigned long long total) {
  if (!dialog_ || total == 0) return;
  dialog_->SetProgress64(done, total);
  dialog_->SetLine(2, ToUtf16(Amount(done) + " of " + Amount(total), CP_ACP).data(), FALSE, nullptr);
}

bool ProgressWindow::Cancelled() { return dialog_ && dialog_->HasUserCancelled(); }

void ProgressWindow::Close() {
  if (dialog_) {
    dialog_->StopProgressDialog();
    dialog_.Reset();
  }
  if (comStarted_) {
    const CoUninitializeCall uninitialize = ole32_.Find<CoUninitializeCall>("CoUninitialize");
    if (uninitialize != nullptr) uninitialize();
    comStarted_ = false;
  }
}

}  // namespace keepsnap
