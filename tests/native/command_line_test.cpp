#include "core/command_line.h"
#include "core/dropped_files.h"

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

// COM's start of the server, never a path; catches a path taken for it.
TEST(CommandLine, ComStartIsExactlyEmbedding) {
  for (const char* start : {"-Embedding", "/Embedding", "-embedding", "/EMBEDDING"}) EXPECT_TRUE(IsComStart(start)) << start;
  for (const char* path : {"", "-Embedding ", "Embedding", "-Embeddings", "C:\\-Embedding", "\"-Embedding\"", "--Embedding"})
    EXPECT_FALSE(IsComStart(path)) << path;
}

// A CF_HDROP block as the shell hands a selection over, and as the Windows 11
// menu makes one; catches names read past the block's end, a list without
// its end taken whole, and narrow names taken as UTF-16.
TEST(DroppedNames, ReadsWholeBlocksOnly) {
  const auto block = [](unsigned long offset, bool wide, const std::u16string& names) {
    std::vector<unsigned char> bytes(20, 0);
    for (int i = 0; i < 4; ++i) bytes[i] = static_cast<unsigned char>(offset >> (8 * i));
    bytes[16] = wide ? 1 : 0;
    bytes.resize(offset > bytes.size() ? offset : bytes.size(), 0);
    for (char16_t unit : names) {
      bytes.push_back(static_cast<unsigned char>(unit & 0xFF));
      bytes.push_back(static_cast<unsigned char>(unit >> 8));
    }
    return bytes;
  };
  const std::u16string two = std::u16string(u"C:\\\u041e\u0442\u0447\u0451\u0442.txt") + u'\0' +
                             u"C:\\notes \U0001F4C4" + u'\0' + u'\0';
  std::vector<unsigned char> bytes = block(20, true, two);
  std::vector<std::u16string> names;
  ASSERT_TRUE(ReadDroppedNames(bytes.data(), bytes.size(), &names));
  ASSERT_EQ(2u, names.size());
  EXPECT_EQ(u"C:\\\u041e\u0442\u0447\u0451\u0442.txt", names[0]);
  EXPECT_EQ(u"C:\\notes \U0001F4C4", names[1]);
  const char16_t* const written[] = {names[0].c_str(), names[1].c_str()};
  std::vector<unsigned char> made(WriteDroppedNames(written, 2, nullptr), 0xCC);
  EXPECT_EQ(made.size(), WriteDroppedNames(written, 2, made.data()));
  EXPECT_EQ(bytes, made) << "the block handed to the server is not the shell's";

  bytes = block(24, true, std::u16string(u"C:\\a") + u'\0' + u'\0');  // the names further on
  names.clear();
  EXPECT_TRUE(ReadDroppedNames(bytes.data(), bytes.size(), &names));
  EXPECT_EQ(std::vector<std::u16string>{u"C:\\a"}, names);

  const std::vector<std::vector<unsigned char>> broken = {
      block(20, false, std::u16string(u"C:\\a") + u'\0' + u'\0'),  // narrow names
      block(20, true, std::u16string(u"C:\\a") + u'\0'),            // no end of the list
      block(20, true, u"C:\\a"),                                     // cut in a name
      block(8, true, std::u16string(u"C:\\a") + u'\0' + u'\0'),    // names inside the header
      std::vector<unsigned char>(12, 0),                                // no whole header
  };
  for (const std::vector<unsigned char>& bad : broken) {
    names.clear();
    EXPECT_FALSE(ReadDroppedNames(bad.data(), bad.size(), &names)) << bad.size();
  }
  bytes = block(400, true, u"");  // the names past the end
  bytes.resize(30);
  EXPECT_FALSE(ReadDroppedNames(bytes.data(), bytes.size(), &names));
}

}  // namespace
}  // namespace keepsnap
