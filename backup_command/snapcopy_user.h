#pragma once

#include <windows.h>

#include <string>

#include "core/backup_run.h"

namespace keepsnap {

// The user's side of the run: ownerless message boxes and the name dialog.
class SnapcopyUser : public BackupUser {
 public:
  explicit SnapcopyUser(HINSTANCE instance) : instance_(instance) {}
  void ShowError(const char* text) override;
  bool AskNewName(std::string* name) override;

 private:
  HINSTANCE instance_;
};

}  // namespace keepsnap
