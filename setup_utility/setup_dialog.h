#pragma once

#include <string>

#include "core/setup_update.h"
#include "dialogs/modal_dialog.h"

namespace keepsnap {

// "Morvane Keepsnap Setup": the three choices and the folder name; Update
// applies them.
class SetupDialog : public dlg::ModalDialog, public SetupView {
 public:
  SetupDialog(HINSTANCE instance, SetupPlatform& platform);

  int dateOrder = -1;
  int separator = -1;
  int dateSource = -1;
  std::string folderName;

  // What the update asks of the dialog.
  SetupChoices ReadControls() override;
  void ShowFolderTooLong() override;
  bool Confirm() override;
  void ShowReport(const std::string& text) override;
  void Close() override { OnCancel(); }

 protected:
  void DoDataExchange(dlg::DataExchange& dx) override;
  bool OnInitDialog() override;
  bool OnPaint() override { return PaintMinimisedIcon(icon_); }
  HICON OnQueryDragIcon() override { return icon_; }
  void OnOK() override { ApplySettings(*this, platform_); }
  bool OnCommand(int id) override;

 private:
  SetupPlatform& platform_;
  dlg::Control folderEdit_;
  HICON icon_;
};

}  // namespace keepsnap
