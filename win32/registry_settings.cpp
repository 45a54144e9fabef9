#include "win32/registry_settings.h"

#include <windows.h>

#include <vector>

namespace keepsnap {

StoredValue RegistrySettings::ReadDefaultValue(const char* keyPath, unsigned long room) {
  StoredValue value = {StoredValue::kAbsent, std::string()};
  HKEY key;
  // Read access is all a standard user has under HKEY_LOCAL_MACHINE.
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyPath, 0, KEY_READ | KEY_WOW64_32KEY, &key) != ERROR_SUCCESS)
    return value;
  std::vector<BYTE> data(room, 0);
  DWORD size = room;
  const LONG result = RegQueryValueExA(key, "", nullptr, nullptr, data.data(), &size);
  RegCloseKey(key);
  if (result == ERROR_MORE_DATA) {
    value.status = StoredValue::kTooLong;
  } else if (result == ERROR_SUCCESS && size <= room) {
    value.status = StoredValue::kRead;
    value.bytes.assign(reinterpret_cast<const char*>(data.data()), size);
  }
  return value;
}

WriteOutcome RegistrySettings::WriteSetting(const char* keyPath, const std::string& text) {
  WriteOutcome outcome = {false, false};
  HKEY key;
  DWORD disposition;
  char noClass[] = "";
  if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, keyPath, 0, noClass, REG_OPTION_NON_VOLATILE,
                      KEY_READ | KEY_WRITE | KEY_WOW64_32KEY, nullptr, &key, &disposition) != ERROR_SUCCESS)
    return outcome;
  outcome.created = true;
  outcome.saved = RegSetValueExA(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                                 static_cast<DWORD>(text.size() + 1)) == ERROR_SUCCESS;
  RegCloseKey(key);
  return outcome;
}

}  // namespace keepsnap
