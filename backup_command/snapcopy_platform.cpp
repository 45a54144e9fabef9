#include "backup_command/snapcopy_platform.h"

#include "backup_command/new_name_dialog.h"

namespace keepsnap {

bool SnapcopyPlatform::AskNewName(std::string* name) {
  NewNameDialog dialog(instance_);
  dialog.fileName = *name;
  if (dialog.DoModal() != IDOK) return false;
  *name = dialog.fileName;
  return true;
}

}  // namespace keepsnap
