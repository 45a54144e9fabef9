#include "setup_utility/setup_dialog.h"

#include <shellapi.h>

#include "setup_utility/resource.h"

namespace keepsnap {

SetupDialog::SetupDialog(HINSTANCE instance, SetupPlatform& platform)
    : dlg::ModalDialog(instance, IDD_SETUP),
      platform_(platform),
      icon_(LoadIconA(instance, MAKEINTRESOURCEA(IDR_MAINFRAME))) {}

void SetupDialog::DoDataExchange(dlg::DataExchange& dx) {
  dx.Bind(IDC_FOLDER_NAME, folderEdit_);
  dx.Radio(IDC_SEPARATOR_NONE, separator);
  dx.Radio(IDC_FILE_DATE, dateSource);
  dx.Text(IDC_FOLDER_NAME, folderName);
  dx.MaxChars(IDC_FOLDER_NAME, folderName, static_cast<int>(kMaxFolderName));
  dx.Radio(IDC_YEAR_FIRST, dateOrder);
}

bool SetupDialog::OnInitDialog() {
  dlg::ModalDialog::OnInitDialog();
  SetIcons(icon_);
  // Checking an auto radio button gives it WS_TABSTOP, so the dialog
  // manager would start on the date order; the folder box comes first.
  folderEdit_.SetFocus();
  folderEdit_.SelectAll();
  return false;
}

bool SetupDialog::OnCommand(int id) {
  if (id != IDC_HELP_BUTTON) return false;
  ShellExecuteA(nullptr, "open", "help.html", nullptr, nullptr, SW_HIDE);
  return true;
}

SetupChoices SetupDialog::ReadControls() {
  UpdateData(dlg::Direction::FromControls);
  SetupChoices choices = {dateOrder, separator, dateSource, folderName};
  return choices;
}

void SetupDialog::ShowFolderTooLong() {
  ShowMessage(FolderTooLongMessage().c_str(), "", MB_OK);
  folderEdit_.SetFocus();
}

bool SetupDialog::Confirm() { return ShowMessage(kConfirmMessage, kConfirmCaption, MB_YESNO) == IDYES; }

void SetupDialog::ShowReport(const std::string& text) { ShowMessage(text.c_str(), kFinishedCaption, MB_OK); }

}  // namespace keepsnap
