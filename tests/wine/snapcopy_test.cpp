// snapcopy.exe under Wine, started as the shell starts it, against the real
// registry, files and windows.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "backup_command/resource.h"
#include "core/backup_run.h"
#include "core/settings.h"
#include "tests/wine/wine_support.h"

#include <commctrl.h>  // after <windows.h>, which it needs
#include <shlobj.h>
#include <shobjidl.h>

using namespace winetest;

namespace {

const char kContent[] = "report body\r\nsecond line\r\n";

std::string TodayStamp(const char* mode, const char* separator) {
  const SYSTEMTIME t = Today();
  const std::string y = Pad(t.wYear, 4), m = Pad(t.wMonth, 2), d = Pad(t.wDay, 2);
  const std::string sep = separator;
  return std::string(mode) == "0" ? y + sep + m + sep + d : m + sep + d + sep + y;
}

// A folder to back up: files of three dates (the newest 2003-09-20), nested
// and empty folders, a hidden file, and one named as only a leftover of a
// backup should not be.
void MakeProject(const std::string& root) {
  for (const char* sub : {"", "\\sub", "\\sub\\deep", "\\empty"}) CreateDirectoryA((root + sub).c_str(), nullptr);
  MakeDatedFile(root + "\\a.txt", "alpha", 2001, 1, 1);
  MakeDatedFile(root + "\\data.keepsnap", "the user's own", 2001, 1, 1);
  MakeDatedFile(root + "\\sub\\b.txt", "beta", 2003, 9, 20);
  MakeDatedFile(root + "\\sub\\deep\\c.txt", "gamma", 2002, 5, 5);
  MakeDatedFile(root + "\\sub\\.h", "hidden", 2000, 1, 1);
  SetFileAttributesA((root + "\\sub\\.h").c_str(), FILE_ATTRIBUTE_HIDDEN);
}

// An earlier copy of the same day, with a file the tree lacks.
const std::map<std::string, std::string> kEarlierCopy = {{"gone.txt", "only in the earlier copy"}};
void MakeEarlierCopy(const std::string& copy) {
  CreateDirectoryA(copy.c_str(), nullptr);
  WriteFileBytes(copy + "\\gone.txt", "only in the earlier copy");
}

// Nothing of a folder's backup left beside it under a hidden name.
void ExpectNoLeftover(const std::string& target) {
  const std::string::size_type slash = target.rfind('\\');
  const std::string beside = target.substr(0, slash + 1) + "~" + target.substr(slash + 1) + ".keepsnap";
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(beside.c_str())) << beside;
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA((beside + "-earlier").c_str())) << beside << "-earlier";
}

