#include "core/names.h"

#include <gtest/gtest.h>

namespace keepsnap {
namespace {

BackupSettings Settings(const char* mode, const char* separator, const char* folder = "backup") {
  BackupSettings s;
  s.date_mode = mode;
  s.date_separator = separator;
  s.date_to_use = "0";
  s.backup_folder = folder;
  return s;
}

const CalendarDate kSep20 = {2003, 9, 20};
const CodePage kAnsi;

// Catches a wrong order, separator or padding in the stamp.
TEST(DateStamp, FollowsOrderAndSeparator) {
  EXPECT_EQ("2003-09-20", MakeDateStamp(Settings("0", "1"), kSep20));
  EXPECT_EQ("09-20-2003", MakeDateStamp(Settings("1", "1"), kSep20));
  EXPECT_EQ("09_20_2003", MakeDateStamp(Settings("1", "2"), kSep20));
  EXPECT_EQ("20030920", MakeDateStamp(Settings("0", "0"), kSep20));
  EXPECT_EQ("09.20.2003", MakeDateStamp(Settings("", ""), kSep20));
  EXPECT_EQ("2003.02.05", MakeDateStamp(Settings("0", "3"), CalendarDate{2003, 2, 5}));
  EXPECT_EQ("12.31.1999", MakeDateStamp(Settings("1", "7"), CalendarDate{1999, 12, 31}));
}

// Catches settings compared loosely (prefix, number parsing) instead of exactly.
TEST(DateStamp, OnlyExactTextsSelect) {
  EXPECT_EQ("09.20.2003", MakeDateStamp(Settings("a", "3"), kSep20));
  EXPECT_EQ("09.20.2003", MakeDateStamp(Settings("00", "10"), kSep20));
}

// Catches padding of the year or a missing pad of one-digit fields.
TEST(DateStamp, PadsMonthAndDayOnly) {
  EXPECT_EQ("05", PadTwo("5"));
  EXPECT_EQ("0", PadTwo(""));
  EXPECT_EQ("12", PadTwo("12"));
  EXPECT_EQ("987-01-01", MakeDateStamp(Settings("0", "1"), CalendarDate{987, 1, 1}));
}

struct NameCase {
  const char* path;
  const char* sameFolder;
  const char* backupFolder;
};

// The documented name table: catches a wrong split of folder, base and extension.
TEST(BackupNames, DocumentedExamples) {
  const NameCase cases[] = {
      {"C:\\Docs\\report.txt", "C:\\Docs\\report-2003-09-20.txt", "C:\\Docs\\backup\\report-2003-09-20.txt"},
      {"C:\\Docs\\archive.tar.gz", "C:\\Docs\\archive.tar-2003-09-20.gz",
       "C:\\Docs\\backup\\archive.tar-2003-09-20.gz"},
      {"C:\\Old.Docs\\README", "C:\\Old.Docs\\README-2003-09-20", "C:\\Old.Docs\\backup\\README-2003-09-20"},
      {"C:\\Docs\\.profile", "C:\\Docs\\-2003-09-20.profile", "C:\\Docs\\backup\\-2003-09-20.profile"},
  };
  for (const NameCase& c : cases) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(c.sameFolder, SameFolderTarget(c.path, "2003-09-20", kAnsi));
    EXPECT_EQ(c.backupFolder, BackupFolderTarget(c.path, Settings("0", "1"), "2003-09-20", kAnsi));
  }
}

// Catches an empty folder setting producing a path outside the source folder.
TEST(BackupNames, EmptyFolderSettingStaysBesideSource) {
  EXPECT_EQ("C:\\Docs\\\\", BackupFolderPath("C:\\Docs\\report.txt", Settings("0", "1", ""), kAnsi));
  EXPECT_EQ("C:\\Docs\\\\report-x.txt",
            BackupFolderTarget("C:\\Docs\\report.txt", Settings("0", "1", ""), "x", kAnsi));
}

// Catches a backup name that loses the file's own name when the path has no
// dot or no backslash.
TEST(BackupNames, NameIsNeverLost) {
  EXPECT_EQ("README", StripExtension("README", kAnsi));
  EXPECT_EQ("README-s", SameFolderTarget("README", "s", kAnsi));
  EXPECT_EQ("report.txt", FileNameOf("report.txt", kAnsi));
  EXPECT_EQ("backup\\report-s.txt", BackupFolderTarget("report.txt", Settings("0", "1"), "s", kAnsi));
  EXPECT_EQ(".profile-s", SameFolderTarget(".profile", "s", kAnsi));
  EXPECT_EQ("", ExtensionOf(".profile", kAnsi));
  EXPECT_EQ("", FolderOf("report.txt", kAnsi));
}

// In code page 932, 0x95 0x5C is one character whose second byte is a
// backslash. Catches searches that split inside it.
TEST(BackupNames, DoubleByteTrailBackslashIsNoSeparator) {
  const CodePage sjis = CodePage::ShiftJis();
  const std::string folder = "C:\\Docs\\\x95\x5C";     // a folder named with that character
  const std::string path = folder + "\\report.txt";
  EXPECT_EQ(folder + "\\", FolderOf(path, sjis));
  EXPECT_EQ(folder + "\\report-s.txt", SameFolderTarget(path, "s", sjis));
  EXPECT_EQ(folder + "\\backup\\report-s.txt", BackupFolderTarget(path, Settings("0", "1"), "s", sjis));

  const std::string ext = "C:\\Docs\\r.\x95\x5C";      // the character after the last dot
  EXPECT_EQ(".\x95\x5C", ExtensionOf(ext, sjis));
  EXPECT_EQ("C:\\Docs\\r-s.\x95\x5C", SameFolderTarget(ext, "s", sjis));
  EXPECT_EQ("C:\\Docs\\backup\\r-s.\x95\x5C", BackupFolderTarget(ext, Settings("0", "1"), "s", sjis));

  // The same bytes in a single-byte code page are two characters.
  EXPECT_EQ("", ExtensionOf(ext, kAnsi));
}

// Catches a lead byte at the very end swallowing nothing or running past the end.
TEST(BackupNames, LoneLeadByteAtEnd) {
  const CodePage sjis = CodePage::ShiftJis();
  EXPECT_EQ(1, LastIndexOf("a\\\x95", '\\', sjis));
  EXPECT_EQ(-1, LastIndexOf("\x95.", '.', sjis));
}

// Letters as an edit box counts them: catches counting bytes, or a character
// outside the Basic Multilingual Plane taken as one.
TEST(CodePage, CharacterCount) {
  const CodePage utf8 = CodePage::Utf8(), sjis = CodePage::ShiftJis();
  struct Row {
    const CodePage& cp;
    std::string text;
    std::string::size_type count;
  } rows[] = {
      {utf8, "report", 6},
      {utf8, "\xD0\x9E\xD1\x82\xD1\x87\xD1\x91\xD1\x82", 5},  // Cyrillic, two bytes each
      {utf8, "\xE6\x8A\xA5\xE5\x91\x8A", 2},                      // CJK, three bytes each
      {utf8, "a\xF0\x9F\x93\x84", 3},                              // an emoji is a surrogate pair
      {sjis, "old\x95\x5C", 4},
      {sjis, "a\x95", 2},  // a lead byte at the very end
      {kAnsi, "r\xE9sum\xE9", 6},
  };
  for (const Row& r : rows) EXPECT_EQ(r.count, r.cp.CharacterCount(r.text)) << r.text;
}

// In UTF-8 no byte of a longer character is a backslash or a dot, so names
// split as in a single-byte code page.
TEST(BackupNames, Utf8NamesSplitWhole) {
  const std::string path = "C:\\\xD0\x94\xD0\xBE\xD0\xBA\\\xE6\x8A\xA5.\xD1\x82\xD1\x85\xD1\x82";
  EXPECT_EQ("C:\\\xD0\x94\xD0\xBE\xD0\xBA\\\xE6\x8A\xA5-s.\xD1\x82\xD1\x85\xD1\x82",
            SameFolderTarget(path, "s", CodePage::Utf8()));
}

}  // namespace
}  // namespace keepsnap
