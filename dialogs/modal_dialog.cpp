#include "dialogs/modal_dialog.h"

namespace dlg {

INT_PTR ModalDialog::DoModal(HWND owner) {
  return DialogBoxParamA(instance_, MAKEINTRESOURCEA(templateId_), owner, Thunk, reinterpret_cast<LPARAM>(this));
}

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

// A template placed at 0, 0 asks to be centred. DialogBox itself would leave
// it in the corner of the screen (or of the owner).
void ModalDialog::CentreIfPlacedAtOrigin() {
  RECT window;
  GetWindowRect(window_, &window);
  POINT origin = {0, 0};
  HWND owner = GetWindow(window_, GW_OWNER);
  if (owner != nullptr) ClientToScreen(owner, &origin);
  if (window.left != origin.x || window.top != origin.y) return;

  MONITORINFO monitor;
  monitor.cbSize = sizeof monitor;
  GetMonitorInfoA(MonitorFromWindow(window_, MONITOR_DEFAULTTOPRIMARY), &monitor);
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
      CentreIfPlacedAtOrigin();
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
