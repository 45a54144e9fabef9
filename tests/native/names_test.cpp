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

}  // namespace
}  // namespace keepsnap
