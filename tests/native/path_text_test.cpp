#include "core/path_text.h"

#include <gtest/gtest.h>

#include <string>

#include "core/target_lock.h"

namespace keepsnap {
namespace {

// What a typed path may hold: either separator, any case, a trailing
// separator. Catches a folder taken as inside itself only when spelled alike,
// and a sibling whose name starts alike taken as inside.
TEST(PathText, SameOrBelowAsWindowsCompares) {
  struct Row {
    const char* path;
    const char* folder;
    bool below;
  } rows[] = {
      {"C:\\Docs\\Project", "C:\\Docs\\Project", true},    {"c:\\docs\\PROJECT\\a", "C:\\Docs\\Project", true},
      {"C:\\Docs\\Project/a", "C:\\Docs\\Project", true},   {"C:\\Docs\\Project2", "C:\\Docs\\Project", false},
      {"C:\\Docs\\Proj", "C:\\Docs\\Project", false},       {"C:\\Docs", "C:\\Docs\\Project", false},
      {"C:\\Docs\\Projekt\\a", "C:\\Docs\\Project", false},
  };
  for (const Row& row : rows) EXPECT_EQ(row.below, SameOrBelow(row.path, row.folder, CodePage())) << row.path;
  // Every letter folds, and nothing beside the alphabet: one letter missed
  // and two runs on one target no longer wait for each other, an item named
  // twice is copied twice, a typed path inside the folder is let through.
  for (char lower = 'a'; lower <= 'z'; ++lower) {
    const char upper = static_cast<char>(lower - 'a' + 'A');
    const std::string spelled = std::string("C:\\Docs\\") + lower + "x", other = std::string("c:\\DOCS\\") + upper + "X";
    EXPECT_TRUE(SameName(spelled, other, CodePage())) << lower;
    EXPECT_EQ(FoldedName(spelled, CodePage()), FoldedName(other, CodePage())) << lower;
    EXPECT_TRUE(SameOrBelow(other + "\\in", spelled, CodePage())) << lower;
  }
  for (const char* pair : {"@`", "[{", "\\|", "]}", "^~", "_\x7F", "\xC9\xE9"})
    EXPECT_FALSE(SameName(std::string(1, pair[0]), std::string(1, pair[1]), CodePage())) << "only ASCII letters fold: " << pair;
  // A second byte of code page 932 is no letter: "\x83\x61" and "\x83\x41"
  // are two characters (katakana); in a single-byte code page they end in "a" and "A".
  const std::string lower = "C:\\Docs\\\x83\x61.txt", upper = "C:\\Docs\\\x83\x41.txt";
  EXPECT_FALSE(SameName(lower, upper, CodePage::ShiftJis()));
  EXPECT_NE(TargetLockName(lower, CodePage::ShiftJis()), TargetLockName(upper, CodePage::ShiftJis()));
  EXPECT_FALSE(SameOrBelow("C:\\\x83\x61\\x", "C:\\\x83\x41", CodePage::ShiftJis()));
  EXPECT_TRUE(SameName(lower, upper, CodePage()));
  EXPECT_TRUE(SameName("C:\\\x83\x61\\a.TXT", "c:\\\x83\x61\\A.txt", CodePage::ShiftJis())) << "the rest still folds";
  EXPECT_EQ(9, LastSeparator("C:\\Docs/a\\b", CodePage()));
  EXPECT_EQ(7, LastSeparator("C:\\Docs/ab", CodePage()));
  EXPECT_EQ(2, LastSeparator("C:\\\x95\x5C", CodePage::ShiftJis())) << "a second byte is no separator";
  EXPECT_EQ("C:\\Docs", WithoutTrailingSeparators("C:\\Docs\\/"));
  EXPECT_EQ("\\", WithoutTrailingSeparators("\\"));
  EXPECT_EQ("C:\\Docs\\a", JoinPath("C:\\Docs", "a"));
  EXPECT_EQ("C:\\Docs", JoinPath("C:\\Docs", ""));
}

// Two runs on one file in two spellings must wait for each other: the lock's
// name ignores the case of ASCII letters, and only that.
// The folder handed to the package manager as a file: URI: a space, a
// name in another script, a share, and the characters that would end a URI's
// path or start an escape of their own.
TEST(PathText, FileUriAsThePackageManagerTakesIt) {
  const struct {
    const char* path;
    const char* uri;
  } rows[] = {
      {"C:\\Program Files (x86)\\Morvane\\Keepsnap", "file:///C:/Program%20Files%20(x86)/Morvane/Keepsnap"},
      {"C:\\Docs\\\u041e\u0442\u0447\u0451\u0442", "file:///C:/Docs/%D0%9E%D1%82%D1%87%D1%91%D1%82"},
      {"\\\\server\\share\\Keepsnap", "file://server/share/Keepsnap"},
      {"C:\\100% #1?\\x", "file:///C:/100%25%20%231%3F/x"},
  };
  for (const auto& row : rows) EXPECT_EQ(row.uri, FileUri(row.path)) << row.path;
}

TEST(TargetLock, OneLockPerTarget) {
  const std::string lock = TargetLockName("C:\\Docs\\Report-2003-09-20.txt", CodePage());
  EXPECT_EQ(lock, TargetLockName("c:\\docs\\report-2003-09-20.TXT", CodePage()));
  EXPECT_EQ(0u, lock.find("Local\\Keepsnap backup "));
  EXPECT_EQ(std::string::npos, lock.find('\\', 6)) << "a mutex name holds no backslash after its namespace";
  for (const char* other : {"C:\\Docs\\Report-2003-09-21.txt", "C:\\Docs\\Report-2003-09-20.txt.bak",
                            "C:\\Docs\\backup\\Report-2003-09-20.txt", "C:\\Docs\\R\xC3\xA9port-2003-09-20.txt"})
    EXPECT_NE(lock, TargetLockName(other, CodePage())) << other;
}

}  // namespace
}  // namespace keepsnap