// Backs up the folder, waits for the progress window (checking that it names
// `shown`, when given) and presses Cancel there: no message follows, the
// earlier copy stays as it was and nothing is left.
void CancelFolderBackup(const std::string& folder, const std::string& copy, const char* shown) {
  Process run("snapcopy.exe " + folder);
  HWND window = WaitForDialog("Morvane Keepsnap", run.Id(), 30000);
  ASSERT_NE(nullptr, window) << "no progress window for " << folder;
  if (shown != nullptr) {
    bool named = false;
    for (HWND child = GetWindow(window, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT))
      named = named || WindowText(child).find(shown) != std::string::npos;
    EXPECT_TRUE(named) << "the window names the folder and the file";
  }
  Click(window, IDCANCEL);
  EXPECT_TRUE(run.WaitForExit(30000)) << "no message may follow Cancel";
  EXPECT_EQ(kEarlierCopy, Tree(copy)) << "the earlier copy changed";
  ExpectNoLeftover(copy);
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
    // What the system's copy gives: the source's last-write time and attributes.
    WIN32_FILE_ATTRIBUTE_DATA copy, from;
    ASSERT_TRUE(GetFileAttributesExA((folder + "\\" + name).c_str(), GetFileExInfoStandard, &copy));
    ASSERT_TRUE(GetFileAttributesExA(source.c_str(), GetFileExInfoStandard, &from));
    EXPECT_EQ(0, CompareFileTime(&copy.ftLastWriteTime, &from.ftLastWriteTime)) << name;
    EXPECT_EQ(from.dwFileAttributes, copy.dwFileAttributes) << name;
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

// A folder is backed up whole: every file with its bytes, time and
// attributes, nested and empty folders, named with the whole folder name and
// dated by its newest file; an earlier copy of the same day is replaced whole.
TEST_F(SnapcopyRun, FolderCopiedWhole) {
  StoreSettings("0", "1", "0", "backup");
  const std::string project = folder + "\\Project", copy = folder + "\\Project-2003-09-20";
  MakeProject(project);
  SetFileAttributesA((project + "\\sub\\deep\\c.txt").c_str(), FILE_ATTRIBUTE_SYSTEM);
  MakeEarlierCopy(copy);
  RunShellCommand(project);
  EXPECT_EQ(Tree(project), Tree(copy));
  for (const char* file : {"\\a.txt", "\\sub\\b.txt", "\\sub\\deep\\c.txt"}) {
    WIN32_FILE_ATTRIBUTE_DATA from, to;
    ASSERT_TRUE(GetFileAttributesExA((project + file).c_str(), GetFileExInfoStandard, &from));
    ASSERT_TRUE(GetFileAttributesExA((copy + file).c_str(), GetFileExInfoStandard, &to)) << file;
    EXPECT_EQ(0, CompareFileTime(&from.ftLastWriteTime, &to.ftLastWriteTime)) << file;
  }
  EXPECT_TRUE(GetFileAttributesA((copy + "\\sub\\.h").c_str()) & FILE_ATTRIBUTE_HIDDEN);
  // Wine 10's copier keeps only the read-only bit: the others are set again.
  EXPECT_TRUE(GetFileAttributesA((copy + "\\sub\\deep\\c.txt").c_str()) & FILE_ATTRIBUTE_SYSTEM);
  EXPECT_FALSE(GetFileAttributesA(copy.c_str()) & FILE_ATTRIBUTE_HIDDEN);
  EXPECT_EQ(3, CountFiles(folder)) << "the file, the folder and its copy, nothing more";
  // A dot in a folder's name marks no extension.
  const std::string site = folder + "\\Site.v2";
  CreateDirectoryA(site.c_str(), nullptr);
  MakeDatedFile(site + "\\index.html", "site", 2003, 9, 20);
  RunShellCommand(site);
  EXPECT_EQ(Tree(site), Tree(folder + "\\Site.v2-2003-09-20"));
  // Links are neither followed nor copied: wine-session.sh plants a Unix
  // link to the parent (up) and one beside it (side) in C:\kstest\linked,
  // which Wine lists as folders that are reparse points. Nor is the earlier
  // copy a killed backup of a child left aside, which it plants there too.
  const std::string linked = "C:\\kstest\\linked", linkedCopy = linked + "-2003-09-20";
  ASSERT_EQ(FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT,
            GetFileAttributesA((linked + "\\up").c_str()) & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT))
      << "no link planted";
  ASSERT_TRUE(Exists(linked + "\\side\\far.txt")) << "no link planted";
  ASSERT_TRUE(Exists(linked + "\\~side-2003-09-19.keepsnap-earlier\\far.txt")) << "no earlier copy planted";
  MakeDatedFile(linked + "\\near.txt", "near", 2003, 9, 20);
  RunShellCommand(linked);
  const std::map<std::string, std::string> nearOnly = {{"near.txt", "near"}};
  EXPECT_EQ(nearOnly, Tree(linkedCopy)) << "a link or a leftover was copied, or a link followed";
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

// A body of the size given, different at every 64 KiB, so that a copy cut
// short or put together wrongly shows.
std::string Body(size_t size, char seed) {
  std::string body(size, seed);
  for (size_t at = 0; at < size; at += 65536) body[at] = static_cast<char>(seed + at / 65536);
  return body;
}

// The folder holds exactly the source and the backup, the backup whole with
// the text expected; nothing hidden or half-made is left beside them.
void ExpectOnlySourceAndBackup(const std::string& folder, const std::string& backup, const std::string& text) {
  EXPECT_EQ(2, CountFiles(folder)) << "something was left beside the source and its backup";
  std::string bytes;
  ASSERT_TRUE(ReadFileBytes(backup, &bytes)) << backup << " missing";
  EXPECT_EQ(text.size(), bytes.size());
  EXPECT_TRUE(text == bytes) << "the backup is not the text expected";
}

// A copy that fails on a full disk leaves the morning's backup as it was and
// no part of the new one; the failure is shown. C:\kstest\full is a 2 MiB
// volume (wine-session.sh): the source and the earlier backup leave too
// little room for a second copy, as a copy that truncated the earlier one
// first would not notice until part-way.
TEST_F(SnapcopyRun, DiskFullKeepsEarlierBackup) {
  const std::string full = FreshFolder("full");
  ULARGE_INTEGER size;
  ASSERT_TRUE(GetDiskFreeSpaceExA(full.c_str(), nullptr, &size, nullptr) && size.QuadPart < 4u << 20)
      << "no small volume at " << full;
  StoreSettings("0", "1", "0", "backup");
  const std::string earlier = Body(300000, 'm');
  MakeDatedFile(full + "\\report.txt", Body(1200000, 'a'), 2003, 9, 20);
  WriteFileBytes(full + "\\report-2003-09-20.txt", earlier);

  Process run("snapcopy.exe " + full + "\\report.txt");
  HWND box = WaitForDialog(keepsnap::kErrorCaption, run.Id());
  ASSERT_NE(nullptr, box) << "a failed copy must be shown";
  EXPECT_EQ(keepsnap::kCopyFailedMessage, MessageBoxText(box));
  Click(box, IDOK);
  ASSERT_TRUE(run.WaitForExit(10000));
  ExpectOnlySourceAndBackup(full, full + "\\report-2003-09-20.txt", earlier);

  // A folder that fills the volume part-way through its tree.
  FreshFolder("full");
  const std::string project = full + "\\Project", copy = full + "\\Project-2003-09-20";
  CreateDirectoryA(project.c_str(), nullptr);
  for (const char* name : {"\\1.bin", "\\2.bin", "\\3.bin"}) MakeDatedFile(project + name, Body(450000, name[1]), 2003, 9, 20);
  MakeEarlierCopy(copy);
  Process tree("snapcopy.exe " + project);
  box = WaitForDialog(keepsnap::kErrorCaption, tree.Id());
  ASSERT_NE(nullptr, box) << "a failed folder copy must be shown";
  EXPECT_EQ(keepsnap::kCopyFailedMessage, MessageBoxText(box));
  Click(box, IDOK);
  ASSERT_TRUE(tree.WaitForExit(10000));
  EXPECT_EQ(kEarlierCopy, Tree(copy)) << "the earlier copy changed";
  EXPECT_EQ(2, CountFiles(full)) << "something was left";
}

// snapcopy.exe installed, and the class of the verb's DropTarget served by
// it, as the setup registers them.
// The program COM starts for the drop's class.
void SetDropServer(const char* server) {
  HKEY key;
  ASSERT_EQ(ERROR_SUCCESS,
            RegCreateKeyExA(HKEY_LOCAL_MACHINE, (std::string("Software\\Classes\\") + kDropServerKey).c_str(), 0,
                            nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr));
  RegSetValueExA(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(server),
                 static_cast<DWORD>(std::strlen(server) + 1));
  RegCloseKey(key);
}

void RegisterDropServer() {
  ASSERT_TRUE(CopyFileA((BinDir() + "\\snapcopy.exe").c_str(), "C:\\windows\\snapcopy.exe", FALSE));
  SetDropServer("\"C:\\windows\\snapcopy.exe\"");
}

// The whole selection through the verb's DropTarget, as Explorer hands it
// over: the class registered as the setup registers it, started by COM, one
// run for every item. Wine's own file browser runs no such verb and its
// ShellExecuteEx does not either, so the test plays Explorer (DropOn).
class SnapcopyDrop : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { RegisterDropServer(); }
  void SetUp() override {
    StoreSettings("0", "1", "0", "backup");
    folder = FreshFolder(::testing::UnitTest::GetInstance()->current_test_info()->name());
  }
  std::vector<std::string> Files(int count, const std::string& stem = "f") {
    std::vector<std::string> files;
    for (int n = 0; n < count; ++n) {
      files.push_back(folder + "\\" + stem + std::to_string(n) + ".txt");
      MakeDatedFile(files.back(), "body " + std::to_string(n), 2003, 9, 20);
    }
    return files;
  }
  // Drops the items and waits for the one run to end.
  void DropAndWait(const std::vector<std::string>& items, DWORD keyState = MK_LBUTTON) {
    ASSERT_EQ(S_OK, DropOn(items, keyState));
    EXPECT_TRUE(WaitUntilNoProcess("snapcopy.exe", 60000)) << "the run did not end by itself";
  }
  // With Shift, the run handed these files asks for each name in turn, in
  // their order: OK on each but the `cancelled`th. Then only those are copied.
  void AnswerNameDialogs(const std::vector<std::string>& files, size_t cancelled) {
    const DWORD server = ProcessIdOf("snapcopy.exe");
    for (size_t n = 0; n < files.size(); ++n) {
      HWND dialog = WaitForDialog("Enter New File Name", server);
      ASSERT_NE(nullptr, dialog) << "no dialog for item " << n;
      const std::string dated = files[n].substr(0, files[n].size() - 4) + "-2003-09-20.txt";
      EXPECT_EQ(dated, ControlText(dialog, IDC_NEW_NAME)) << "item " << n;
      Click(dialog, n == cancelled ? IDCANCEL : IDOK);
      ASSERT_TRUE(WaitUntilGone(dialog)) << "two dialogs at once";
    }
    ASSERT_TRUE(WaitUntilNoProcess("snapcopy.exe", 30000));
    for (size_t n = 0; n < files.size(); ++n)
      EXPECT_EQ(n != cancelled, Exists(files[n].substr(0, files[n].size() - 4) + "-2003-09-20.txt")) << n;
  }
  std::string folder;
};

