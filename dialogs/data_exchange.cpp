#include "dialogs/data_exchange.h"

#include "core/sized_read.h"

#include <cstdio>
#include <vector>

#include "dialogs/modal_dialog.h"
#include "win32/text.h"

namespace dlg {

namespace {

bool IsRadioButton(HWND control) {
  const LONG_PTR type = GetWindowLongPtrA(control, GWL_STYLE) & 0x0F;  // BS_TYPEMASK
  return type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON;
}

}  // namespace

void DataExchange::Bind(int id, Control& control) {
  if (failed_) return;
  control.Attach(GetDlgItem(dialog_.Window(), id));
}

void DataExchange::Text(int id, std::string& value) {
  if (failed_) return;
  HWND control = GetDlgItem(dialog_.Window(), id);
  if (direction_ == Direction::ToControls) {
    SetWindowTextA(control, value.c_str());
    return;
  }
  // The length is a hint: a text that fills the buffer may have been cut,
  // and is read again with room for the most the box holds, in UTF-8.
  value.clear();
  keepsnap::ReadGrowing(
      [control](char* buffer, unsigned size) -> unsigned {
        const int length = GetWindowTextA(control, buffer, static_cast<int>(size));
        if (length <= 0) return 0;
        if (static_cast<unsigned>(length) + 1 < size) return static_cast<unsigned>(length);
        const LRESULT limit = SendMessageA(control, EM_GETLIMITTEXT, 0, 0);
        const unsigned most = limit > 0 && limit < 0x100000 ? static_cast<unsigned>(limit) * 3 + 1 : 0x300000;
        return most > size ? most : size * 2;  // a text that just filled the room asks for more
      },
      static_cast<unsigned>(GetWindowTextLengthA(control)) + 1, &value);
}

void DataExchange::Radio(int firstId, int& index) {
  if (failed_) return;
  HWND control = GetDlgItem(dialog_.Window(), firstId);
  if (direction_ == Direction::FromControls) index = -1;
  int position = 0;
  while (control != nullptr) {
    if (IsRadioButton(control)) {
      if (direction_ == Direction::ToControls) {
        SendMessageA(control, BM_SETCHECK, position == index ? BST_CHECKED : BST_UNCHECKED, 0);
      } else if (SendMessageA(control, BM_GETCHECK, 0, 0) == BST_CHECKED) {
        index = position;
      }
      ++position;
    }
    control = GetWindow(control, GW_HWNDNEXT);
    if (control != nullptr && (GetWindowLongPtrA(control, GWL_STYLE) & WS_GROUP)) break;
  }
}

void DataExchange::MaxChars(int id, const std::string& value, int count) {
  if (failed_) return;
  if (direction_ == Direction::ToControls) {
    SendMessageA(GetDlgItem(dialog_.Window(), id), EM_LIMITTEXT, static_cast<WPARAM>(count), 0);
    return;
  }
  // Characters, as the box's limit counts them, not bytes of the code page.
  const int characters = static_cast<int>(keepsnap::ToUtf16(value, CP_ACP).size()) - 1;
  if (characters <= count) return;
  failed_ = true;
  char message[64];
  std::snprintf(message, sizeof message, "Enter no more than %d characters.", count);
  dialog_.OnDataValidateError(id, message);
}

}  // namespace dlg
