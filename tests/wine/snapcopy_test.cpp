// snapcopy.exe under Wine, started as the shell starts it, against the real
// registry, files and windows.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <vector>

#include "backup_command/resource.h"
#include "core/backup_run.h"
#include "core/settings.h"
#include "tests/wine/wine_support.h"

using namespace winetest;

namespace {

const char kContent[] = "report body\r\nsecond line\r\n";

std::string TodayStamp(const char* mode, const char* separator) {
  const SYSTEMTIME t = Today();
  const std::string y = Pad(t.wYear, 4), m = Pad(t.wMonth, 2), d = Pad(t.wDay, 2);
  const std::string sep = separator;
  return std::string(mode) == "0" ? y + sep + m + sep + d : m + sep + d + sep + y;
}

class SnapcopyRun : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    // The shell finds snapcopy.exe in the Windows directory.
    ASSERT_TRUE(CopyFileA((BinDir() + "\\snapcopy.exe").c_str(), "C:\\windows\\snapcopy.exe", FALSE));
  }
  void SetUp() override {
    DeleteSettings();
    folder = FreshFolder(::testing::UnitTest::GetInstance()->current_test_info()->name());
    source = folder + "\\report.txt";
    MakeDatedFile(source, kContent, 2003, 9, 20);
  }
  // Runs "snapcopy.exe PATH" and waits for it to end by itself.
  void RunShellCommand(const std::string& path) {
    Process run("snapcopy.exe " + path);
    ASSERT_TRUE(run.Started());
    // What ships is what runs: the i686 programs are WoW64 processes.
    EXPECT_EQ(ShippedTarget(), run.IsWow64());
    ASSERT_TRUE(run.WaitForExit(15000)) << "snapcopy did not exit by itself";
  }
  void ExpectCopy(const std::string& name) {
    std::string bytes;
    ASSERT_TRUE(ReadFileBytes(folder + "\\" + name, &bytes)) << name << " missing";
    EXPECT_EQ(kContent, bytes);
    std::string original;
    ASSERT_TRUE(ReadFileBytes(source, &original));
    EXPECT_EQ(kContent, original) << "the source must stay as it was";
  }
  std::string folder, source;
};

// Each settings combination gives its documented name; catches wrong key
// paths, the wrong registry view, or a wrong stamp.
TEST_F(SnapcopyRun, FileDateNamesFollowSettings) {
  struct Row {
    const char *mode, *separator, *name;
  } rows[] = {
      {"0", "1", "report-2003-09-20.txt"},
      {"1", "2", "report-09_20_2003.txt"},
      {"0", "0", "report-20030920.txt"},
      {"1", "3", "report-09.20.2003.txt"},
  };
  for (const Row& r : rows) {
    StoreSettings(r.mode, r.separator, "0", "backup");
    RunShellCommand(source);
    ExpectCopy(r.name);
  }
  EXPECT_EQ(5, CountFiles(folder));
}

// Nothing stored: month first, ".", today's date, beside the source.
TEST_F(SnapcopyRun, NoSettingsUseTodayMonthFirst) {
  RunShellCommand(source);
  ExpectCopy("report-" + TodayStamp("1", ".") + ".txt");
  EXPECT_EQ(2, CountFiles(folder));
}

// Catches the file date used where the system date was chosen, and back.
TEST_F(SnapcopyRun, SystemDateAgainstFileDate) {
  StoreSettings("0", "1", "1", "backup");
  RunShellCommand(source);
  ExpectCopy("report-" + TodayStamp("0", "-") + ".txt");
  StoreSettings("0", "1", "0", "backup");
  RunShellCommand(source);
  ExpectCopy("report-2003-09-20.txt");
}

// The shell may pass the short 8.3 form; the copy is named from the long one.
TEST_F(SnapcopyRun, ShortPathGivesLongName) {
  const std::string longName = folder + "\\Quarterly Report.text";
  MakeDatedFile(longName, kContent, 2003, 9, 20);
  char shortPath[MAX_PATH];
  ASSERT_GT(GetShortPathNameA(longName.c_str(), shortPath, MAX_PATH), 0u);
  StoreSettings("0", "1", "0", "backup");
  RunShellCommand(shortPath);
  ExpectCopy("Quarterly Report-2003-09-20.text");
}

