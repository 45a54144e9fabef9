#include "backup_command/new_name_dialog.h"

#include "backup_command/resource.h"

namespace keepsnap {

NewNameDialog::NewNameDialog(HINSTANCE instance)
    : dlg::ModalDialog(instance, IDD_NEW_NAME), icon_(LoadIconA(instance, MAKEINTRESOURCEA(IDR_MAINFRAME))) {}

void NewNameDialog::DoDataExchange(dlg::DataExchange& dx) {
  dx.Bind(IDC_NEW_NAME, edit_);
  dx.Text(IDC_NEW_NAME, fileName);
}

bool NewNameDialog::OnInitDialog() {
  dlg::ModalDialog::OnInitDialog();
  SetIcons(icon_);
  edit_.SetFocus();
  return false;  // the focus is set
}

bool NewNameDialog::OnPaint() {
  if (PaintMinimisedIcon(icon_)) return true;
  // The program has no other window: keep the dialog in front of the shell
  // that started it.
  SetActiveWindow(Window());
  return false;
}

}  // namespace keepsnap
