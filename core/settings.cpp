#include "core/settings.h"

#include <cstring>

#include "product.h"

namespace keepsnap {

const char kDateModeKey[] = KEEPSNAP_SETTINGS_KEY "\\date_mode\\";
const char kDateSeparatorKey[] = KEEPSNAP_SETTINGS_KEY "\\date_separator";
const char kDateToUseKey[] = KEEPSNAP_SETTINGS_KEY "\\date_to_use";
const char kBackupFolderKey[] = KEEPSNAP_SETTINGS_KEY "\\backup_folder";

std::string DecodeStoredText(const StoredValue& value, unsigned long room) {
  if (value.status != StoredValue::kRead) return std::string();
  // Nothing past the room is ever looked at, whatever the caller passed.
  const std::string bytes = value.bytes.substr(0, room);
  const std::string::size_type end = bytes.find('\0');
  if (end != std::string::npos) return bytes.substr(0, end);
  // No terminator among the returned bytes. If they filled the room the
  // value is longer than the room allows: a cut-off name must not be used.
  if (bytes.size() >= room) return std::string();
  return bytes;
}

BackupSettings ReadSettings(SettingsSource& source) {
  BackupSettings settings;
  settings.date_mode = DecodeStoredText(source.ReadDefaultValue(kDateModeKey, kIndexRoom), kIndexRoom);
  settings.date_separator =
      DecodeStoredText(source.ReadDefaultValue(kDateSeparatorKey, kIndexRoom), kIndexRoom);
  settings.date_to_use = DecodeStoredText(source.ReadDefaultValue(kDateToUseKey, kIndexRoom), kIndexRoom);
  settings.backup_folder =
      DecodeStoredText(source.ReadDefaultValue(kBackupFolderKey, kFolderRoom), kFolderRoom);
  return settings;
}

bool YearFirst(const BackupSettings& settings) { return settings.date_mode == "0"; }

const char* SeparatorFor(const BackupSettings& settings) {
  if (settings.date_separator == "0") return "";
  if (settings.date_separator == "1") return "-";
  if (settings.date_separator == "2") return "_";
  return ".";
}

const char kFolderNameForbidden[] = "\\/:*?\"<>|";

bool IsIndexText(const std::string& text, int count) {
  return text.size() == 1 && text[0] >= '0' && text[0] < '0' + count;
}

bool FolderNameFits(const std::string& name, const CodePage& cp) {
  return cp.CharacterCount(name) <= kMaxFolderName;
}

bool FolderNameAllowed(const std::string& name, const CodePage& cp) {
  for (std::string::size_type i = 0; i < name.size(); i += cp.CharacterSize(name, i)) {
    if (cp.CharacterSize(name, i) == 1 && name[i] != '\0' && std::strchr(kFolderNameForbidden, name[i]) != nullptr)
      return false;
  }
  return true;
}

bool UsesFileDate(const BackupSettings& settings) { return settings.date_to_use == "0"; }

}  // namespace keepsnap
