#include "core/names.h"

#include <gtest/gtest.h>

#include "core/dated_copies.h"
#include "tests/native/fakes.h"

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

// Every name the entry gives reads back as the day it was made for, under
// every order and separator, a file's extension behind it or a folder's
// whole name before it, with " (N)" or without; a name of another item, or
// one whose stamp is no day, is none. Catches a stamp read in one order
// only, a separator taken for another, an extension compared by case, and
// a number taken for part of the date.
TEST(DatedNames, EveryNameTheEntryGivesReadsBack) {
  const CalendarDate days[] = {{2003, 9, 20}, {2024, 2, 29}, {1999, 12, 31}, {2010, 1, 5}};
  const struct {
    const char* item;
    SourceKind kind;
  } items[] = {{"C:\\Docs\\report.txt", SourceKind::File},     {"C:\\Docs\\archive.tar.gz", SourceKind::File},
               {"C:\\Old.Docs\\README", SourceKind::File},     {"C:\\Docs\\.profile", SourceKind::File},
               {"C:\\Docs\\Project", SourceKind::Folder},      {"C:\\Docs\\Site.v2", SourceKind::Folder}};
  for (const char* mode : {"0", "1"})
    for (const char* separator : {"0", "1", "2", "3"})
      for (const CalendarDate& day : days)
        for (const auto& item : items) {
          const BackupSettings made = Settings(mode, separator);
          const std::string name =
              FileNameOf(SameFolderTarget(item.item, MakeDateStamp(made, day), kAnsi, item.kind), kAnsi);
          // Read under settings that changed since: the other order.
          const BackupSettings now = Settings(std::string(mode) == "0" ? "1" : "0", "1");
          DatedName dated;
          ASSERT_TRUE(ReadDatedName(name, item.item, item.kind, now, kAnsi, &dated)) << name;
          EXPECT_EQ(day.year * 10000 + day.month * 100 + day.day,
                    dated.date.year * 10000 + dated.date.month * 100 + dated.date.day) << name;
          EXPECT_EQ(0u, dated.number) << name;
          std::string item2;
          ASSERT_TRUE(ItemOfDatedCopy("C:\\Docs\\" + name, item.kind, now, kAnsi, &item2)) << name;
          EXPECT_EQ("C:\\Docs\\" + FileNameOf(item.item, kAnsi), item2) << name;
        }
  const BackupSettings s = Settings("0", "1");
  const struct {
    const char* name;
    const char* item;
    SourceKind kind;
    bool dated;
    unsigned number;
  } rows[] = {
      {"report-2003-09-20 (2).txt", "report.txt", SourceKind::File, true, 2},
      {"REPORT-09.20.2003 (13).TXT", "report.txt", SourceKind::File, true, 13},
      {"Project-20030920 (3)", "Project", SourceKind::Folder, true, 3},
      {"report-2003-09-20 (1).txt", "report.txt", SourceKind::File, false, 0},   // the first is unnumbered
      {"report-2003-09-20 (02).txt", "report.txt", SourceKind::File, false, 0},
      {"report-2003-09-20 ().txt", "report.txt", SourceKind::File, false, 0},
      {"report-2003-13-45.txt", "report.txt", SourceKind::File, false, 0},        // no day
      {"report-2003-02-29.txt", "report.txt", SourceKind::File, false, 0},        // no leap year
      {"report-1900-02-29.txt", "report.txt", SourceKind::File, false, 0},        // a century is none
      {"report-02.29.2000.txt", "report.txt", SourceKind::File, true, 0},         // but every fourth is
      {"report-1600-01-01.txt", "report.txt", SourceKind::File, false, 0},        // before any file time
      {"report-2003-09_20.txt", "report.txt", SourceKind::File, false, 0},        // two separators
      {"report-2003-9-20.txt", "report.txt", SourceKind::File, false, 0},         // unpadded
      {"report-2003-09-20.doc", "report.txt", SourceKind::File, false, 0},        // another extension
      {"reports-2003-09-20.txt", "report.txt", SourceKind::File, false, 0},       // another item
      {"report_2003-09-20.txt", "report.txt", SourceKind::File, false, 0},        // always joined by "-"
      {"report-2003-09-20.txt.bak", "report.txt", SourceKind::File, false, 0},
      {"report-2003-09-20.txt", "report-2003-09-20.txt", SourceKind::File, false, 0},
      {"Site.v2-2003-09-20", "Site.v2", SourceKind::Folder, true, 0},
      {"Site-2003-09-20.v2", "Site.v2", SourceKind::Folder, false, 0},            // a folder's dot is no extension
  };
  for (const auto& row : rows) {
    DatedName dated;
    const std::string item = std::string("C:\\Docs\\") + row.item;
    EXPECT_EQ(row.dated, ReadDatedName(row.name, item, row.kind, s, kAnsi, &dated)) << row.name;
    if (row.dated) {
      EXPECT_EQ(row.number, dated.number) << row.name;
    }
  }
  // Eight digits that are a day both ways are read in the settings' order.
  CalendarDate date;
  ASSERT_TRUE(ReadStamp("01021999", Settings("1", "0"), &date));
  EXPECT_EQ(1, date.month);
  ASSERT_TRUE(ReadStamp("20030920", Settings("1", "0"), &date));
  EXPECT_EQ(2003, date.year) << "a month of 20 is no day: year first, whatever the settings";
  // A double-byte name whose character's second byte is "-" or "."
  // neither ends the item's name nor starts its extension.
  const CodePage sj = CodePage::ShiftJis();
  DatedName dated;
  EXPECT_TRUE(ReadDatedName("\x95\x5C-2003-09-20.\x95\x2E", "C:\\\x95\x5C.\x95\x2E", SourceKind::File, s, sj, &dated));
  std::string item;
  ASSERT_TRUE(ItemOfDatedCopy("C:\\\x95\x5C\\backup\\r-2003-09-20.txt", SourceKind::File, s, sj, &item));
  EXPECT_EQ("C:\\\x95\x5C\\r.txt", item) << "a copy in the backup folder belongs beside it";
  EXPECT_FALSE(ItemOfDatedCopy("C:\\Docs\\-2003-09-20", SourceKind::Folder, s, kAnsi, &item)) << "no name";
  EXPECT_FALSE(ItemOfDatedCopy("C:\\Docs\\report.txt", SourceKind::File, s, kAnsi, &item));
}