// 40 files and 3 folders, beyond the 15 a command line would be started for:
// one process for all, each copy made and named as the command line names it.
TEST_F(SnapcopyDrop, WholeSelectionInOneRun) {
  std::vector<std::string> items = Files(40);
  for (const char* name : {"\\A", "\\B", "\\Site.v2"}) {
    CreateDirectoryA((folder + name).c_str(), nullptr);
    MakeDatedFile(folder + name + "\\in.txt", "inside", 2003, 9, 20);
    items.push_back(folder + name);
  }
  ASSERT_EQ(S_OK, DropOn(items, MK_LBUTTON));
  // The copies start as soon as the shell has let go of the receiver, not
  // after the server's whole wait for that (3 s).
  const DWORD dropped = GetTickCount();
  EXPECT_EQ(1, CountProcesses("snapcopy.exe")) << "one run for the whole selection";
  while (!Exists(folder + "\\f0-2003-09-20.txt") && GetTickCount() - dropped < 30000) Sleep(10);
  EXPECT_LT(GetTickCount() - dropped, 2000u) << "the first copy came late after Drop";
  ASSERT_TRUE(WaitUntilNoProcess("snapcopy.exe", 60000));
  for (int n = 0; n < 40; ++n) {
    std::string bytes;
    EXPECT_TRUE(ReadFileBytes(folder + "\\f" + std::to_string(n) + "-2003-09-20.txt", &bytes) &&
                bytes == "body " + std::to_string(n))
        << n;
  }
  EXPECT_EQ(Tree(folder + "\\Site.v2"), Tree(folder + "\\Site.v2-2003-09-20"));
  EXPECT_EQ(86, CountFiles(folder)) << "each item and its copy, nothing more";
}

// The keys for the whole selection: Shift from the drop's key state, the `
// key held at the drop; Shift alone asks for each name in turn, and Cancel
// on one skips it.
TEST_F(SnapcopyDrop, KeysForTheSelection) {
  const std::vector<std::string> items = Files(5);
  DropAndWait(items);
  EXPECT_TRUE(Exists(folder + "\\f4-2003-09-20.txt"));
  INPUT key = {};
  key.type = INPUT_KEYBOARD;
  key.ki.wVk = VK_OEM_3;
  SendInput(1, &key, sizeof key);
  DropAndWait(items, MK_LBUTTON | MK_SHIFT);
  key.ki.dwFlags = KEYEVENTF_KEYUP;
  SendInput(1, &key, sizeof key);
  for (int n = 0; n < 5; ++n) EXPECT_TRUE(Exists(folder + "\\backup\\f" + std::to_string(n) + "-2003-09-20.txt")) << n;

  const std::vector<std::string> three = Files(3, "g");
  ASSERT_EQ(S_OK, DropOn(three, MK_LBUTTON | MK_SHIFT));
  AnswerNameDialogs(three, 1);
}

