#pragma once

#include <string>

#include "core/code_page.h"

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

// What a setting may hold: what the setup offers. The setup judges only the
// folder name's length; the installer's check, which takes text from a
// command line, judges all of it.
const int kDateOrders = 2;      // 0 year first, 1 month first
const int kDateSeparators = 4;  // 0 none, 1 dash, 2 underscore, 3 period
const int kDateSources = 2;     // 0 the file's date, 1 today's
// Counted as the setup's box counts what it lets a user type.
const std::string::size_type kMaxFolderName = 25;
// The characters no folder name can hold.
extern const char kFolderNameForbidden[];

// The decimal text of an index from 0 to count - 1, as the setup stores it.
bool IsIndexText(const std::string& text, int count);
bool FolderNameFits(const std::string& name, const CodePage& cp);
// False when a character of the name is one of kFolderNameForbidden; the
// second byte of a double-byte character is none of them.
bool FolderNameAllowed(const std::string& name, const CodePage& cp);

}  // namespace keepsnap
