#include "core/settings.h"

#include "core/install_check.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "tests/native/fakes.h"

namespace keepsnap {
namespace {

std::string Sz(const std::string& text) { return text + std::string(1, '\0'); }

// Catches wrong key paths, a wrong order or a wrong room per key.
TEST(ReadSettings, ReadsFourKeysInOrderWithTheirRoom) {
  FakeRegistry registry;
  registry.values[kDateModeKey] = Sz("0");
  registry.values[kDateSeparatorKey] = Sz("1");
  registry.values[kDateToUseKey] = Sz("0");
  registry.values[kBackupFolderKey] = Sz("backup");
  const BackupSettings s = ReadSettings(registry);
  EXPECT_EQ("0", s.date_mode);
  EXPECT_EQ("1", s.date_separator);
  EXPECT_EQ("0", s.date_to_use);
  EXPECT_EQ("backup", s.backup_folder);

  const std::vector<std::pair<std::string, unsigned long>> expected = {
      {"Software\\Morvane\\Keepsnap\\date_mode\\", 2},
      {"Software\\Morvane\\Keepsnap\\date_separator", 2},
      {"Software\\Morvane\\Keepsnap\\date_to_use", 2},
      {"Software\\Morvane\\Keepsnap\\backup_folder", 128}};
  EXPECT_EQ(expected, registry.asked);
}

// Nothing stored: the documented fallbacks.
TEST(ReadSettings, NothingStoredMeansFallbacks) {
  FakeRegistry registry;
  const BackupSettings s = ReadSettings(registry);
  EXPECT_EQ("", s.backup_folder);
  EXPECT_FALSE(YearFirst(s));
  EXPECT_STREQ(".", SeparatorFor(s));
  EXPECT_FALSE(UsesFileDate(s));
}

// A 127-character folder fills the room with its terminator and is read whole.
TEST(ReadSettings, LongestFolderReadWhole) {
  FakeRegistry registry;
  registry.values[kBackupFolderKey] = Sz(std::string(127, 'f'));
  EXPECT_EQ(std::string(127, 'f'), ReadSettings(registry).backup_folder);
}

// Catches garbage or a cut-off name from values that do not fit their room or
// lack their terminator.
TEST(DecodeStoredText, NeverReadsPastWhatFits) {
  EXPECT_EQ("", DecodeStoredText({StoredValue::kTooLong, ""}, kIndexRoom));
  EXPECT_EQ("", DecodeStoredText({StoredValue::kAbsent, ""}, kFolderRoom));
  EXPECT_EQ("1", DecodeStoredText({StoredValue::kRead, "1"}, kIndexRoom));            // no NUL, room for one
  EXPECT_EQ("", DecodeStoredText({StoredValue::kRead, "12"}, kIndexRoom));            // no NUL, no room for one
  EXPECT_EQ("", DecodeStoredText({StoredValue::kRead, std::string(128, 'f')}, kFolderRoom));
  EXPECT_EQ("ab", DecodeStoredText({StoredValue::kRead, std::string("ab\0cd", 5)}, kFolderRoom));
  EXPECT_EQ("", DecodeStoredText({StoredValue::kRead, ""}, kIndexRoom));
}

// Found by fuzzing: more bytes than the room, with a NUL only past it, gave
// a text longer than the room.
TEST(DecodeStoredText, LooksOnlyAtTheRoom) {
  EXPECT_EQ("", DecodeStoredText({StoredValue::kRead, std::string("mmmmmmmmmmmm\0", 13)}, kIndexRoom));
  EXPECT_EQ("m", DecodeStoredText({StoredValue::kRead, std::string("m\0mmm", 5)}, kIndexRoom));
}

// Only "0", "1" and "2" change the separator; only exactly "0" picks year
// first and the file date.
TEST(SettingsMeaning, ExactComparisons) {
  BackupSettings s;
  const char* separators[][2] = {{"0", ""}, {"1", "-"}, {"2", "_"}, {"3", "."}, {"7", "."}, {"", "."}, {"x", "."}};
  for (auto& row : separators) {
    s.date_separator = row[0];
    EXPECT_STREQ(row[1], SeparatorFor(s)) << row[0];
  }
  for (const char* text : {"1", "a", "", " 0"}) {
    s.date_mode = text;
    s.date_to_use = text;
    EXPECT_FALSE(YearFirst(s)) << text;
    EXPECT_FALSE(UsesFileDate(s)) << text;
  }
  s.date_mode = "0";
  s.date_to_use = "0";
  EXPECT_TRUE(YearFirst(s));
  EXPECT_TRUE(UsesFileDate(s));
}

// The installer's check takes what an administrator typed: each row is one
// set of properties and the reasons it must give, empty for an install.
// Catches a rule that drifted from the setup's (a wrong range, a limit
// counted in bytes, a trail byte taken for a forbidden character).
TEST(InstallRefusal, RefusesWhatTheSetupCouldNotHaveWritten) {
  const std::string folder25 = std::string(25, 'f');
  std::string cyrillic25;
  for (int i = 0; i < 25; ++i) cyrillic25 += "\xD0\x96";  // Ж, two bytes each
  struct Row {
    GivenSettings given;
    std::string reasons;
  } rows[] = {
      {{"", "", "", ""}, ""},  // nothing given
      {{"0", "3", "1", folder25}, ""},
      {{"1", "0", "0", cyrillic25}, ""},
      {{"2", "", "", ""}, " DATE_MODE must be 0 (year first) or 1 (month first)."},
      {{"00", "", "", ""}, " DATE_MODE must be 0 (year first) or 1 (month first)."},
      {{"", "4", "", ""}, " DATE_SEPARATOR must be 0 (none), 1 (dash), 2 (underscore) or 3 (period)."},
      {{"", "", "x", ""}, " DATE_TO_USE must be 0 (the file date) or 1 (the system date)."},
      {{"", "", "", folder25 + "f"}, " BACKUP_FOLDER must be 25 characters or less."},
      {{"", "", "", cyrillic25 + "\xD0\x96"}, " BACKUP_FOLDER must be 25 characters or less."},
      {{"", "", "", "a\\b"}, " BACKUP_FOLDER must be a folder name, without any of \\ / : * ? \" < > |."},
      {{"", "", "", "a|b"}, " BACKUP_FOLDER must be a folder name, without any of \\ / : * ? \" < > |."},
      {{"7", "", "", "a*b"},
       " DATE_MODE must be 0 (year first) or 1 (month first). BACKUP_FOLDER must be a folder name, without any of"
       " \\ / : * ? \" < > |."},
  };
  for (const Row& row : rows) {
    const std::string refusal = InstallRefusal(row.given, CodePage::Utf8());
    const std::string expected =
        row.reasons.empty() ? "" : "Morvane Keepsnap was not installed, and nothing was changed:" + row.reasons;
    EXPECT_EQ(expected, refusal) << row.given.dateMode << "|" << row.given.dateSeparator << "|"
                                 << row.given.dateToUse << "|" << row.given.backupFolder;
  }
  // In code page 932 the second byte of 表 is a backslash, and that of ポ a
  // bar: neither is one.
  const GivenSettings japanese = {"", "", "", "\x95\x5C\x83\x7C"};
  EXPECT_EQ("", InstallRefusal(japanese, CodePage::ShiftJis()));
}

}  // namespace
}  // namespace keepsnap