// One item failing among 20 (its earlier backup read-only): one box at the
// end naming it, the other 19 copied.
TEST_F(SnapcopyDrop, OneFailureOneBox) {
  const std::vector<std::string> items = Files(20);
  WriteFileBytes(folder + "\\f7-2003-09-20.txt", "earlier");
  SetFileAttributesA((folder + "\\f7-2003-09-20.txt").c_str(), FILE_ATTRIBUTE_READONLY);
  ASSERT_EQ(S_OK, DropOn(items, MK_LBUTTON));
  HWND box = WaitForDialog(keepsnap::kErrorCaption, ProcessIdOf("snapcopy.exe"), 30000);
  ASSERT_NE(nullptr, box);
  EXPECT_EQ(std::string(keepsnap::kCopyFailedMessage) + "\n" + folder + "\\f7.txt", MessageBoxText(box));
  Click(box, IDOK);
  ASSERT_TRUE(WaitUntilNoProcess("snapcopy.exe", 30000));
  EXPECT_TRUE(Exists(folder + "\\f19-2003-09-20.txt"));
  EXPECT_EQ(40, CountFiles(folder));
}

// One item through the DropTarget is backed up as the command line backs it
// up, a file and a folder; names in any script come whole through the data
// object.
TEST_F(SnapcopyDrop, SameAsTheCommandLine) {
  const std::string file = folder + "\\report.txt", project = folder + "\\Project";
  MakeDatedFile(file, kContent, 2003, 9, 20);
  MakeProject(project);
  DropAndWait({file});
  DropAndWait({project});
  std::string bytes;
  EXPECT_TRUE(ReadFileBytes(folder + "\\report-2003-09-20.txt", &bytes) && bytes == kContent);
  EXPECT_EQ(Tree(project), Tree(project + "-2003-09-20"));
  std::vector<std::string> named;
  for (const char* name : {"Отчёт.txt", "报告.txt", "notes 📄.txt"}) {
    named.push_back(folder + "\\" + name);
    MakeDatedFile(named.back(), "named", 2003, 9, 20);
  }
  DropAndWait(named);
  for (const char* copy : {"Отчёт-2003-09-20.txt", "报告-2003-09-20.txt", "notes 📄-2003-09-20.txt"})
    EXPECT_TRUE(ExistsByUnicodeName(folder + "\\" + copy)) << copy;
}

// A server that COM starts and no drop comes to ends by itself, having done
// nothing.
TEST_F(SnapcopyDrop, NoDropEndsByItself) {
  Process started("C:\\windows\\snapcopy.exe -Embedding");
  ASSERT_TRUE(started.Started());
  EXPECT_TRUE(started.WaitForExit(45000)) << "still waiting for a drop";
  EXPECT_EQ(0, CountFiles(folder));
}

// The Windows 11 menu's command, loaded in process as Explorer's surrogate
// loads it (Wine cannot marshal IExplorerCommand), over shell items made from
// real files: it hands the selection to the same server, the one installed
// for the test (on the i686 target, the x64 DLL starts the shipped 32-bit
// program, as on 64-bit Windows 11).
class MenuCommand : public SnapcopyDrop {
 protected:
  void SetUp() override {
    SnapcopyDrop::SetUp();
    menu.reset(new MenuCommandDll(BinDir() + "\\keepsnap_menu.dll"));
    command = menu->Command();
    ASSERT_NE(nullptr, command);
  }
  void TearDown() override {
    menu->ReleaseCommand();
    EXPECT_EQ(S_OK, menu->CanUnloadNow()) << "something of the DLL is still held";
    menu.reset();
  }
  EXPCMDSTATE StateFor(const std::vector<std::string>& paths) {
    IShellItemArray* items = ShellItems(paths);
    EXPCMDSTATE state = ECS_DISABLED;
    EXPECT_EQ(S_OK, command->GetState(items, TRUE, &state));
    if (items != nullptr) items->Release();
    return state;
  }
  HRESULT InvokeOn(const std::vector<std::string>& paths) { return menu->Invoke(paths); }
  std::unique_ptr<MenuCommandDll> menu;
  IExplorerCommand* command = nullptr;
};

// What the menu shows: the verb's name, snapcopy.exe's icon from the folder
// the DLL is in, the default flags; shown for files and folders, hidden for
// anything with no file-system path and for a drive.
TEST_F(MenuCommand, ShownForFilesAndFolders) {
  LPWSTR text = nullptr;
  ASSERT_EQ(S_OK, command->GetTitle(nullptr, &text));
  EXPECT_EQ(Wide("Morvane - Backup File(s) Ver 2.0"), text);
  CoTaskMemFree(text);
  ASSERT_EQ(S_OK, command->GetIcon(nullptr, &text));
  EXPECT_EQ(Wide(BinDir() + "\\snapcopy.exe,0"), text);
  CoTaskMemFree(text);
  EXPCMDFLAGS flags = ~0u;
  ASSERT_EQ(S_OK, command->GetFlags(&flags));
  EXPECT_EQ(static_cast<EXPCMDFLAGS>(ECF_DEFAULT), flags);
  EXPECT_EQ(S_FALSE, menu->CanUnloadNow()) << "the command is held";

  std::vector<std::string> items = Files(2);
  CreateDirectoryA((folder + "\\A").c_str(), nullptr);
  items.push_back(folder + "\\A");
  EXPECT_EQ(static_cast<EXPCMDSTATE>(ECS_ENABLED), StateFor(items));
  items.push_back("::" + std::to_string(CSIDL_DRIVES));
  EXPECT_EQ(static_cast<EXPCMDSTATE>(ECS_HIDDEN), StateFor(items));
  EXPECT_EQ(static_cast<EXPCMDSTATE>(ECS_HIDDEN), StateFor({"::" + std::to_string(CSIDL_BITBUCKET)}));
  EXPECT_EQ(static_cast<EXPCMDSTATE>(ECS_HIDDEN), StateFor({"C:\\"})) << "a drive has no name to date";
}

