#pragma once

#include "core/setup_update.h"
#include "win32/registry_settings.h"

namespace keepsnap {

class Win32SetupPlatform : public SetupPlatform {
 public:
  Win32SetupPlatform();

  bool OwnPath(std::string* path) override;
  bool WindowsDirectory(std::string* path) override;
  bool CopyFileTo(const std::string& source, const std::string& target) override;
  WriteOutcome RegisterValue(const char* keyPath, const char* valueName, const std::string& text) override;
  WriteOutcome WriteSetting(const char* keyPath, const std::string& text) override;
  const CodePage& AnsiCodePage() override { return codePage_; }
  void RegisterMenuPackage(const std::string& folder) override;

 private:
  RegistrySettings registry_;
  CodePage codePage_;
};

}  // namespace keepsnap