// A second run on the same day replaces the first copy.
TEST_F(SnapcopyRun, SameDayReplacesCopy) {
  StoreSettings("0", "1", "0", "backup");
  WriteFileBytes(folder + "\\report-2003-09-20.txt", "older copy");
  RunShellCommand(source);
  ExpectCopy("report-2003-09-20.txt");
}

struct Box {
  std::string text, caption;
};

// Starts snapcopy on a file another program holds open as asked, and reads
// the message box it shows; none means it must exit by itself.
Box RunOnHeldFile(const std::string& source, DWORD access, DWORD share, bool expectBox) {
  HANDLE held = CreateFileA(source.c_str(), access, share, nullptr, OPEN_EXISTING, 0, nullptr);
  EXPECT_NE(INVALID_HANDLE_VALUE, held);
  Process run("snapcopy.exe " + source);
  Box box;
  HWND window = expectBox ? WaitForDialog(keepsnap::kErrorCaption, run.Id()) : nullptr;
  if (window != nullptr) {
    box.caption = WindowText(window);
    box.text = MessageBoxText(window);
    EXPECT_EQ(nullptr, GetDlgItem(window, IDCANCEL)) << "one OK button only";
    Click(window, IDOK);
  }
  EXPECT_TRUE(run.WaitForExit(10000));
  CloseHandle(held);
  return box;
}

// Held without read sharing: with the file date the date cannot be read, with
// the system date the failed copy is shown, and nothing is copied. Held for
// writing with reads shared, as an editor holds a document, the backup is
// made with either date: a source opened without write sharing would fail.
TEST_F(SnapcopyRun, HeldFileOutcomes) {
  struct Row {
    DWORD access, share;
    const char *toUse, *message, *copy;
  } rows[] = {
      {GENERIC_READ, 0, "0", "Unable to retrieve file last modified time.", nullptr},
      {GENERIC_READ, 0, "1", "Unable to copy file, ensure that the file name/path is valid.", nullptr},
      {GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, "0", "", "report-2003-09-20.txt"},
  };
  for (const Row& r : rows) {
    StoreSettings("0", "1", r.toUse, "backup");
    const Box box = RunOnHeldFile(source, r.access, r.share, r.copy == nullptr);
    if (r.copy == nullptr) {
      EXPECT_EQ("UNEXPECTED ERROR", box.caption) << r.toUse;
      EXPECT_EQ(1, CountFiles(folder)) << "no copy, date to use " << r.toUse;
    } else {
      ExpectCopy(r.copy);
    }
    EXPECT_EQ(r.message, box.text) << r.toUse;
  }
}

// Run by ctest with TZ=Asia/Tokyo for this driver: Wine takes a program's
// local time from the TZ it starts with, which the programs inherit.
class LocalTime : public SnapcopyRun {};

// The file date is the local date of the last write: a write late on the
// 20th (UTC) is the 21st in Tokyo, one in the early afternoon still the 20th.
TEST_F(LocalTime, FileDateIsLocalDate) {
  const char* zone = std::getenv("TZ");
  ASSERT_STREQ("Asia/Tokyo", zone) << "run by ctest under TZ=Asia/Tokyo";
  struct Row {
    WORD utcHour;
    const char* copy;
  } rows[] = {{20, "report-2003-09-21.txt"}, {14, "report-2003-09-20.txt"}};
  StoreSettings("0", "1", "0", "backup");
  for (const Row& r : rows) {
    SYSTEMTIME utc = {};
    utc.wYear = 2003, utc.wMonth = 9, utc.wDay = 20, utc.wHour = r.utcHour;
    FILETIME written;
    SystemTimeToFileTime(&utc, &written);
    SetLastWriteTime(source, written);
    RunShellCommand(source);
    ExpectCopy(r.copy);
  }
  EXPECT_EQ(3, CountFiles(folder));
}

