#pragma once

#include <string>

namespace keepsnap {

// The four settings as stored: the text of each key's default value.
struct BackupSettings {
  std::string date_mode;
  std::string date_separator;
  std::string date_to_use;
  std::string backup_folder;
};

// Key paths under HKEY_LOCAL_MACHINE. Both programs use them character for
// character; only date_mode's ends in a backslash.
extern const char kDateModeKey[];
extern const char kDateSeparatorKey[];
extern const char kDateToUseKey[];
extern const char kBackupFolderKey[];

// Bytes the reader gives each query: one character and its terminator for
// the three indexes, 127 characters and the terminator for the folder.
const unsigned long kIndexRoom = 2;
const unsigned long kFolderRoom = 128;

// What one query of a key's default value gave back.
struct StoredValue {
  enum Status {
    kAbsent,   // no key, no value, or access refused
    kRead,     // bytes holds exactly the bytes the query returned
    kTooLong,  // the value did not fit the room (ERROR_MORE_DATA)
  };
  Status status;
  std::string bytes;
};

// The field's text from one query: up to the first NUL of what was returned;
// a missing terminator is supplied when the room had space for it, and a
// value that leaves no room for one counts as not set.
std::string DecodeStoredText(const StoredValue& value, unsigned long room);

class SettingsSource {
 public:
  virtual ~SettingsSource() {}
  virtual StoredValue ReadDefaultValue(const char* keyPath, unsigned long room) = 0;
};

// Never fails: whatever cannot be read is the empty string.
BackupSettings ReadSettings(SettingsSource& source);

struct WriteOutcome {
  bool created;  // the key was created or opened
  bool saved;    // its default value was set
};

class SettingsSink {
 public:
  virtual ~SettingsSink() {}
  // Creates (or opens) the key and sets its default REG_SZ value.
  virtual WriteOutcome WriteSetting(const char* keyPath, const std::string& text) = 0;
};

// Meanings when read; exact comparisons, so anything unexpected takes the
// fallback (month first, ".", today's date).
bool YearFirst(const BackupSettings& settings);
const char* SeparatorFor(const BackupSettings& settings);
bool UsesFileDate(const BackupSettings& settings);

}  // namespace keepsnap
