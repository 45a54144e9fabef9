#include "backup_command/snapcopy_user.h"

#include "backup_command/new_name_dialog.h"

namespace keepsnap {

void SnapcopyUser::ShowError(const char* text) { MessageBoxA(nullptr, text, kErrorCaption, MB_OK); }

bool SnapcopyUser::AskNewName(std::string* name) {
  NewNameDialog dialog(instance_);
  dialog.fileName = *name;
  if (dialog.DoModal() != IDOK) return false;
  *name = dialog.fileName;
  return true;
}

}  // namespace keepsnap