// The real backup run with the keys given to it (see snapcopy_with_keys.cpp).
class SnapcopyKeys : public SnapcopyRun {
 protected:
  void RunWithKeys(const char* keys, const std::string& path) {
    Process run("\"" + BinDir() + "\\snapcopy_with_keys.exe\" " + keys + " " + path);
    ASSERT_TRUE(run.Started());
    EXPECT_EQ(ShippedTarget(), run.IsWow64());
    ASSERT_TRUE(run.WaitForExit(15000));
  }
};

TEST_F(SnapcopyKeys, ShiftAndFolderKeyCopyIntoBackupFolder) {
  StoreSettings("0", "1", "0", "backup");
  RunWithKeys("shift+folder", source);
  ExpectCopy("backup\\report-2003-09-20.txt");
  // The folder exists now: the next copy goes in all the same.
  StoreSettings("1", "0", "0", "backup");
  RunWithKeys("shift+folder", source);
  ExpectCopy("backup\\report-09202003.txt");
  EXPECT_EQ(2, CountFiles(folder + "\\backup"));
}

// The shell starts one run per selected file, up to fifteen at once: beside
// the files with the real program, and into one backup folder that they all
// race to make, every copy is whole and no message shows (a run showing one
// would not end by itself).
TEST_F(SnapcopyKeys, FifteenAtOnce) {
  StoreSettings("0", "1", "0", "backup");
  const char* ways[] = {nullptr, "shift+folder"};
  for (const char* keys : ways) {
    const std::string many = FreshFolder(keys == nullptr ? "fifteen beside" : "fifteen into folder");
    std::vector<std::string> bodies;
    for (int i = 0; i < 15; ++i) {
      bodies.push_back(std::string(256 * 1024, static_cast<char>('a' + i)) + std::to_string(i));
      MakeDatedFile(many + "\\file" + std::to_string(i) + ".txt", bodies.back(), 2003, 9, 20);
    }
    std::vector<std::unique_ptr<Process>> runs;
    for (int i = 0; i < 15; ++i) {
      const std::string file = many + "\\file" + std::to_string(i) + ".txt";
      runs.emplace_back(new Process(keys == nullptr ? "snapcopy.exe " + file
                                                    : "\"" + BinDir() + "\\snapcopy_with_keys.exe\" " + keys + " " + file));
    }
    const DWORD start = GetTickCount();
    for (const auto& run : runs) {
      const DWORD spent = GetTickCount() - start;
      EXPECT_TRUE(run->WaitForExit(spent < 30000 ? 30000 - spent : 0)) << "a run did not end by itself";
    }
    const std::string copies = keys == nullptr ? many : many + "\\backup";
    for (int i = 0; i < 15; ++i) {
      std::string bytes;
      EXPECT_TRUE(ReadFileBytes(copies + "\\file" + std::to_string(i) + "-2003-09-20.txt", &bytes) &&
                  bytes == bodies[i])
          << "copy " << i << (keys == nullptr ? " beside" : " in the folder");
    }
  }
}

// Catches the folder key alone being taken as a choice.
TEST_F(SnapcopyKeys, FolderKeyAloneCopiesBeside) {
  StoreSettings("0", "1", "0", "backup");
  RunWithKeys("folder", source);
  ExpectCopy("report-2003-09-20.txt");
  EXPECT_FALSE(Exists(folder + "\\backup"));
}

// An empty folder name lands the copy beside the source.
TEST_F(SnapcopyKeys, EmptyFolderNameCopiesBeside) {
  StoreSettings("0", "1", "0", "");
  RunWithKeys("shift+folder", source);
  ExpectCopy("report-2003-09-20.txt");
}

// A folder that cannot be made: the failed copy is shown, nothing lost.
TEST_F(SnapcopyKeys, UnmakeableFolderIsReported) {
  StoreSettings("0", "1", "0", "bad|name");
  Process run("\"" + BinDir() + "\\snapcopy_with_keys.exe\" shift+folder " + source);
  HWND box = WaitForDialog("UNEXPECTED ERROR", run.Id());
  ASSERT_NE(nullptr, box);
  EXPECT_EQ(keepsnap::kCopyFailedMessage, MessageBoxText(box));
  Click(box, IDOK);
  EXPECT_TRUE(run.WaitForExit(10000));
  EXPECT_EQ(1, CountFiles(folder));
}

