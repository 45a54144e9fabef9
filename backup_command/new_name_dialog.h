#pragma once

#include <string>

#include "dialogs/modal_dialog.h"

namespace keepsnap {

// "Enter New File Name": one edit box holding the backup's full path.
class NewNameDialog : public dlg::ModalDialog {
 public:
  explicit NewNameDialog(HINSTANCE instance);

  std::string fileName;

 protected:
  void DoDataExchange(dlg::DataExchange& dx) override;
  bool OnInitDialog() override;
  bool OnPaint() override;
  HICON OnQueryDragIcon() override { return icon_; }

 private:
  dlg::Control edit_;
  HICON icon_;
};

}  // namespace keepsnap
