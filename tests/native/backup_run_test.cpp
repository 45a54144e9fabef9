#include "core/backup_run.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/target_lock.h"
#include "tests/native/fakes.h"

namespace keepsnap {
namespace {

const char kReport[] = "C:\\Docs\\report.txt";
const char kBody[] = "report body";

// C:\Docs\report.txt, last written on 2003-09-20, which the shell may pass
// in its short form; the settings year first, "-", the file's date, "backup".
void Arrange(FakeRun* run) {
  BackupSettings settings;
  settings.date_mode = "0";
  settings.date_separator = "1";
  settings.date_to_use = "0";
  settings.backup_folder = "backup";
  run->registry.Store(settings);
  run->files.Folder("C:\\Docs");
  run->files.File(kReport, kBody);
  run->files.nodes[kReport].time = 20030920;
  run->files.longForms["C:\\DOCS~1\\report.txt"] = kReport;
}

// The file's backups: every file but the source that holds its bytes.
std::vector<std::string> Copies(const FakeFiles& files) {
  std::vector<std::string> copies;
  for (const auto& n : files.nodes)
    if (!n.second.folder && n.second.body == kBody && n.first != kReport) copies.push_back(n.first);
  return copies;
}

class RunBackupTest : public ::testing::Test {
 protected:
  void SetUp() override { Arrange(&r); }
  void Run(const std::string& path = "C:\\DOCS~1\\report.txt") {
    r.Run(path);
    EXPECT_EQ(r.files.opened, r.files.closed) << "the source handle must be closed on every way out";
  }
  FakeRun r;
};

// The documented run with no key held.
TEST_F(RunBackupTest, NoKeyCopiesBesideSource) {
  Run();
  EXPECT_EQ(kReport, r.files.openedPath);
  EXPECT_EQ(std::vector<std::string>{"C:\\Docs\\report-2003-09-20.txt"}, Copies(r.files));
  EXPECT_EQ(std::vector<std::string>{"report.txt"}, r.progress.labels) << "the progress window names the file";
  EXPECT_EQ(std::vector<unsigned long long>{sizeof kBody - 1}, r.progress.begun) << "the window's total";
  EXPECT_EQ(std::vector<std::string>{TargetLockName("C:\\Docs\\report-2003-09-20.txt", CodePage())}, r.locks.taken);
  EXPECT_EQ(1, r.files.attributesAsked[kReport]) << "a file's run asked more than its copy does";
  EXPECT_TRUE(r.user.errors.empty());
  EXPECT_TRUE(r.user.dialogShown.empty());
}

// Catches the folder key alone, or a toggle bit, being taken as a choice.
TEST_F(RunBackupTest, KeyTable) {
  struct Row {
    unsigned char shift, folderKey;
    BackupTarget target;
  } rows[] = {
      {0, 0, BackupTarget::SameFolder},       {0, 0x80, BackupTarget::SameFolder},
      {0x80, 0x80, BackupTarget::BackupFolder}, {0x80, 0, BackupTarget::NewName},
      {0x81, 0x81, BackupTarget::BackupFolder}, {1, 1, BackupTarget::SameFolder},
      {0x80, 1, BackupTarget::NewName},        {2, 2, BackupTarget::BackupFolder},
  };
  for (const Row& row : rows) {
    unsigned char keys[256] = {0};
    keys[16] = row.shift;
    keys[192] = row.folderKey;
    EXPECT_EQ(row.target, ChooseTarget(ModifiersFromKeyboard(keys))) << int(row.shift) << " " << int(row.folderKey);
  }
  // A selection handed over with a drop: Shift from the drop's key state
  // (MK_SHIFT among the mouse buttons' flags), the folder key as read then.
  struct DropRow {
    unsigned keyState;
    bool folderKey;
    BackupTarget target;
  } drops[] = {
      {0x1, false, BackupTarget::SameFolder},   {0x1, true, BackupTarget::SameFolder},
      {0x5, true, BackupTarget::BackupFolder},  {0x4, false, BackupTarget::NewName},
      {0x8 | 0x1, true, BackupTarget::SameFolder},  // Ctrl is no Shift
  };
  for (const DropRow& row : drops)
    EXPECT_EQ(row.target, ChooseTarget(ModifiersFromDrop(row.keyState, row.folderKey))) << row.keyState;
}

TEST_F(RunBackupTest, ShiftAndFolderKeyCopyIntoBackupFolder) {
  r.keys.Hold(kShiftKey);
  r.keys.Hold(kFolderKey);
  Run();
  EXPECT_TRUE(r.files.nodes["C:\\Docs\\backup"].folder);
  EXPECT_EQ(std::vector<std::string>{"C:\\Docs\\backup\\report-2003-09-20.txt"}, Copies(r.files));
  EXPECT_TRUE(r.user.errors.empty());
}

TEST_F(RunBackupTest, ShiftAloneAsksForName) {
  r.keys.Hold(kShiftKey);
  r.user.typedName = "D:\\elsewhere.txt";
  Run();
  EXPECT_EQ(std::vector<std::string>{"C:\\Docs\\report-2003-09-20.txt"}, r.user.dialogShown);
  EXPECT_EQ(std::vector<std::string>{"D:\\elsewhere.txt"}, Copies(r.files));
}

TEST_F(RunBackupTest, CancelledDialogCopiesAndShowsNothing) {
  r.keys.Hold(kShiftKey);
  r.user.dialogOk = false;
  Run();
  EXPECT_EQ(1u, r.user.dialogShown.size());
  EXPECT_TRUE(r.locks.taken.empty());
  EXPECT_TRUE(Copies(r.files).empty());
  EXPECT_TRUE(r.user.errors.empty());
}

// A failed copy is never silent, whichever target was chosen; one the user
// cancelled shows nothing.
TEST_F(RunBackupTest, FailedCopyIsShownForEveryTarget) {
  const int held[][2] = {{0, 0}, {kShiftKey, kFolderKey}, {kShiftKey, 0}};
  for (const char* fails : {"copy", "cancel"}) {
    for (auto& keys : held) {
      FakeRun q;
      Arrange(&q);
      q.files.fails = fails;
      if (keys[0]) q.keys.Hold(keys[0]);
      if (keys[1]) q.keys.Hold(keys[1]);
      q.Run(kReport);
      EXPECT_EQ(1u, q.locks.taken.size()) << "one copy tried";
      EXPECT_TRUE(Copies(q.files).empty());
      if (std::string(fails) == "cancel") {
        EXPECT_TRUE(q.user.errors.empty()) << keys[0] << " " << keys[1];
      } else {
        ASSERT_EQ(1u, q.user.errors.size()) << keys[0] << " " << keys[1];
        EXPECT_EQ(kCopyFailedMessage, q.user.errors[0]);
      }
      EXPECT_EQ(q.files.opened, q.files.closed);
    }
  }
}

// File date chosen but the file cannot be opened, or its time not read.
TEST_F(RunBackupTest, NoFileDateStopsWithMessage) {
  for (const char* fails : {"open", "date"}) {
    FakeRun q;
    Arrange(&q);
    q.keys.Hold(kShiftKey);
    q.files.fails = fails;
    q.Run(kReport);
    ASSERT_EQ(1u, q.user.errors.size());
    EXPECT_EQ(kNoDateMessage, q.user.errors[0]);
    EXPECT_TRUE(q.locks.taken.empty());
    EXPECT_TRUE(q.user.dialogShown.empty());
    EXPECT_EQ(q.files.opened, q.files.closed);
  }
}

// System date chosen: an unopenable file still gets today's stamp; the
// failure shows at the copy.
TEST_F(RunBackupTest, SystemDateNeedsNoOpenFile) {
  BackupSettings settings = ReadSettings(r.registry);
  settings.date_to_use = "1";
  r.registry.Store(settings);
  r.files.fails = "open;copy";
  Run();
  EXPECT_EQ(std::vector<std::string>{TargetLockName("C:\\Docs\\report-2026-12-07.txt", CodePage())}, r.locks.taken);
  ASSERT_EQ(1u, r.user.errors.size());
  EXPECT_EQ(kCopyFailedMessage, r.user.errors[0]);
}

// A quoted path, as the registered command passes it, gets its long form
// like an unquoted one.
TEST_F(RunBackupTest, QuotedPathGetsLongForm) {
  Run("\"C:\\DOCS~1\\report.txt\"");
  EXPECT_EQ(kReport, r.files.openedPath);
  EXPECT_EQ(std::vector<std::string>{"C:\\Docs\\report-2003-09-20.txt"}, Copies(r.files));
}

// Without a long form the command-line text is used, quotes removed.
TEST_F(RunBackupTest, LongPathFailureFallsBackToCommandLine) {
  r.files.Folder("C:\\Gone");
  r.files.File("C:\\Gone\\a b.txt", kBody);
  r.files.nodes["C:\\Gone\\a b.txt"].time = 20030920;
  r.files.fails = "long";
  Run("\"C:\\Gone\\a b.txt\"");
  EXPECT_EQ("C:\\Gone\\a b.txt", r.files.openedPath);
  EXPECT_EQ(kBody, r.files.nodes["C:\\Gone\\a b-2003-09-20.txt"].body);
}

// Nothing stored: month first, ".", today's date, and the source's own folder.
TEST_F(RunBackupTest, NoSettingsUseFallbacks) {
  r.registry.values.clear();
  r.keys.Hold(kShiftKey);
  r.keys.Hold(kFolderKey);
  Run();
  EXPECT_EQ(std::vector<std::string>{TargetLockName("C:\\Docs\\report-12.07.2026.txt", CodePage())}, r.locks.taken)
      << "C:\\Docs\\ and the empty folder name: the source's own folder";
  EXPECT_EQ(std::vector<std::string>{"C:\\Docs\\report-12.07.2026.txt"}, Copies(r.files));
}

// A folder's backup: the whole name, dots and all, before the stamp; the
// newest file's date, or the folder's own in a tree with no file; the keys
// choose the place as for a file; the window names the folder and the file.
TEST_F(RunBackupTest, FolderRuns) {
  struct Row {
    const char* what;
    const char* path;
    int keys;  // 0 none, 1 Shift and the folder key, 2 Shift alone
    std::string dateToUse;
    std::string target;  // empty: no copy
    const char* error;
  } rows[] = {
      {"beside it, dated by its newest file", "C:\\Docs\\Project", 0, "0", "C:\\Docs\\Project-2003-09-20", nullptr},
      {"a dot marks no extension", "C:\\Docs\\Site.v2", 0, "0", "C:\\Docs\\Site.v2-2003-09-20", nullptr},
      {"a trailing backslash", "C:\\Docs\\Project\\", 0, "0", "C:\\Docs\\Project-2003-09-20", nullptr},
      {"into the backup folder", "C:\\Docs\\Project", 1, "0", "C:\\Docs\\backup\\Project-2003-09-20", nullptr},
      {"the name offered whole", "C:\\Docs\\Project", 2, "0", "C:\\Docs\\Project-2003-09-20", nullptr},
      {"no file: the folder's own date", "C:\\Docs\\Empty", 0, "0", "C:\\Docs\\Empty-2001-02-03", nullptr},
      {"today's date", "C:\\Docs\\Project", 0, "1", "C:\\Docs\\Project-2026-12-07", nullptr},
      {"a drive has no name to stamp", "C:\\", 0, "1", "", kCopyFailedMessage},
  };
  for (const Row& row : rows) {
    FakeRun q;
    Arrange(&q);
    BackupSettings settings = ReadSettings(q.registry);
    settings.date_to_use = row.dateToUse;
    q.registry.Store(settings);
    q.files.Folder("C:\\");
    for (const char* folder : {"C:\\Docs\\Project", "C:\\Docs\\Site.v2", "C:\\Docs\\Empty"}) q.files.Folder(folder);
    q.files.nodes["C:\\Docs\\Empty"].time = 20010203;
    q.files.File("C:\\Docs\\Project\\a.txt", "a");
    q.files.File("C:\\Docs\\Project\\b.txt", "b");
    q.files.nodes["C:\\Docs\\Project\\a.txt"].time = 20030920;
    q.files.nodes["C:\\Docs\\Project\\b.txt"].time = 20010101;
    q.files.File("C:\\Docs\\Site.v2\\a.txt", "a");
    q.files.nodes["C:\\Docs\\Site.v2\\a.txt"].time = 20030920;
    if (row.keys != 0) q.keys.Hold(kShiftKey);
    if (row.keys == 1) q.keys.Hold(kFolderKey);
    q.Run(row.path);
    EXPECT_EQ(row.error == nullptr ? 0u : 1u, q.user.errors.size()) << row.what;
    if (row.target.empty()) {
      EXPECT_TRUE(q.locks.taken.empty()) << row.what;
      continue;
    }
    ASSERT_TRUE(q.files.Has(row.target)) << row.what;
    EXPECT_TRUE(q.files.nodes[row.target].folder) << row.what << ": copied as a file";
    const std::string source = WithoutTrailingSeparators(row.path);
    EXPECT_EQ(q.files.Below(source), q.files.Below(row.target)) << row.what;
    EXPECT_EQ(row.keys == 2 ? 1u : 0u, q.user.dialogShown.size()) << row.what;
    if (row.keys == 2) {
      EXPECT_EQ(row.target, q.user.dialogShown[0]) << row.what;
    }
    if (!q.files.Below(source).empty()) {
      EXPECT_EQ(FileNameOf(source, q.cp) + "\\a.txt", q.progress.labels[0]) << row.what << ": the window's label";
    }
  }
  // A tree that cannot be read: no date to give, or no copy to make.
  for (const char* dateToUse : {"0", "1"}) {
    FakeRun q;
    Arrange(&q);
    BackupSettings settings = ReadSettings(q.registry);
    settings.date_to_use = dateToUse;
    q.registry.Store(settings);
    q.files.Folder("C:\\Docs\\Project");
    q.files.fails = "list";
    q.Run("C:\\Docs\\Project");
    ASSERT_EQ(1u, q.user.errors.size()) << dateToUse;
    EXPECT_EQ(dateToUse[0] == '0' ? kNoDateMessage : kCopyFailedMessage, q.user.errors[0]) << dateToUse;
    EXPECT_TRUE(q.locks.taken.empty());
  }
}

// A typed name is taken as the system takes it: relative to the current
// folder, with "/" and ".." resolved. The copy, its lock and the refusal of a
// copy inside the folder go by that full path.
TEST_F(RunBackupTest, TypedNamesGoByTheirFullPath) {
  struct Row {
    const char* typed;
    const char* copy;  // nullptr: refused, nothing made
  } rows[] = {
      {"Project\\inner", nullptr},
      {"C:/Docs/Project/inner", nullptr},
      {"C:\\Docs\\Other\\..\\Project\\inner", nullptr},
      {"C:\\Docs\\.\\Project", nullptr},
      {"C:\\Docs\\Other\\..\\Copy", "C:\\Docs\\Copy"},
      {"copy of it", "C:\\Docs\\copy of it"},
      {"C:/Docs/slashed", "C:\\Docs\\slashed"},
  };
  for (const Row& row : rows) {
    FakeRun q;
    Arrange(&q);
    q.files.Folder("C:\\Docs\\Project");
    q.files.File("C:\\Docs\\Project\\a.txt", "a");
    q.keys.Hold(kShiftKey);
    q.user.typedName = row.typed;
    const std::map<std::string, FakeFiles::Node> before = q.files.nodes;
    q.Run("C:\\Docs\\Project");
    if (row.copy == nullptr) {
      EXPECT_EQ(std::vector<std::string>{kCopyFailedMessage}, q.user.errors) << row.typed;
      EXPECT_EQ(before.size(), q.files.nodes.size()) << row.typed << ": something was made";
      continue;
    }
    EXPECT_TRUE(q.user.errors.empty()) << row.typed;
    EXPECT_EQ(std::vector<std::string>{TargetLockName(row.copy, CodePage())}, q.locks.taken) << row.typed;
    EXPECT_EQ(q.files.Below("C:\\Docs\\Project"), q.files.Below(row.copy)) << row.typed;
  }
}

// C:\Docs\f<n>.txt for n from 0, each last written 2003-09-20, and three
// folders of one file each.
std::vector<std::string> MakeSelection(FakeRun* run, int files) {
  std::vector<std::string> items;
  for (int n = 0; n < files; ++n) {
    items.push_back("C:\\Docs\\f" + std::to_string(n) + ".txt");
    run->files.File(items.back(), "body " + std::to_string(n));
    run->files.nodes[items.back()].time = 20030920;
  }
  return items;
}

// The whole selection in one run: every item as the command line backs it
// up, in order, one named twice once, one progress window over the bytes of
// all; a failure is told once, at the end, naming the item; Cancel finishes
// nothing more and tells nothing.
TEST_F(RunBackupTest, SelectionRuns) {
  const ModifierState none = {false, false}, shift = {true, false}, both = {true, true};
  {  // 40 files and 3 folders, beyond the 15 a command line is started for
    FakeRun q;
    Arrange(&q);
    std::vector<std::string> items = MakeSelection(&q, 40);
    for (const char* folder : {"C:\\Docs\\A", "C:\\Docs\\B", "C:\\Docs\\C.d"}) {
      q.files.Folder(folder);
      q.files.File(std::string(folder) + "\\in.txt", "inside");
      q.files.nodes[std::string(folder) + "\\in.txt"].time = 20030920;
      items.push_back(folder);
    }
    items.push_back("c:\\docs\\F3.TXT");  // named twice
    q.RunItems(items, none);
    EXPECT_TRUE(q.user.errors.empty());
    EXPECT_EQ(43u, q.locks.taken.size()) << "each item once";
    for (int n = 0; n < 40; ++n)
      EXPECT_EQ("body " + std::to_string(n), q.files.nodes["C:\\Docs\\f" + std::to_string(n) + "-2003-09-20.txt"].body);
    EXPECT_EQ("inside", q.files.nodes["C:\\Docs\\C.d-2003-09-20\\in.txt"].body);
    EXPECT_EQ(std::vector<unsigned long long>{40 * 6 + 30 + 3 * 6}, q.progress.begun) << "one window, the whole total";
  }
  {  // the folder key with Shift: all into the backup folder
    FakeRun q;
    Arrange(&q);
    q.RunItems(MakeSelection(&q, 5), both);
    for (int n = 0; n < 5; ++n) EXPECT_TRUE(q.files.Has("C:\\Docs\\backup\\f" + std::to_string(n) + "-2003-09-20.txt"));
  }
  {  // Shift alone: the dialogs one after another; Cancel on the second skips it
    FakeRun q;
    Arrange(&q);
    q.user.answers = {true, false, true};
    q.RunItems(MakeSelection(&q, 3), shift);
    const std::vector<std::string> offered = {"C:\\Docs\\f0-2003-09-20.txt", "C:\\Docs\\f1-2003-09-20.txt",
                                              "C:\\Docs\\f2-2003-09-20.txt"};
    EXPECT_EQ(offered, q.user.dialogShown);
    EXPECT_TRUE(q.files.Has(offered[0]) && !q.files.Has(offered[1]) && q.files.Has(offered[2]));
    EXPECT_TRUE(q.user.errors.empty());
  }
  {  // one item failing among 20: one box naming it
    FakeRun q;
    Arrange(&q);
    const std::vector<std::string> items = MakeSelection(&q, 20);
    q.files.File("C:\\Docs\\f7-2003-09-20.txt", "earlier", kReadOnlyAttribute);
    q.RunItems(items, none);
    EXPECT_EQ(std::vector<std::string>{std::string(kCopyFailedMessage) + "\nC:\\Docs\\f7.txt"}, q.user.errors);
    EXPECT_EQ("earlier", q.files.nodes["C:\\Docs\\f7-2003-09-20.txt"].body);
    EXPECT_EQ("body 19", q.files.nodes["C:\\Docs\\f19-2003-09-20.txt"].body);
  }
  {  // Two names of code page 932 whose second bytes differ as "a" and "A" do:
     // two items, two copies, two locks, as Windows takes them
    FakeRun q;
    Arrange(&q);
    q.cp = CodePage::ShiftJis();
    const std::string first = "C:\\Docs\\\x83\x61.txt", second = "C:\\Docs\\\x83\x41.txt";
    q.files.File(first, "first");
    q.files.File(second, "second");
    q.files.nodes[first].time = q.files.nodes[second].time = 20030920;
    q.RunItems({first, second}, none);
    EXPECT_EQ("first", q.files.nodes["C:\\Docs\\\x83\x61-2003-09-20.txt"].body);
    EXPECT_EQ("second", q.files.nodes["C:\\Docs\\\x83\x41-2003-09-20.txt"].body);
    ASSERT_EQ(2u, q.locks.taken.size());
    EXPECT_NE(q.locks.taken[0], q.locks.taken[1]);
  }
  {  // Cancel on the fifth, after the third failed: four done but that one, its earlier copy kept, the
     // rest untouched, and no box, not even for the failure before it
    FakeRun q;
    Arrange(&q);
    const std::vector<std::string> items = MakeSelection(&q, 8);
    q.files.File("C:\\Docs\\f2-2003-09-20.txt", "earlier", kReadOnlyAttribute);
    q.files.File("C:\\Docs\\f4-2003-09-20.txt", "earlier");
    q.files.fails = "cancel C:\\Docs\\f4.txt";
    q.RunItems(items, none);
    EXPECT_TRUE(q.user.errors.empty());
    EXPECT_EQ(5u, q.locks.taken.size()) << "nothing after Cancel";
    EXPECT_TRUE(q.files.Has("C:\\Docs\\f3-2003-09-20.txt"));
    EXPECT_EQ("earlier", q.files.nodes["C:\\Docs\\f4-2003-09-20.txt"].body);
    EXPECT_FALSE(q.files.Has("C:\\Docs\\~f4-2003-09-20.txt.keepsnap"));
    EXPECT_FALSE(q.files.Has("C:\\Docs\\f5-2003-09-20.txt"));
  }
}

// The one box of a selection: each message as a single item's box words it,
// the items under it, ten at the most and then how many more.
TEST(SelectionMessage, NamesTheItemsWithNoCopy) {
  std::vector<std::string> thirty;
  for (int n = 0; n < 30; ++n) thirty.push_back("C:\\Docs\\f" + std::to_string(n) + ".txt");
  std::string firstTen;
  for (int n = 0; n < 10; ++n) firstTen += "\n" + thirty[n];
  EXPECT_EQ(std::string(kCopyFailedMessage) + "\nC:\\a.txt", SelectionMessage({}, {"C:\\a.txt"}));
  EXPECT_EQ(std::string(kCopyFailedMessage) + "\nC:\\a.txt\nC:\\b.txt", SelectionMessage({}, {"C:\\a.txt", "C:\\b.txt"}));
  EXPECT_EQ(std::string(kCopyFailedMessage) + firstTen + "\nand 20 more", SelectionMessage({}, thirty));
  EXPECT_EQ(std::string(kNoDateMessage) + "\nC:\\a.txt\n\n" + kCopyFailedMessage + "\nC:\\b.txt",
            SelectionMessage({"C:\\a.txt"}, {"C:\\b.txt"}));
}

}  // namespace
}  // namespace keepsnap
