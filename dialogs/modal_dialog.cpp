#include "dialogs/modal_dialog.h"

#include <cstring>

namespace dlg {

bool ModalDialog::UpdateData(Direction direction) {
  DataExchange exchange(*this, direction);
  DoDataExchange(exchange);
  return !exchange.Failed();
}

void ModalDialog::OnDataValidateError(int controlId, const char* message) {
  ShowMessage(message, "", MB_OK);
  HWND control = GetDlgItem(window_, controlId);
  ::SetFocus(control);
  SendMessageA(control, EM_SETSEL, 0, -1);
}

bool ModalDialog::OnInitDialog() {
  UpdateData(Direction::ToControls);
  return true;
}

void ModalDialog::OnOK() {
  if (UpdateData(Direction::FromControls)) EndDialog(IDOK);
}

void ModalDialog::SetIcons(HICON icon) {
  SendMessageA(window_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
  SendMessageA(window_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
}

bool ModalDialog::PaintMinimisedIcon(HICON icon) {
  if (!IsIconic(window_)) return false;
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(window_, &paint);
  SendMessageA(window_, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
  RECT client;
  GetClientRect(window_, &client);
  const int x = (client.right - client.left - GetSystemMetrics(SM_CXICON) + 1) / 2;
  const int y = (client.bottom - client.top - GetSystemMetrics(SM_CYICON) + 1) / 2;
  DrawIcon(dc, x, y, icon);
  EndPaint(window_, &paint);
  return true;
}

namespace {

// Where the template places the dialog: x and y of an extended template
// (DLGTEMPLATEEX) or of a plain one (DLGTEMPLATE).
bool TemplatePlacedAtOrigin(HINSTANCE instance, int templateId) {
  HRSRC found = FindResourceA(instance, MAKEINTRESOURCEA(templateId), MAKEINTRESOURCEA(5));  // RT_DIALOG
  if (found == nullptr) return false;
  const BYTE* data = static_cast<const BYTE*>(LockResource(LoadResource(instance, found)));
  const DWORD size = SizeofResource(instance, found);
  if (data == nullptr || size < 14) return false;
  WORD version, signature;
  std::memcpy(&version, data, sizeof version);
  std::memcpy(&signature, data + 2, sizeof signature);
  const bool extended = version == 1 && signature == 0xFFFF;
  const DWORD at = extended ? 18 : 10;
  if (size < at + 4) return false;
  short x, y;
  std::memcpy(&x, data + at, sizeof x);
  std::memcpy(&y, data + at + 2, sizeof y);
  return x == 0 && y == 0;
}

}  // namespace

INT_PTR ModalDialog::DoModal(HWND owner) {
  // Decided from the template, not from where the window ends up: a system
  // that keeps windows out of its taskbar moves a dialog at 0, 0 first.
  centre_ = TemplatePlacedAtOrigin(instance_, templateId_);
  return DialogBoxParamA(instance_, MAKEINTRESOURCEA(templateId_), owner, Thunk, reinterpret_cast<LPARAM>(this));
}

// Centred on the work area (the screen less the taskbar) of the monitor the
// dialog is on.
void ModalDialog::CentreOnWorkArea() {
  RECT window;
  GetWindowRect(window_, &window);
  MONITORINFO monitor;
  monitor.cbSize = sizeof monitor;
  if (!GetMonitorInfoA(MonitorFromWindow(window_, MONITOR_DEFAULTTONEAREST), &monitor)) return;
  const RECT& area = monitor.rcWork;
  const int width = window.right - window.left;
  const int height = window.bottom - window.top;
  SetWindowPos(window_, nullptr, area.left + (area.right - area.left - width) / 2,
               area.top + (area.bottom - area.top - height) / 2, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

INT_PTR ModalDialog::OnMessage(UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG: {
      const bool defaultFocus = OnInitDialog();
      if (centre_) CentreOnWorkArea();
      return defaultFocus ? TRUE : FALSE;
    }
    case WM_PAINT:
      return OnPaint() ? TRUE : FALSE;
    case WM_QUERYDRAGICON:
      return reinterpret_cast<INT_PTR>(OnQueryDragIcon());
    case WM_COMMAND:
      if (HIWORD(wParam) != BN_CLICKED) return FALSE;
      switch (LOWORD(wParam)) {
        case IDOK: OnOK(); return TRUE;
        case IDCANCEL: OnCancel(); return TRUE;
        default: return OnCommand(LOWORD(wParam)) ? TRUE : FALSE;
      }
    default:
      return FALSE;
  }
}

INT_PTR CALLBACK ModalDialog::Thunk(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  ModalDialog* dialog;
  if (message == WM_INITDIALOG) {
    dialog = reinterpret_cast<ModalDialog*>(lParam);
    dialog->window_ = window;
    SetWindowLongPtrA(window, DWLP_USER, lParam);
  } else {
    dialog = reinterpret_cast<ModalDialog*>(GetWindowLongPtrA(window, DWLP_USER));
  }
  if (dialog == nullptr) return FALSE;
  // No exception may cross back into the system's dialog manager.
  try {
    return dialog->OnMessage(message, wParam, lParam);
  } catch (...) {
    ::EndDialog(window, -1);
    return TRUE;
  }
}

}  // namespace dlg