class NewNameDialog : public SnapcopyKeys {
 protected:
  // Stores the documented settings and starts a run with Shift held; the
  // dialog it opens, or null.
  HWND OpenDialog() { return OpenDialog(source); }
  HWND OpenDialog(const std::string& path) {
    StoreSettings("0", "1", "0", "backup");
    run.reset(new Process("\"" + BinDir() + "\\snapcopy_with_keys.exe\" shift " + path));
    EXPECT_TRUE(run->Started());
    return WaitForDialog("Enter New File Name", run->Id());
  }
  std::unique_ptr<Process> run;
};

// The template, its centring and its focus, then OK with an edited name.
TEST_F(NewNameDialog, OkCopiesToEditedName) {
  HWND dialog = OpenDialog();
  ASSERT_NE(nullptr, dialog);

  EXPECT_EQ(source.substr(0, source.size() - 4) + "-2003-09-20.txt", ControlText(dialog, IDC_NEW_NAME));
  EXPECT_EQ(GetDlgItem(dialog, IDC_NEW_NAME), FocusOf(dialog));
  // The session's work area starts at 80, 60 (taskbars left and top).
  EXPECT_LE(std::abs(OffCentre(dialog).x), 2) << "centred across the work area";
  EXPECT_LE(std::abs(OffCentre(dialog).y), 2) << "centred down the work area";
  EXPECT_FALSE(GetWindowLongA(dialog, GWL_STYLE) & WS_SYSMENU) << "no close box";
  EXPECT_TRUE(GetWindowLongA(dialog, GWL_EXSTYLE) & WS_EX_APPWINDOW);

  const std::string typed = folder + "\\typed name.txt";
  SetDlgItemTextA(dialog, IDC_NEW_NAME, typed.c_str());
  Click(dialog, IDOK);
  ASSERT_TRUE(run->WaitForExit(10000));
  ExpectCopy("typed name.txt");
  EXPECT_EQ(2, CountFiles(folder));
}

// A name in another script is offered whole, and OK copies to an edited one.
TEST_F(NewNameDialog, NamesInOtherScripts) {
  const std::string cyrillic = folder + "\\Отчёт.txt";
  MakeDatedFile(cyrillic, kContent, 2003, 9, 20);
  HWND dialog = OpenDialog(cyrillic);
  ASSERT_NE(nullptr, dialog);
  EXPECT_EQ(folder + "\\Отчёт-2003-09-20.txt", ControlText(dialog, IDC_NEW_NAME));
  SetDlgItemTextA(dialog, IDC_NEW_NAME, (folder + "\\Копия 报告.txt").c_str());
  Click(dialog, IDOK);
  ASSERT_TRUE(run->WaitForExit(10000));
  ExpectCopy("Копия 报告.txt");
  EXPECT_TRUE(ExistsByUnicodeName(folder + "\\Копия 报告.txt"));
}

TEST_F(NewNameDialog, CancelCopiesNothingAndSaysNothing) {
  HWND dialog = OpenDialog();
  ASSERT_NE(nullptr, dialog);
  Click(dialog, IDCANCEL);
  ASSERT_TRUE(run->WaitForExit(10000)) << "no message box may follow Cancel";
  EXPECT_EQ(1, CountFiles(folder));
}

// A name that cannot be copied to gets the message after OK.
TEST_F(NewNameDialog, BadNameIsReported) {
  HWND dialog = OpenDialog();
  ASSERT_NE(nullptr, dialog);
  SetDlgItemTextA(dialog, IDC_NEW_NAME, (folder + "\\no such folder\\x.txt").c_str());
  Click(dialog, IDOK);
  HWND box = WaitForDialog("UNEXPECTED ERROR", run->Id());
  ASSERT_NE(nullptr, box);
  EXPECT_EQ(keepsnap::kCopyFailedMessage, MessageBoxText(box));
  Click(box, IDOK);
  EXPECT_TRUE(run->WaitForExit(10000));
  EXPECT_EQ(1, CountFiles(folder));
}

}  // namespace
