#include "core/command_line.h"

#include <gtest/gtest.h>

namespace keepsnap {
namespace {

// Catches a split that keeps part of the program name or loses part of the path.
TEST(CommandLine, PathFollowsProgramName) {
  EXPECT_EQ("C:\\Docs\\report.txt", PathFromCommandLine("snapcopy.exe C:\\Docs\\report.txt"));
  EXPECT_EQ("C:\\My Docs\\a b.txt", PathFromCommandLine("\"C:\\Win dows\\snapcopy.exe\" C:\\My Docs\\a b.txt"));
  EXPECT_EQ("C:\\x.txt", PathFromCommandLine("\"C:\\snapcopy.exe\"C:\\x.txt"));
  EXPECT_EQ("C:\\x.txt", PathFromCommandLine("snapcopy.exe\t \tC:\\x.txt"));
}

// Trailing blanks belong to the path the shell passed; only leading ones go.
TEST(CommandLine, TrailingBlanksKept) {
  EXPECT_EQ("C:\\x.txt  ", PathFromCommandLine("snapcopy.exe   C:\\x.txt  "));
}

// Catches a run past the end on lines without a path or without a closing quote.
TEST(CommandLine, NoPath) {
  EXPECT_EQ("", PathFromCommandLine("snapcopy.exe"));
  EXPECT_EQ("", PathFromCommandLine("snapcopy.exe    "));
  EXPECT_EQ("", PathFromCommandLine("\"C:\\snapcopy.exe C:\\x.txt"));
  EXPECT_EQ("", PathFromCommandLine(""));
  EXPECT_EQ("", PathFromCommandLine(nullptr));
}

// Bytes above 127 (ANSI letters) are part of the program name, not blanks.
TEST(CommandLine, HighBytesAreNotBlanks) {
  EXPECT_EQ("C:\\\xE9.txt", PathFromCommandLine("snap\xE9.exe C:\\\xE9.txt"));
}

TEST(CommandLine, EnclosingQuotesRemovedOnce) {
  EXPECT_EQ("C:\\a b.txt", WithoutEnclosingQuotes("\"C:\\a b.txt\""));
  EXPECT_EQ("\"x\"", WithoutEnclosingQuotes("\"\"x\"\""));
  EXPECT_EQ("\"", WithoutEnclosingQuotes("\""));
  EXPECT_EQ("C:\\a.txt", WithoutEnclosingQuotes("C:\\a.txt"));
}

}  // namespace
}  // namespace keepsnap
