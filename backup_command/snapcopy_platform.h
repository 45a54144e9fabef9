#pragma once

#include <windows.h>

#include "win32/backup_platform.h"

namespace keepsnap {

// The whole backup run as the program does it, name dialog included.
class SnapcopyPlatform : public Win32BackupPlatform {
 public:
  explicit SnapcopyPlatform(HINSTANCE instance) : instance_(instance) {}
  bool AskNewName(std::string* name) override;

 private:
  HINSTANCE instance_;
};

}  // namespace keepsnap
