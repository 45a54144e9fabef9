#include "core/backup_run.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace keepsnap {
namespace {

// Records what the run asked for; answers as configured.
class FakePlatform : public BackupPlatform {
 public:
  unsigned char keys[256] = {0};
  BackupSettings settings;
  bool longPathWorks = true;
  bool fileOpens = true;
  bool fileDateWorks = true;
  bool copyWorks = true;
  bool dialogOk = true;
  std::string typedName;  // replaces the dialog's text on OK when set
  CalendarDate fileDate = {2003, 9, 20};
  CalendarDate today = {2026, 12, 7};
  CodePage cp;

  int opened = 0;
  int closed = 0;
  std::string openedPath;
  std::vector<std::string> folders;
  std::vector<std::pair<std::string, std::string>> copies;
  std::vector<std::string> errors;
  std::vector<std::string> dialogShown;

  class File : public SourceFile {
   public:
    explicit File(FakePlatform* p) : p_(p) {}
    ~File() override { ++p_->closed; }
    bool LastWriteDate(CalendarDate* date) override {
      if (!p_->fileDateWorks) return false;
      *date = p_->fileDate;
      return true;
    }

   private:
    FakePlatform* p_;
  };

  void ReadKeyboardState(unsigned char out[256]) override {
    for (int i = 0; i < 256; ++i) out[i] = keys[i];
  }
  BackupSettings ReadSettings() override { return settings; }
  bool LongPathOf(const std::string& path, std::string* longPath) override {
    if (!longPathWorks) return false;
    *longPath = "C:\\Docs\\" + path.substr(path.rfind('\\') + 1);
    return true;
  }
  std::unique_ptr<SourceFile> OpenSource(const std::string& path) override {
    openedPath = path;
    if (!fileOpens) return nullptr;
    ++opened;
    return std::unique_ptr<SourceFile>(new File(this));
  }
  CalendarDate Today() override { return today; }
  void CreateFolder(const std::string& path) override { folders.push_back(path); }
  bool CopyFileTo(const std::string& source, const std::string& target) override {
    copies.emplace_back(source, target);
    return copyWorks;
  }
  void ShowError(const char* text) override { errors.push_back(text); }
  bool AskNewName(std::string* name) override {
    dialogShown.push_back(*name);
    if (dialogOk && !typedName.empty()) *name = typedName;
    return dialogOk;
  }
  const CodePage& AnsiCodePage() override { return cp; }

