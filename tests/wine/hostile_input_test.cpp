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
  std::function<void(const std::string& folder)> verify = nullptr;  // further checks, if any
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
    EXPECT_TRUE(ExistsByUnicodeName(folder + "\\" + c.copy)) << "the name holds other characters";
  } else {
    EXPECT_EQ(before, CountFiles(folder)) << "no file may appear";
  }
  if (c.verify) c.verify(folder);
}

std::string Plain(const std::string& folder) { return Source(folder); }
void FileDate(const std::string&) { Settings("0", "1", "0", "backup"); }
void SystemDate(const std::string&) { Settings("0", "1", "1", "backup"); }

// A file named in any script, beside the source, with the file date chosen.
std::function<void(const std::string&)> NamedFile(const std::string& name) {
  return [name](const std::string& f) {
    FileDate(f);
    MakeDatedFile(f + "\\" + name, kBody, 2003, 9, 20);
  };
}
std::function<std::string(const std::string&)> PathOf(const std::string& name) {
  return [name](const std::string& f) { return f + "\\" + name; };
}

// About 600 characters to a real file, made through the W calls with the
// \\?\ prefix, as a system with long paths enabled would let a user make it.
std::string DeepFolder(const std::string& f) {
  std::string deep = f;
  for (int level = 0; level < 5; ++level) deep += "\\" + std::string(115, 'd');
  return deep;
}
void MakeDeepFile(const std::string& f) {
  const std::string deep = DeepFolder(f);
  for (std::string::size_type at = f.size() + 1; at != std::string::npos; at = deep.find('\\', at + 1))
    CreateDirectoryW((L"\\\\?\\" + Wide(deep.substr(0, at))).c_str(), nullptr);
  CreateDirectoryW((L"\\\\?\\" + Wide(deep)).c_str(), nullptr);
  HANDLE file = CreateFileW((L"\\\\?\\" + Wide(deep + "\\report.txt")).c_str(), GENERIC_WRITE, 0, nullptr,
                            CREATE_ALWAYS, 0, nullptr);
  DWORD written = 0;
  WriteFile(file, kBody, sizeof kBody - 1, &written, nullptr);
  CloseHandle(file);
}
std::string DeepPath(const std::string& f) { return DeepFolder(f) + "\\report.txt"; }
// Nothing made beside the deep file either.
void OnlyTheDeepFile(const std::string& f) {
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW((L"\\\\?\\" + Wide(DeepFolder(f) + "\\*")).c_str(), &found);
  ASSERT_NE(INVALID_HANDLE_VALUE, search);
  int count = 0;
  do {
    if (std::wstring(found.cFileName) != L"." && std::wstring(found.cFileName) != L"..") ++count;
  } while (FindNextFileW(search, &found));
  FindClose(search);
  EXPECT_EQ(1, count);
}

