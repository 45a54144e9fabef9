#pragma once

#include <windows.h>

#include "dialogs/data_exchange.h"

namespace dlg {

// A modal dialog from a dialog template resource. One thunk receives every
// message and calls the virtual hooks; each hook returns whether it handled
// the message.
class ModalDialog {
 public:
  ModalDialog(HINSTANCE instance, int templateId) : instance_(instance), templateId_(templateId) {}
  virtual ~ModalDialog() {}

  INT_PTR DoModal(HWND owner = nullptr);
  HWND Window() const { return window_; }
  HINSTANCE Instance() const { return instance_; }

  // Runs data exchange in one direction; false when a validation failed.
  bool UpdateData(Direction direction);
  void EndDialog(INT_PTR result) { ::EndDialog(window_, result); }
  int ShowMessage(const char* text, const char* caption, UINT type) const {
    return MessageBoxA(window_, text, caption, type);
  }
  // Called by DataExchange when a value fails its check.
  virtual void OnDataValidateError(int controlId, const char* message);

 protected:
  virtual void DoDataExchange(DataExchange&) {}
  // Default: fills the controls; true lets the dialog manager set the focus.
  virtual bool OnInitDialog();
  virtual bool OnPaint() { return false; }
  virtual HICON OnQueryDragIcon() { return nullptr; }
  virtual void OnOK();
  virtual void OnCancel() { EndDialog(IDCANCEL); }
  virtual bool OnCommand(int /*id*/) { return false; }

  // For OnPaint: while minimised, erases the icon background and draws the
  // icon centred; false when the window is not minimised.
  bool PaintMinimisedIcon(HICON icon);
  void SetIcons(HICON icon);

 private:
  static INT_PTR CALLBACK Thunk(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
  void CentreOnWorkArea();

  HINSTANCE instance_;
  int templateId_;
  HWND window_ = nullptr;
  bool centre_ = false;  // the template is placed at 0, 0
};

}  // namespace dlg