// An item's copies beside it and in its backup folder, of its kind alone,
// newest first, one day's by their last write; the backup folder's own
// files, other items' copies and leftovers are not among them.
TEST(DatedNames, FindsAnItemsCopiesNewestFirst) {
  FakeFiles t;
  t.Folder("C:\\Docs");
  t.Folder("C:\\Docs\\backup");
  t.File("C:\\Docs\\report.txt", "now");
  const struct {
    const char* path;
    FileTime time;
  } files[] = {{"C:\\Docs\\report-2003-09-20.txt", 5}, {"C:\\Docs\\report-2003-09-20 (2).txt", 9},
               {"C:\\Docs\\backup\\report-09.21.2003.txt", 1}, {"C:\\Docs\\report-2001-01-01.txt", 7},
               {"C:\\Docs\\backup\\report-2003-09-20.txt", 6}, {"C:\\Docs\\other-2003-09-20.txt", 8},
               {"C:\\Docs\\~report-2003-09-20.txt.keepsnap", 8}, {"C:\\Docs\\report-2003-13-45.txt", 8}};
  for (const auto& f : files) {
    t.File(f.path, "x");
    t.nodes[f.path].time = f.time;
  }
  t.Folder("C:\\Docs\\report-2010-10-10.txt");  // a folder is no file's copy
  const std::vector<DatedCopy> found =
      FindDatedCopies("C:\\Docs\\report.txt", SourceKind::File, Settings("0", "1"), kAnsi, t);
  const std::vector<std::string> expected = {"C:\\Docs\\backup\\report-09.21.2003.txt",
                                             "C:\\Docs\\report-2003-09-20 (2).txt",
                                             "C:\\Docs\\backup\\report-2003-09-20.txt",
                                             "C:\\Docs\\report-2003-09-20.txt", "C:\\Docs\\report-2001-01-01.txt"};
  std::vector<std::string> paths;
  for (const DatedCopy& copy : found) paths.push_back(copy.path);
  EXPECT_EQ(expected, paths);
  ASSERT_EQ(5u, found.size());
  EXPECT_TRUE(found[0].inBackupFolder);
  EXPECT_FALSE(found[1].inBackupFolder);
  const std::vector<std::string> folders = {"C:\\Docs", "C:\\Docs\\backup"};
  EXPECT_EQ(folders, DatedCopyFolders("C:\\Docs\\report.txt", Settings("0", "1"), kAnsi));
  EXPECT_EQ(1u, DatedCopyFolders("C:\\Docs\\report.txt", Settings("0", "1", ""), kAnsi).size())
      << "no backup folder name: the copies lie beside it";
}

}  // namespace
}  // namespace keepsnap