// The earlier backup, with its attribute, exactly as it was.
std::function<void(const std::string&)> EarlierKept(DWORD attribute) {
  return [attribute](const std::string& f) {
    std::string bytes;
    EXPECT_TRUE(ReadFileBytes(f + "\\report-2003-09-20.txt", &bytes) && bytes == "older, read-only");
    EXPECT_EQ(attribute, GetFileAttributesA((f + "\\report-2003-09-20.txt").c_str()) & attribute);
  };
}

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
    // 244 bytes: the copy's name fits the API (255), its hidden temporary
    // (265) does not, and the system's copier would make a file that no
    // other call could then remove.
    {"a copy whose temporary name is too long for the API",
     [](const std::string& f) {
       FileDate(f);
       MakeDatedFile(f + "\\" + std::string(239 - f.size(), 'n') + ".txt", kBody, 2003, 9, 20);
     },
     [](const std::string& f) { return f + "\\" + std::string(239 - f.size(), 'n') + ".txt"; }, nullptr,
     keepsnap::kCopyFailedMessage, nullptr},
    {"path that does not exist, system date", SystemDate, [](const std::string& f) { return f + "\\gone.txt"; },
     nullptr, keepsnap::kCopyFailedMessage, nullptr},
    // A folder is backed up whole, named and dated as a folder; a drive has
    // no name to put a date behind.
    {"a folder, file date",
     [](const std::string& f) {
       FileDate(f);
       CreateDirectoryA((f + "\\sub.v2").c_str(), nullptr);
       MakeDatedFile(f + "\\sub.v2\\notes.txt", kBody, 2003, 9, 20);
     },
     [](const std::string& f) { return f + "\\sub.v2"; }, nullptr, nullptr, "sub.v2-2003-09-20\\notes.txt"},
    // The user's own file beside the folder that has the copy's name: never
    // moved aside or removed for a backup.
    {"a folder whose copy's name a file beside it has",
     [](const std::string& f) {
       FileDate(f);
       CreateDirectoryA((f + "\\sub.v2").c_str(), nullptr);
       MakeDatedFile(f + "\\sub.v2\\notes.txt", kBody, 2003, 9, 20);
       WriteFileBytes(f + "\\sub.v2-2003-09-20", "the user's own file");
     },
     [](const std::string& f) { return f + "\\sub.v2"; }, nullptr, keepsnap::kCopyFailedMessage, nullptr,
     [](const std::string& f) {
       std::string bytes;
       EXPECT_TRUE(ReadFileBytes(f + "\\sub.v2-2003-09-20", &bytes) && bytes == "the user's own file");
     }},
    {"a drive, system date", SystemDate, [](const std::string&) { return std::string("C:\\"); }, nullptr,
     keepsnap::kCopyFailedMessage, nullptr},
    {"a path of about 600 characters, file date", [](const std::string& f) { FileDate(f), MakeDeepFile(f); },
     DeepPath, nullptr, keepsnap::kNoDateMessage, nullptr, OnlyTheDeepFile},
    {"a path of about 600 characters, system date", [](const std::string& f) { SystemDate(f), MakeDeepFile(f); },
     DeepPath, nullptr, keepsnap::kCopyFailedMessage, nullptr, OnlyTheDeepFile},
    // Names in any script: the shell passes them whole to the UTF-8 programs.
    {"Latin letters with accents", NamedFile("résumé.txt"), PathOf("résumé.txt"), nullptr, nullptr,
     "résumé-2003-09-20.txt"},
    {"Cyrillic name", NamedFile("Отчёт.txt"), PathOf("Отчёт.txt"), nullptr, nullptr, "Отчёт-2003-09-20.txt"},
    {"Greek name", NamedFile("Αναφορά.txt"), PathOf("Αναφορά.txt"), nullptr, nullptr, "Αναφορά-2003-09-20.txt"},
    {"Chinese name", NamedFile("报告.txt"), PathOf("报告.txt"), nullptr, nullptr, "报告-2003-09-20.txt"},
    {"emoji outside the Basic Multilingual Plane", NamedFile("notes 📄.txt"), PathOf("notes 📄.txt"), nullptr,
     nullptr, "notes 📄-2003-09-20.txt"},
    {"combining accent", NamedFile("Cafe\u0301.txt"), PathOf("Cafe\u0301.txt"), nullptr, nullptr,
     "Cafe\u0301-2003-09-20.txt"},
    {"right-to-left name", NamedFile("تقرير.txt"), PathOf("تقرير.txt"), nullptr, nullptr, "تقرير-2003-09-20.txt"},
    {"folder and file both Cyrillic, into the backup folder",
     [](const std::string& f) {
       FileDate(f);
       CreateDirectoryA((f + "\\Документы").c_str(), nullptr);
       MakeDatedFile(f + "\\Документы\\файл.txt", kBody, 2003, 9, 20);
     },
     PathOf("Документы\\файл.txt"), "shift+folder", nullptr, "Документы\\backup\\файл-2003-09-20.txt"},
    {"backup folder setting in Japanese", [](const std::string&) { Settings("0", "1", "0", "バックアップ"); },
     Plain, "shift+folder", nullptr, "バックアップ\\report-2003-09-20.txt"},
    // Targets.
    // Windows' copy refuses to replace a read-only or hidden file, and so
    // does the backup on every system: the earlier file stays as it was.
    {"read-only backup of the same name",
     [](const std::string& f) {
       FileDate(f);
       WriteFileBytes(f + "\\report-2003-09-20.txt", "older, read-only");
       SetFileAttributesA((f + "\\report-2003-09-20.txt").c_str(), FILE_ATTRIBUTE_READONLY);
     },
     Plain, nullptr, keepsnap::kCopyFailedMessage, nullptr, EarlierKept(FILE_ATTRIBUTE_READONLY)},
    {"hidden backup of the same name",
     [](const std::string& f) {
       FileDate(f);
       WriteFileBytes(f + "\\report-2003-09-20.txt", "older, read-only");
       SetFileAttributesA((f + "\\report-2003-09-20.txt").c_str(), FILE_ATTRIBUTE_HIDDEN);
     },
     Plain, nullptr, keepsnap::kCopyFailedMessage, nullptr, EarlierKept(FILE_ATTRIBUTE_HIDDEN)},
    {"read-only source: a read-only backup, as the system's copy makes",
     [](const std::string& f) {
       FileDate(f);
       SetFileAttributesA(Source(f).c_str(), FILE_ATTRIBUTE_READONLY);
     },
     Plain, nullptr, nullptr, "report-2003-09-20.txt",
     [](const std::string& f) {
       EXPECT_TRUE(GetFileAttributesA((f + "\\report-2003-09-20.txt").c_str()) & FILE_ATTRIBUTE_READONLY);
     }},
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
