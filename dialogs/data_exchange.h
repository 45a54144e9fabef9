#pragma once

#include <windows.h>

#include <string>

namespace dlg {

class ModalDialog;

// A child control of a dialog, bound by id.
class Control {
 public:
  HWND Window() const { return window_; }
  void Attach(HWND window) { window_ = window; }
  void SetFocus() const { ::SetFocus(window_); }
  void SelectAll() const { SendMessageA(window_, EM_SETSEL, 0, -1); }

 private:
  HWND window_ = nullptr;
};

enum class Direction { ToControls, FromControls };

// One pass of data exchange between a dialog's members and its controls.
// The first failed validation stops the pass: later exchanges do nothing.
class DataExchange {
 public:
  DataExchange(ModalDialog& dialog, Direction direction) : dialog_(dialog), direction_(direction) {}

  Direction direction() const { return direction_; }
  bool Failed() const { return failed_; }

  void Bind(int id, Control& control);
  void Text(int id, std::string& value);
  // The index of the checked button in the radio group that starts at
  // firstId and runs to the next WS_GROUP control; -1 when none is checked.
  void Radio(int firstId, int& index);
  // Limits the box while the user types; on reading, a longer text fails.
  void MaxChars(int id, const std::string& value, int count);

 private:
  ModalDialog& dialog_;
  Direction direction_;
  bool failed_ = false;
};

}  // namespace dlg
