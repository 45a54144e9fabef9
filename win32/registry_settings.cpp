#include "win32/registry_settings.h"

#include <windows.h>

#include <vector>

#include "win32/handles.h"
#include "win32/registry_value.h"

namespace keepsnap {

StoredValue RegistrySettings::ReadDefaultValue(const char* keyPath, unsigned long room) {
  StoredValue value = {StoredValue::kAbsent, std::string()};
  HKEY opened;
  // Read access is all a standard user has under HKEY_LOCAL_MACHINE.
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyPath, 0, KEY_READ | KEY_WOW64_32KEY, &opened) != ERROR_SUCCESS)
    return value;
  const UniqueKey key(opened);
  std::vector<BYTE> data(room, 0);
  DWORD size = room;
  const LONG result = RegQueryValueExA(key.Get(), "", nullptr, nullptr, data.data(), &size);
  if (result == ERROR_MORE_DATA) {
    value.status = StoredValue::kTooLong;
  } else if (result == ERROR_SUCCESS && size <= room) {
    value.status = StoredValue::kRead;
    value.bytes.assign(reinterpret_cast<const char*>(data.data()), size);
  }
  return value;
}

WriteOutcome RegistrySettings::WriteSetting(const char* keyPath, const std::string& text) {
  return WriteStringValue(HKEY_LOCAL_MACHINE, keyPath, "", KEY_READ | KEY_WRITE | KEY_WOW64_32KEY, nullptr, text);
}

}  // namespace keepsnap