// Invoke hands files, a folder and names in several scripts to the one
// server, and returns at once; Shift at the click gives the name dialog.
TEST_F(MenuCommand, InvokeBacksUpTheSelection) {
  std::vector<std::string> items = Files(3);
  MakeProject(folder + "\\Project");
  items.push_back(folder + "\\Project");
  for (const char* name : {"Отчёт.txt", "报告.txt", "notes 📄.txt"}) {
    items.push_back(folder + "\\" + name);
    MakeDatedFile(items.back(), "named", 2003, 9, 20);
  }
  ASSERT_EQ(S_OK, InvokeOn(items));
  EXPECT_EQ(1, CountProcesses("snapcopy.exe")) << "one run for the whole selection";
  ASSERT_TRUE(WaitUntilNoProcess("snapcopy.exe", 60000));
  for (int n = 0; n < 3; ++n) EXPECT_TRUE(Exists(folder + "\\f" + std::to_string(n) + "-2003-09-20.txt")) << n;
  EXPECT_EQ(Tree(folder + "\\Project"), Tree(folder + "\\Project-2003-09-20"));
  for (const char* copy : {"Отчёт-2003-09-20.txt", "报告-2003-09-20.txt", "notes 📄-2003-09-20.txt"})
    EXPECT_TRUE(ExistsByUnicodeName(folder + "\\" + copy)) << copy;

  // Shift down as this thread saw it at the click: the names asked for in
  // the selection's order, so that Cancel on one skips that one.
  const std::vector<std::string> three = Files(3, "g");
  BYTE keys[256] = {};
  keys[VK_SHIFT] = keys[VK_LSHIFT] = 0x80;
  SetKeyboardState(keys);
  const HRESULT invoked = InvokeOn(three);
  keys[VK_SHIFT] = keys[VK_LSHIFT] = 0;
  SetKeyboardState(keys);
  ASSERT_EQ(S_OK, invoked);
  AnswerNameDialogs(three, 1);

  EXPECT_EQ(E_INVALIDARG, InvokeOn({"::" + std::to_string(CSIDL_DRIVES)})) << "nothing to hand over";
}

// A server that cannot be started: Invoke says so, and shows nothing.
TEST_F(MenuCommand, NoServerIsAnError) {
  SetDropServer("\"C:\\windows\\no-such-program.exe\"");
  const HRESULT result = InvokeOn(Files(1));
  SetDropServer("\"C:\\windows\\snapcopy.exe\"");
  EXPECT_TRUE(FAILED(result)) << std::hex << result;
  EXPECT_EQ(0, CountFiles(folder) - 1) << "something was copied";
}

// Runs under strace (ctest sets KEEPSNAP_STRACE, wine-session.sh starts it):
// every read of C:\kstest\faulty\source.bin by any program is slowed, so that
// a backup of it takes a few seconds, as one to a USB stick does.
class SlowSource : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(CopyFileA((BinDir() + "\\snapcopy.exe").c_str(), "C:\\windows\\snapcopy.exe", FALSE));
    StoreSettings("0", "1", "0", "backup");
    FreshFolder("faulty");
    MakeDatedFile(kSource, source, 2003, 9, 20);  // written, never read by this driver
    WriteFileBytes(kBackup, earlier);
  }
  // The hidden file a run writes its copy to, if it is there yet.
  static bool TemporaryExists(DWORD* attributes = nullptr) {
    const DWORD found = GetFileAttributesA("C:\\kstest\\faulty\\~source-2003-09-20.bin.keepsnap");
    if (attributes != nullptr) *attributes = found;
    return found != INVALID_FILE_ATTRIBUTES;
  }
  static constexpr const char* kFolder = "C:\\kstest\\faulty";
  static constexpr const char* kSource = "C:\\kstest\\faulty\\source.bin";
  static constexpr const char* kBackup = "C:\\kstest\\faulty\\source-2003-09-20.bin";
  const std::string source = Body(6 * 1024 * 1024, 's');
  const std::string earlier = Body(300000, 'm');
};

// After a second the shell's progress window shows the file, how much is
// done of how much, and a Cancel button; Cancel (clicked, or Esc) removes the
// copy, keeps the earlier backup and shows no message. Catches a bar that
// never moves where the system's copier reports no progress, as in Wine.
TEST_F(SlowSource, CancelKeepsEarlierBackup) {
  // Twice the usual size: time to watch the amounts move, and for Cancel to
  // come well before the end where the program takes long to start.
  const std::string large = Body(12 * 1024 * 1024, 's');
  for (int way = 0; way < 2; ++way) {
    SetUp();
    MakeDatedFile(kSource, large, 2003, 9, 20);
    Process run("snapcopy.exe " + std::string(kSource));
    ASSERT_TRUE(run.Started());
    HWND window = WaitForDialog("Morvane Keepsnap", run.Id(), 30000);
    ASSERT_NE(nullptr, window) << "no progress window";
    EXPECT_NE(nullptr, FindWindowExA(window, nullptr, "msctls_progress32", nullptr));
    HWND cancel = GetDlgItem(window, IDCANCEL);
    ASSERT_NE(nullptr, cancel);
    EXPECT_EQ("Cancel", WindowText(cancel));
    bool named = false;
    for (HWND child = GetWindow(window, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT))
      named = named || WindowText(child).find("source.bin") != std::string::npos;
    EXPECT_TRUE(named) << "the window names the file";
    if (way == 0) {
      HWND bar = FindWindowExA(window, nullptr, "msctls_progress32", nullptr);
      const LRESULT first = SendMessageA(bar, PBM_GETPOS, 0, 0);
      LRESULT later = first;
      for (const DWORD start = GetTickCount(); later == first && GetTickCount() - start < 2000; Sleep(20))
        later = SendMessageA(bar, PBM_GETPOS, 0, 0);
      EXPECT_GT(later, first) << "the bar did not move";
      std::string amount;
      for (HWND child = GetWindow(window, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT))
        if (WindowText(child).find(" MB of ") != std::string::npos) amount = WindowText(child);
      EXPECT_NE(std::string::npos, amount.find(" MB of 12.00 MB")) << "amount line: " << amount;
      EXPECT_EQ(std::string::npos, amount.find("0 bytes of")) << amount;
      Click(window, IDCANCEL);
    } else {
      PostMessageA(cancel, WM_KEYDOWN, VK_ESCAPE, 0);
    }
    EXPECT_TRUE(run.WaitForExit(30000)) << "no message may follow Cancel";
    ExpectOnlySourceAndBackup(kFolder, kBackup, earlier);
  }
  // A folder's backup: one window for the tree, naming the folder; Cancel
  // keeps the earlier copy and leaves nothing.
  SetUp();
  MakeDatedFile(kSource, large, 2003, 9, 20);
  MakeDatedFile(kBackup, earlier, 2003, 9, 19);  // the folder's newest file is the source
  const std::string copy = FreshFolder("faulty-2003-09-20");
  MakeEarlierCopy(copy);
  CancelFolderBackup(kFolder, copy, "faulty\\source.bin");
}