  void Hold(int key) { keys[key] = 0x80; }
};

class RunBackupTest : public ::testing::Test {
 protected:
  void SetUp() override {
    p.settings.date_mode = "0";
    p.settings.date_separator = "1";
    p.settings.date_to_use = "0";
    p.settings.backup_folder = "backup";
  }
  void Run() {
    RunBackup("C:\\DOCS~1\\report.txt", p);
    EXPECT_EQ(p.opened, p.closed) << "the source handle must be closed on every way out";
  }
  FakePlatform p;
};

// The documented run with no key held.
TEST_F(RunBackupTest, NoKeyCopiesBesideSource) {
  Run();
  EXPECT_EQ("C:\\Docs\\report.txt", p.openedPath);
  ASSERT_EQ(1u, p.copies.size());
  EXPECT_EQ("C:\\Docs\\report.txt", p.copies[0].first);
  EXPECT_EQ("C:\\Docs\\report-2003-09-20.txt", p.copies[0].second);
  EXPECT_TRUE(p.errors.empty());
  EXPECT_TRUE(p.folders.empty());
  EXPECT_TRUE(p.dialogShown.empty());
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
  for (const Row& r : rows) {
    unsigned char keys[256] = {0};
    keys[16] = r.shift;
    keys[192] = r.folderKey;
    EXPECT_EQ(r.target, ChooseTarget(ModifiersFromKeyboard(keys))) << int(r.shift) << " " << int(r.folderKey);
  }
}

TEST_F(RunBackupTest, ShiftAndFolderKeyCopyIntoBackupFolder) {
  p.Hold(kShiftKey);
  p.Hold(kFolderKey);
  Run();
  ASSERT_EQ(1u, p.folders.size());
  EXPECT_EQ("C:\\Docs\\backup\\", p.folders[0]);
  ASSERT_EQ(1u, p.copies.size());
  EXPECT_EQ("C:\\Docs\\backup\\report-2003-09-20.txt", p.copies[0].second);
  EXPECT_TRUE(p.errors.empty());
}

TEST_F(RunBackupTest, ShiftAloneAsksForName) {
  p.Hold(kShiftKey);
  p.typedName = "D:\\elsewhere.txt";
  Run();
  ASSERT_EQ(1u, p.dialogShown.size());
  EXPECT_EQ("C:\\Docs\\report-2003-09-20.txt", p.dialogShown[0]);
  ASSERT_EQ(1u, p.copies.size());
  EXPECT_EQ("D:\\elsewhere.txt", p.copies[0].second);
}

TEST_F(RunBackupTest, CancelledDialogCopiesAndShowsNothing) {
  p.Hold(kShiftKey);
  p.dialogOk = false;
  Run();
  EXPECT_EQ(1u, p.dialogShown.size());
  EXPECT_TRUE(p.copies.empty());
  EXPECT_TRUE(p.errors.empty());
}

// A failed copy is never silent, whichever target was chosen.
TEST_F(RunBackupTest, FailedCopyIsShownForEveryTarget) {
  const int held[][2] = {{0, 0}, {kShiftKey, kFolderKey}, {kShiftKey, 0}};
  for (auto& keys : held) {
    FakePlatform q;
    q.settings = p.settings;
    q.copyWorks = false;
    if (keys[0]) q.Hold(keys[0]);
    if (keys[1]) q.Hold(keys[1]);
    RunBackup("C:\\Docs\\report.txt", q);
    EXPECT_EQ(1u, q.copies.size());
    ASSERT_EQ(1u, q.errors.size()) << keys[0] << " " << keys[1];
    EXPECT_EQ(kCopyFailedMessage, q.errors[0]);
    EXPECT_EQ(q.opened, q.closed);
  }
}

// File date chosen but the file cannot be opened, or its time not read.
TEST_F(RunBackupTest, NoFileDateStopsWithMessage) {
  for (int way = 0; way < 2; ++way) {
    FakePlatform q;
    q.settings = p.settings;
    q.Hold(kShiftKey);
    (way == 0 ? q.fileOpens : q.fileDateWorks) = false;
    RunBackup("C:\\Docs\\report.txt", q);
    ASSERT_EQ(1u, q.errors.size());
    EXPECT_EQ(kNoDateMessage, q.errors[0]);
    EXPECT_TRUE(q.copies.empty());
    EXPECT_TRUE(q.dialogShown.empty());
    EXPECT_EQ(q.opened, q.closed);
  }
}

// System date chosen: an unopenable file still gets today's stamp; the
// failure shows at the copy.
TEST_F(RunBackupTest, SystemDateNeedsNoOpenFile) {
  p.settings.date_to_use = "1";
  p.fileOpens = false;
  p.copyWorks = false;
  Run();
  ASSERT_EQ(1u, p.copies.size());
  EXPECT_EQ("C:\\Docs\\report-2026-12-07.txt", p.copies[0].second);
  ASSERT_EQ(1u, p.errors.size());
  EXPECT_EQ(kCopyFailedMessage, p.errors[0]);
}

// Without a long form the command-line text is used, quotes removed.
TEST_F(RunBackupTest, LongPathFailureFallsBackToCommandLine) {
  p.longPathWorks = false;
  RunBackup("\"C:\\Gone\\a b.txt\"", p);
  EXPECT_EQ("C:\\Gone\\a b.txt", p.openedPath);
  ASSERT_EQ(1u, p.copies.size());
  EXPECT_EQ("C:\\Gone\\a b-2003-09-20.txt", p.copies[0].second);
}

// Nothing stored: month first, ".", today's date, and the source's own folder.
TEST_F(RunBackupTest, NoSettingsUseFallbacks) {
  p.settings = BackupSettings();
  p.Hold(kShiftKey);
  p.Hold(kFolderKey);
  Run();
  ASSERT_EQ(1u, p.copies.size());
  EXPECT_EQ("C:\\Docs\\\\report-12.07.2026.txt", p.copies[0].second);
}

}  // namespace
}  // namespace keepsnap
