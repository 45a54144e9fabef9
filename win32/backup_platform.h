#pragma once

#include "core/backup_run.h"
#include "win32/registry_settings.h"

namespace keepsnap {

// The backup run's operations as Win32 calls. The name dialog belongs to the
// program, so AskNewName is left to it.
class Win32BackupPlatform : public BackupPlatform {
 public:
  Win32BackupPlatform();

  void ReadKeyboardState(unsigned char keys[256]) override;
  BackupSettings ReadSettings() override;
  bool LongPathOf(const std::string& path, std::string* longPath) override;
  std::unique_ptr<SourceFile> OpenSource(const std::string& path) override;
  CalendarDate Today() override;
  void CreateFolder(const std::string& path) override;
  CopyOutcome CopyFileTo(const std::string& source, const std::string& target) override;
  bool IsFolder(const std::string& path) override;
  bool PlanFolder(const std::string& path, TreePlan* plan) override;
  bool LocalDateOf(unsigned long long fileTime, CalendarDate* date) override;
  CopyOutcome CopyFolderTo(const std::string& source, const std::string& target, const TreePlan& plan) override;
  void ShowError(const char* text) override;
  const CodePage& AnsiCodePage() override { return codePage_; }

 private:
  RegistrySettings registry_;
  CodePage codePage_;
};

}  // namespace keepsnap