// Killed part-way (a crash, a log-off): the earlier backup is whole, at most
// the one hidden temporary is left, and the next run leaves only the source
// and its new backup.
TEST_F(SlowSource, KilledRunLeavesEarlierBackup) {
  Process killed("snapcopy.exe " + std::string(kSource));
  ASSERT_TRUE(killed.Started());
  const DWORD start = GetTickCount();
  while (!TemporaryExists() && GetTickCount() - start < 30000) Sleep(20);
  Sleep(300);  // a part written, hidden by now
  DWORD attributes = 0;
  ASSERT_TRUE(TemporaryExists(&attributes)) << "no copy under way";
  ASSERT_TRUE(TerminateProcess(OpenProcess(PROCESS_TERMINATE, FALSE, killed.Id()), 9));
  ASSERT_TRUE(killed.WaitForExit(10000));
  std::string bytes;
  ASSERT_TRUE(ReadFileBytes(kBackup, &bytes));
  EXPECT_TRUE(bytes == earlier) << "the earlier backup changed";
  EXPECT_LE(CountFiles(kFolder), 3);
  if (TemporaryExists(&attributes)) {
    EXPECT_TRUE(attributes & FILE_ATTRIBUTE_HIDDEN) << "a visible leftover";
  }

  Process next("snapcopy.exe " + std::string(kSource));
  ASSERT_TRUE(next.WaitForExit(30000));
  ExpectOnlySourceAndBackup(kFolder, kBackup, source);
}

// A folder's backup killed part-way, at whatever point: the copy's name holds
// the earlier copy or the new one, each whole, or nothing while the earlier
// copy waits whole under its hidden name; whatever is left is hidden; the
// next run puts it right and leaves the new copy alone.
TEST_F(SlowSource, KilledFolderCopyPutRightByTheNext) {
  const std::string copy = std::string(kFolder) + "-2003-09-20";
  const std::string aside = "C:\\kstest\\~faulty-2003-09-20.keepsnap-earlier";
  for (DWORD after : {300u, 1500u}) {
    SetUp();
    MakeDatedFile(kBackup, earlier, 2003, 9, 19);  // the folder's newest file is the source
    FreshFolder("faulty-2003-09-20");                // not the copy an earlier round made
    MakeEarlierCopy(copy);
    Process killed("snapcopy.exe " + std::string(kFolder));
    ASSERT_TRUE(killed.Started());
    Sleep(after);
    ASSERT_TRUE(TerminateProcess(OpenProcess(PROCESS_TERMINATE, FALSE, killed.Id()), 9));
    ASSERT_TRUE(killed.WaitForExit(10000));
    const std::map<std::string, std::string> named = Tree(copy);
    if (GetFileAttributesA(copy.c_str()) != INVALID_FILE_ATTRIBUTES) {
      EXPECT_TRUE(named == kEarlierCopy || named == Tree(kFolder)) << "a part under the copy's name, after " << after;
    } else {
      EXPECT_EQ(kEarlierCopy, Tree(aside)) << "the earlier copy is neither named nor aside, after " << after;
    }
    for (const std::string& leftover : {std::string("C:\\kstest\\~faulty-2003-09-20.keepsnap"), aside}) {
      const DWORD attributes = GetFileAttributesA(leftover.c_str());
      if (attributes != INVALID_FILE_ATTRIBUTES) {
        EXPECT_TRUE(attributes & FILE_ATTRIBUTE_HIDDEN) << leftover;
      }
    }
    Process next("snapcopy.exe " + std::string(kFolder));
    ASSERT_TRUE(next.WaitForExit(30000));
    EXPECT_EQ(Tree(kFolder), Tree(copy)) << "the run after a kill at " << after << " ms";
    ExpectNoLeftover(copy);
  }
}

// Many small files, each copied on the calling thread, where only the look
// after each copy sees Cancel: the window shows all the same, and Cancel in
// it keeps the earlier copy and leaves nothing.
TEST_F(SlowSource, CancelManySmallFiles) {
  const std::string root = FreshFolder("small"), copy = FreshFolder("small-2003-09-20");
  const std::string body = Body(4096, 'f');
  for (int i = 0; i < 3000; ++i) {
    const std::string sub = root + "\\d" + std::to_string(i / 100);
    if (i % 100 == 0) CreateDirectoryA(sub.c_str(), nullptr);
    MakeDatedFile(sub + "\\f" + std::to_string(i) + ".txt", body, 2003, 9, 20);
  }
  MakeEarlierCopy(copy);
  CancelFolderBackup(root, copy, nullptr);
}

