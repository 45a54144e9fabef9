// Bad settings, command lines and targets, each with the outcome a user
// should see: the right copy or a clear message, never a silent failure, and
// no source or unrelated file changed.
#include <gtest/gtest.h>

#include <functional>

#include "core/backup_run.h"
#include "core/settings.h"
#include "tests/wine/wine_support.h"

using namespace winetest;

namespace {

const char kBody[] = "original body";

struct Case {
  const char* what;
  std::function<void(const std::string& folder)> arrange;  // settings and files
  std::function<std::string(const std::string& folder)> commandLinePath;
  const char* keys;         // nullptr: snapcopy.exe as the shell starts it
  const char* message;      // the message box expected, or nullptr
  const char* copy;         // the copy expected (relative to the folder), or nullptr
};

std::string Source(const std::string& folder) { return folder + "\\report.txt"; }

void Settings(const char* mode, const char* separator, const char* toUse, const char* name) {
  StoreSettings(mode, separator, toUse, name);
}

class HostileInput : public ::testing::TestWithParam<Case> {};

TEST_P(HostileInput, ClearOutcomeNothingLost) {
  const Case& c = GetParam();
  DeleteSettings();
  const std::string folder = FreshFolder("hostile");
  MakeDatedFile(Source(folder), kBody, 2003, 9, 20);
  WriteFileBytes(folder + "\\unrelated.txt", "keep me");
  c.arrange(folder);
  const int before = CountFiles(folder);

  const std::string path = c.commandLinePath(folder);
  const std::string line = c.keys == nullptr
                               ? "snapcopy.exe " + path
                               : "\"" + BinDir() + "\\snapcopy_with_keys.exe\" " + c.keys + " " + path;
  Process run(line);
  ASSERT_TRUE(run.Started());
  HWND box = WaitForDialog(keepsnap::kErrorCaption, run.Id(), c.message == nullptr ? 1500 : 10000);
  if (c.message == nullptr) {
    EXPECT_EQ(nullptr, box) << "unexpected message: " << (box ? MessageBoxText(box) : "");
  } else {
    ASSERT_NE(nullptr, box) << "no message";
    EXPECT_EQ(c.message, MessageBoxText(box));
  }
  if (box != nullptr) Click(box, IDOK);
  ASSERT_TRUE(run.WaitForExit(10000));

  std::string bytes;
  ASSERT_TRUE(ReadFileBytes(Source(folder), &bytes));
  EXPECT_EQ(kBody, bytes) << "the source changed";
  ASSERT_TRUE(ReadFileBytes(folder + "\\unrelated.txt", &bytes));
  EXPECT_EQ("keep me", bytes) << "an unrelated file changed";
  if (c.copy != nullptr) {
    ASSERT_TRUE(ReadFileBytes(folder + "\\" + c.copy, &bytes)) << c.copy << " missing";
    EXPECT_EQ(kBody, bytes);
  } else {
    EXPECT_EQ(before, CountFiles(folder)) << "no file may appear";
  }
}

std::string Plain(const std::string& folder) { return Source(folder); }
void FileDate(const std::string&) { Settings("0", "1", "0", "backup"); }
void SystemDate(const std::string&) { Settings("0", "1", "1", "backup"); }

const Case kCases[] = {
    // Stored settings.
    {"date_mode stored as a number",
     [](const std::string&) {
       Settings("0", "1", "0", "backup");
       StoreRaw(keepsnap::kDateModeKey, REG_DWORD, std::string("\0\0\0\0", 4));
     },
     Plain, nullptr, nullptr, "report-09-20-2003.txt"},
    {"date_separator too long for its room",
     [](const std::string&) {
       Settings("0", "1", "0", "backup");
       StoreSetting(keepsnap::kDateSeparatorKey, "12");
     },
     Plain, nullptr, nullptr, "report-2003.09.20.txt"},
    {"date_to_use without its terminator",
     [](const std::string&) {
       Settings("0", "1", "1", "backup");
       StoreRaw(keepsnap::kDateToUseKey, REG_SZ, "0");
     },
     Plain, nullptr, nullptr, "report-2003-09-20.txt"},
    {"backup_folder as binary data without a terminator",
     [](const std::string&) {
       Settings("0", "1", "0", "backup");
       StoreRaw(keepsnap::kBackupFolderKey, REG_BINARY, "bin");
     },
     Plain, "shift+folder", nullptr, "bin\\report-2003-09-20.txt"},
    {"backup_folder of 128 characters (too long): the file's own folder",
     [](const std::string&) {
       Settings("0", "1", "0", "backup");
       StoreSetting(keepsnap::kBackupFolderKey, std::string(128, 'f'));
     },
     Plain, "shift+folder", nullptr, "report-2003-09-20.txt"},
    {"keys present without values",
     [](const std::string&) {
       DeleteSettings();
       StoreRaw(keepsnap::kDateModeKey, REG_SZ, "");
       DeleteTree(HKEY_LOCAL_MACHINE, keepsnap::kDateModeKey);
       HKEY key;
       RegCreateKeyExA(HKEY_LOCAL_MACHINE, keepsnap::kDateModeKey, 0, nullptr, 0, KEY_ALL_ACCESS | KEY_WOW64_32KEY,
                       nullptr, &key, nullptr);
       RegCloseKey(key);
       Settings("", "", "0", "");
     },
     Plain, nullptr, nullptr, "report-09.20.2003.txt"},
    // Command lines.
    {"empty command line, file date", FileDate, [](const std::string&) { return std::string(); }, nullptr,
     keepsnap::kNoDateMessage, nullptr},
    {"empty command line, system date", SystemDate, [](const std::string&) { return std::string(); }, nullptr,
     keepsnap::kCopyFailedMessage, nullptr},
    {"quoted path", FileDate, [](const std::string& f) { return "\"" + Source(f) + "\""; }, nullptr, nullptr,
     "report-2003-09-20.txt"},
    {"path with spaces",
     [](const std::string& f) {
       FileDate(f);
       MakeDatedFile(f + "\\my  report .txt", kBody, 2003, 9, 20);
     },
     [](const std::string& f) { return f + "\\my  report .txt"; }, nullptr, nullptr, "my  report -2003-09-20.txt"},
    {"path longer than the API allows", FileDate,
     [](const std::string& f) { return f + "\\" + std::string(400, 'x') + ".txt"; }, nullptr,
     keepsnap::kNoDateMessage, nullptr},
    {"path that does not exist, system date", SystemDate, [](const std::string& f) { return f + "\\gone.txt"; },
     nullptr, keepsnap::kCopyFailedMessage, nullptr},
    {"folder instead of a file, file date",
     [](const std::string& f) {
       FileDate(f);
       CreateDirectoryA((f + "\\sub").c_str(), nullptr);
     },
     [](const std::string& f) { return f + "\\sub"; }, nullptr, keepsnap::kNoDateMessage, nullptr},
    {"folder instead of a file, system date",
     [](const std::string& f) {
       SystemDate(f);
       CreateDirectoryA((f + "\\sub").c_str(), nullptr);
     },
     [](const std::string& f) { return f + "\\sub"; }, nullptr, keepsnap::kCopyFailedMessage, nullptr},
    {"non-ASCII name in the ANSI code page",
     [](const std::string& f) {
       FileDate(f);
       MakeDatedFile(f + "\\r\xE9sum\xE9.txt", kBody, 2003, 9, 20);
     },
     [](const std::string& f) { return f + "\\r\xE9sum\xE9.txt"; }, nullptr, nullptr, "r\xE9sum\xE9-2003-09-20.txt"},
    // Targets.
    // Windows refuses to replace a read-only file and the copy message shows;
    // Wine 8 replaces it. Either way the user is not left with a silent failure.
    {"read-only backup of the same name (replaced under Wine)",
     [](const std::string& f) {
       FileDate(f);
       WriteFileBytes(f + "\\report-2003-09-20.txt", "older, read-only");
       SetFileAttributesA((f + "\\report-2003-09-20.txt").c_str(), FILE_ATTRIBUTE_READONLY);
     },
     Plain, nullptr, nullptr, "report-2003-09-20.txt"},
    {"backup folder name taken by a file",
     [](const std::string& f) {
       FileDate(f);
       WriteFileBytes(f + "\\backup", "a file named backup");
     },
     Plain, "shift+folder", keepsnap::kCopyFailedMessage, nullptr},
    {"backup folder name with a character folders cannot have",
     [](const std::string&) { Settings("0", "1", "0", "a*b"); }, Plain, "shift+folder",
     keepsnap::kCopyFailedMessage, nullptr},
};

INSTANTIATE_TEST_SUITE_P(Table, HostileInput, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<Case>& info) { return "case" + std::to_string(info.index); });

}  // namespace
