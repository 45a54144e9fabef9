#pragma once

#include "core/settings.h"

namespace keepsnap {

// The four settings keys under HKEY_LOCAL_MACHINE, always in the 32-bit
// registry view: the shipped programs are 32-bit, and a 64-bit build must
// find the settings where they keep them.
class RegistrySettings : public SettingsSource, public SettingsSink {
 public:
  StoredValue ReadDefaultValue(const char* keyPath, unsigned long room) override;
  WriteOutcome WriteSetting(const char* keyPath, const std::string& text) override;
};

}  // namespace keepsnap