// Through the DropTarget: Drop returns as soon as the server has the items,
// while the slowed copy has barely begun; Cancel in the selection's one
// window then finishes nothing more: the item done keeps its new copy, the
// item being copied its earlier one, the item not begun is not touched, and
// no box shows.
TEST_F(SlowSource, DropReturnsAtOnceAndCancelStopsTheSelection) {
  RegisterDropServer();
  const std::string large = Body(12 * 1024 * 1024, 's');
  MakeDatedFile(kSource, large, 2003, 9, 20);
  MakeDatedFile(std::string(kFolder) + "\\a.txt", "first", 2003, 9, 20);
  MakeDatedFile(std::string(kFolder) + "\\z.txt", "last", 2003, 9, 20);
  DWORD dropMs = 0;
  ASSERT_EQ(S_OK, DropOn({std::string(kFolder) + "\\a.txt", kSource, std::string(kFolder) + "\\z.txt"}, MK_LBUTTON,
                         &dropMs));
  EXPECT_LT(dropMs, 5000u) << "Drop waited on the backup";
  std::string bytes;
  ASSERT_TRUE(ReadFileBytes(kBackup, &bytes));
  EXPECT_TRUE(bytes == earlier) << "the copy was done before Drop returned";
  HWND window = WaitForDialog("Morvane Keepsnap", ProcessIdOf("snapcopy.exe"), 30000);
  ASSERT_NE(nullptr, window) << "no progress window for the selection";
  Click(window, IDCANCEL);
  EXPECT_TRUE(WaitUntilNoProcess("snapcopy.exe", 30000)) << "no message may follow Cancel";
  EXPECT_TRUE(ReadFileBytes(std::string(kFolder) + "\\a-2003-09-20.txt", &bytes) && bytes == "first");
  ASSERT_TRUE(ReadFileBytes(kBackup, &bytes));
  EXPECT_TRUE(bytes == earlier) << "the earlier backup changed";
  EXPECT_FALSE(Exists(std::string(kFolder) + "\\z-2003-09-20.txt")) << "an item after Cancel was copied";
  EXPECT_EQ(5, CountFiles(kFolder)) << "nothing left over";
}

// A double click starts two runs on one file: one whole backup, no message,
// nothing left over.
TEST_F(SlowSource, TwoRunsAtOnce) {
  Process first("snapcopy.exe " + std::string(kSource));
  Process second("snapcopy.exe " + std::string(kSource));
  ASSERT_TRUE(first.Started() && second.Started());
  const DWORD start = GetTickCount();
  HWND box = nullptr;
  while (!(first.WaitForExit(0) && second.WaitForExit(0)) && GetTickCount() - start < 60000 && box == nullptr) {
    box = WaitForDialog(keepsnap::kErrorCaption, first.Id(), 100);
    if (box == nullptr) box = WaitForDialog(keepsnap::kErrorCaption, second.Id(), 100);
  }
  EXPECT_EQ(nullptr, box) << (box ? MessageBoxText(box) : "");
  EXPECT_TRUE(first.WaitForExit(30000) && second.WaitForExit(30000));
  ExpectOnlySourceAndBackup(kFolder, kBackup, source);
}

// Under strace reads of the source fail (EIO) from the third on, as a bad
// sector or a pulled stick make them: the copier may call that done, but a
// short copy is a failed one, shown, and the earlier backup stays.
class FaultySource : public SlowSource {};

TEST_F(FaultySource, ReadErrorKeepsEarlierBackup) {
  Process run("snapcopy.exe " + std::string(kSource));
  HWND box = WaitForDialog(keepsnap::kErrorCaption, run.Id(), 30000);
  ASSERT_NE(nullptr, box) << "a failed read must be shown";
  EXPECT_EQ(keepsnap::kCopyFailedMessage, MessageBoxText(box));
  Click(box, IDOK);
  ASSERT_TRUE(run.WaitForExit(10000));
  ExpectOnlySourceAndBackup(kFolder, kBackup, earlier);

  // A folder whose one file deep in the tree fails to read.
  const std::string tree = std::string(kFolder) + "\\tree", copy = std::string(kFolder) + "\\tree-2003-09-20";
  MakeProject(tree);
  MakeDatedFile(tree + "\\sub\\deep\\source.bin", source, 2003, 9, 20);
  MakeEarlierCopy(copy);
  Process folderRun("snapcopy.exe " + tree);
  box = WaitForDialog(keepsnap::kErrorCaption, folderRun.Id(), 30000);
  ASSERT_NE(nullptr, box) << "a failed read in a folder must be shown";
  EXPECT_EQ(keepsnap::kCopyFailedMessage, MessageBoxText(box));
  Click(box, IDOK);
  ASSERT_TRUE(folderRun.WaitForExit(10000));
  EXPECT_EQ(kEarlierCopy, Tree(copy)) << "the earlier copy changed";
  ExpectNoLeftover(copy);
}

// Under strace -y, which logs flushes and renames with the files' names to
// C:\kstest\strace.log: the copy is flushed to the disk before it is given
// the backup's name.
class OnDisk : public SnapcopyRun {};

TEST_F(OnDisk, FlushedBeforeNamed) {
  StoreSettings("0", "1", "0", "backup");
  RunShellCommand(source);
  ExpectCopy("report-2003-09-20.txt");
  std::string log;
  ASSERT_TRUE(ReadFileBytes("C:\\kstest\\strace.log", &log));
  const std::string temporary = "~report-2003-09-20.txt.keepsnap";
  std::string::size_type flush = std::string::npos, rename = std::string::npos;
  for (std::string::size_type at = 0, end; at < log.size(); at = end + 1) {
    end = log.find('\n', at);
    if (end == std::string::npos) end = log.size();
    const std::string line = log.substr(at, end - at);
    if (line.find(temporary) == std::string::npos) continue;
    if (flush == std::string::npos && (line.find("fsync(") != std::string::npos || line.find("fdatasync(") != std::string::npos))
      flush = at;
    if (line.find("rename") != std::string::npos && line.find("report-2003-09-20.txt\"") != std::string::npos) rename = at;
  }
  ASSERT_NE(std::string::npos, rename) << "no rename to the backup's name seen:\n" << log;
  ASSERT_NE(std::string::npos, flush) << "the copy was never flushed:\n" << log;
  EXPECT_LT(flush, rename) << "flushed only after it was named";

  // A folder's backup: every file of the tree is flushed, each before the
  // tree takes its name.
  const std::string tree = folder + "\\Tree";
  for (const char* sub : {"", "\\sub"}) CreateDirectoryA((tree + sub).c_str(), nullptr);
  for (const char* file : {"\\a.txt", "\\b.txt", "\\sub\\c.txt"}) MakeDatedFile(tree + file, file, 2003, 9, 20);
  RunShellCommand(tree);
  EXPECT_EQ(Tree(tree), Tree(tree + "-2003-09-20"));
  ASSERT_TRUE(ReadFileBytes("C:\\kstest\\strace.log", &log));
  const std::string inside = "~Tree-2003-09-20.keepsnap/";
  std::map<std::string, std::string::size_type> flushes;  // each file's first flush
  std::string::size_type named = std::string::npos;
  for (std::string::size_type at = 0, end; at < log.size(); at = end + 1) {
    end = log.find('\n', at);
    if (end == std::string::npos) end = log.size();
    const std::string line = log.substr(at, end - at);
    if (line.find("fsync(") != std::string::npos || line.find("fdatasync(") != std::string::npos)
      for (const char* file : {"a.txt", "b.txt", "sub/c.txt"})
        if (line.find(inside + file + ">") != std::string::npos && !flushes.count(file)) flushes[file] = at;
    if (line.find("rename") != std::string::npos && line.find("~Tree-2003-09-20.keepsnap\"") != std::string::npos &&
        line.find("/Tree-2003-09-20\"") != std::string::npos)
      named = at;
  }
  ASSERT_NE(std::string::npos, named) << "no rename of the tree to its name seen:\n" << log;
  EXPECT_EQ(3u, flushes.size()) << "a file of the tree never flushed:\n" << log;
  for (const auto& flushed : flushes) EXPECT_LT(flushed.second, named) << flushed.first << " flushed after the tree was named";
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

// A folder with Shift and the folder key: into the backup folder beside it;
// with Shift alone the name dialog offers the copy's full path, and a typed
// path inside the folder itself is refused.
TEST_F(SnapcopyKeys, FolderByKeys) {
  StoreSettings("0", "1", "0", "backup");
  const std::string project = folder + "\\Project";
  MakeProject(project);
  RunWithKeys("shift+folder", project);
  EXPECT_EQ(Tree(project), Tree(folder + "\\backup\\Project-2003-09-20"));

  for (const std::string& typed : {folder + "\\Project-typed", project + "\\inside"}) {
    Process run("\"" + BinDir() + "\\snapcopy_with_keys.exe\" shift " + project);
    HWND dialog = WaitForDialog("Enter New File Name", run.Id());
    ASSERT_NE(nullptr, dialog);
    EXPECT_EQ(folder + "\\Project-2003-09-20", ControlText(dialog, IDC_NEW_NAME));
    SetDlgItemTextA(dialog, IDC_NEW_NAME, typed.c_str());
    Click(dialog, IDOK);
    const bool inside = typed.find("inside") != std::string::npos;
    HWND box = WaitForDialog(keepsnap::kErrorCaption, run.Id(), inside ? 10000 : 1500);
    EXPECT_EQ(inside, box != nullptr) << typed;
    if (box != nullptr) Click(box, IDOK);
    ASSERT_TRUE(run.WaitForExit(15000));
    if (!inside) {
      EXPECT_EQ(Tree(project), Tree(typed));
    }
  }
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA((project + "\\inside").c_str()));
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

// A name that cannot be copied to gets the message after OK, and so does
// the source's own name, in any spelling: the source is never replaced.
TEST_F(NewNameDialog, BadNameIsReported) {
  char shortPath[MAX_PATH];
  ASSERT_GT(GetShortPathNameA(source.c_str(), shortPath, MAX_PATH), 0u);
  FILETIME written;
  HANDLE file = CreateFileA(source.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  GetFileTime(file, nullptr, nullptr, &written);
  CloseHandle(file);
  for (const std::string& typed : {folder + "\\no such folder\\x.txt", source, std::string(shortPath)}) {
    HWND dialog = OpenDialog();
    ASSERT_NE(nullptr, dialog);
    SetDlgItemTextA(dialog, IDC_NEW_NAME, typed.c_str());
    Click(dialog, IDOK);
    HWND box = WaitForDialog("UNEXPECTED ERROR", run->Id());
    ASSERT_NE(nullptr, box) << typed;
    EXPECT_EQ(keepsnap::kCopyFailedMessage, MessageBoxText(box));
    Click(box, IDOK);
    EXPECT_TRUE(run->WaitForExit(10000));
    EXPECT_EQ(1, CountFiles(folder)) << typed;
    std::string bytes;
    ASSERT_TRUE(ReadFileBytes(source, &bytes));
    EXPECT_EQ(kContent, bytes) << typed;
    FILETIME now;
    file = CreateFileA(source.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    GetFileTime(file, nullptr, nullptr, &now);
    CloseHandle(file);
    EXPECT_EQ(0, CompareFileTime(&written, &now)) << typed << ": the source was written";
  }
}

}  // namespace
