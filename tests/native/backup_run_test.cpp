#include "core/backup_run.h"
#include "core/target_lock.h"
#include "core/tree_copy.h"
#include "core/whole_copy.h"

#include <gtest/gtest.h>

#include <map>
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
  CopyOutcome copyOutcome = CopyOutcome::Done;
  bool dialogOk = true;
  std::string typedName;  // replaces the dialog's text on OK when set
  CalendarDate fileDate = {2003, 9, 20};
  CalendarDate today = {2026, 12, 7};
  CodePage cp;
  bool isFolder = false;  // the path is a folder, which opens as no file
  bool planWorks = true;
  TreePlan plan;          // what a folder's walk finds; times as yyyymmdd
  int folderAsked = 0;
  std::vector<std::pair<std::string, std::string>> folderCopies;

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
    if (!fileOpens || isFolder) return nullptr;
    ++opened;
    return std::unique_ptr<SourceFile>(new File(this));
  }
  CalendarDate Today() override { return today; }
  void CreateFolder(const std::string& path) override { folders.push_back(path); }
  CopyOutcome CopyFileTo(const std::string& source, const std::string& target) override {
    copies.emplace_back(source, target);
    return copyOutcome;
  }
  bool IsFolder(const std::string&) override {
    ++folderAsked;
    return isFolder;
  }
  bool PlanFolder(const std::string&, TreePlan* found) override {
    *found = plan;
    return planWorks;
  }
  bool LocalDateOf(unsigned long long time, CalendarDate* date) override {
    *date = {static_cast<unsigned short>(time / 10000), static_cast<unsigned short>(time / 100 % 100),
             static_cast<unsigned short>(time % 100)};
    return time != 0;
  }
  CopyOutcome CopyFolderTo(const std::string& source, const std::string& target, const TreePlan&) override {
    folderCopies.emplace_back(source, target);
    return copyOutcome;
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

// A failed copy is never silent, whichever target was chosen; one the user
// cancelled shows nothing.
TEST_F(RunBackupTest, FailedCopyIsShownForEveryTarget) {
  const int held[][2] = {{0, 0}, {kShiftKey, kFolderKey}, {kShiftKey, 0}};
  for (CopyOutcome outcome : {CopyOutcome::Failed, CopyOutcome::Cancelled}) {
    for (auto& keys : held) {
      FakePlatform q;
      q.settings = p.settings;
      q.copyOutcome = outcome;
      if (keys[0]) q.Hold(keys[0]);
      if (keys[1]) q.Hold(keys[1]);
      RunBackup("C:\\Docs\\report.txt", q);
      EXPECT_EQ(1u, q.copies.size());
      if (outcome == CopyOutcome::Cancelled) {
        EXPECT_TRUE(q.errors.empty()) << keys[0] << " " << keys[1];
      } else {
        ASSERT_EQ(1u, q.errors.size()) << keys[0] << " " << keys[1];
        EXPECT_EQ(kCopyFailedMessage, q.errors[0]);
      }
      EXPECT_EQ(q.opened, q.closed);
    }
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
  p.copyOutcome = CopyOutcome::Failed;
  Run();
  ASSERT_EQ(1u, p.copies.size());
  EXPECT_EQ("C:\\Docs\\report-2026-12-07.txt", p.copies[0].second);
  ASSERT_EQ(1u, p.errors.size());
  EXPECT_EQ(kCopyFailedMessage, p.errors[0]);
}

// A quoted path, as the registered command passes it, gets its long form
// like an unquoted one.
TEST_F(RunBackupTest, QuotedPathGetsLongForm) {
  RunBackup("\"C:\\DOCS~1\\report.txt\"", p);
  EXPECT_EQ("C:\\Docs\\report.txt", p.openedPath);
  ASSERT_EQ(1u, p.copies.size());
  EXPECT_EQ("C:\\Docs\\report-2003-09-20.txt", p.copies[0].second);
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

// A folder's backup: the whole name, dots and all, before the stamp; the
// newest file's date, or the folder's own in a tree with no file; the keys
// choose the place as for a file. A file's run never asks whether it is a
// folder.
TEST_F(RunBackupTest, FolderRuns) {
  Run();
  EXPECT_EQ(0, p.folderAsked) << "a file's run asked more than it did";
  struct Row {
    const char* what;
    const char* path;
    int keys;  // 0 none, 1 Shift and the folder key, 2 Shift alone
    bool anyFile;
    std::string dateToUse;
    std::string target;  // empty: no copy
    const char* error;
  } rows[] = {
      {"beside it, dated by its newest file", "C:\\Docs\\Project", 0, true, "0", "C:\\Docs\\Project-2003-09-20", nullptr},
      {"a dot marks no extension", "C:\\Docs\\Site.v2", 0, true, "0", "C:\\Docs\\Site.v2-2003-09-20", nullptr},
      {"a trailing backslash", "C:\\Docs\\Project\\", 0, true, "0", "C:\\Docs\\Project-2003-09-20", nullptr},
      {"into the backup folder", "C:\\Docs\\Project", 1, true, "0", "C:\\Docs\\backup\\Project-2003-09-20", nullptr},
      {"the name offered whole", "C:\\Docs\\Project", 2, true, "0", "C:\\Docs\\Project-2003-09-20", nullptr},
      {"no file: the folder's own date", "C:\\Docs\\Empty", 0, false, "0", "C:\\Docs\\Empty-2001-02-03", nullptr},
      {"today's date", "C:\\Docs\\Project", 0, true, "1", "C:\\Docs\\Project-2026-12-07", nullptr},
      {"a drive has no name to stamp", "C:\\", 0, true, "1", "", kCopyFailedMessage},
  };
  for (const Row& r : rows) {
    FakePlatform q;
    q.settings = p.settings;
    q.settings.date_to_use = r.dateToUse;
    q.isFolder = true;
    q.longPathWorks = false;
    q.plan.anyFile = r.anyFile;
    q.plan.newestWrite = 20030920;
    q.plan.rootWrite = 20010203;
    if (r.keys != 0) q.Hold(kShiftKey);
    if (r.keys == 1) q.Hold(kFolderKey);
    RunBackup(r.path, q);
    EXPECT_EQ(r.error == nullptr ? 0u : 1u, q.errors.size()) << r.what;
    EXPECT_TRUE(q.copies.empty()) << r.what << ": copied as a file";
    if (r.target.empty()) {
      EXPECT_TRUE(q.folderCopies.empty()) << r.what;
      continue;
    }
    ASSERT_EQ(1u, q.folderCopies.size()) << r.what;
    EXPECT_EQ(r.target, q.folderCopies[0].second) << r.what;
    EXPECT_EQ(r.keys == 2 ? 1u : 0u, q.dialogShown.size()) << r.what;
    if (r.keys == 2) {
      EXPECT_EQ(r.target, q.dialogShown[0]) << r.what;
    }
    if (r.keys == 1) {
      EXPECT_EQ(std::vector<std::string>{"C:\\Docs\\backup\\"}, q.folders) << r.what;
    }
  }
  // A tree that cannot be read: no date to give, or no copy to make.
  for (const char* dateToUse : {"0", "1"}) {
    FakePlatform q;
    q.settings = p.settings;
    q.settings.date_to_use = dateToUse;
    q.isFolder = true;
    q.planWorks = false;
    RunBackup("C:\\Docs\\Project", q);
    ASSERT_EQ(1u, q.errors.size()) << dateToUse;
    EXPECT_EQ(dateToUse[0] == '0' ? kNoDateMessage : kCopyFailedMessage, q.errors[0]) << dateToUse;
    EXPECT_TRUE(q.folderCopies.empty());
  }
}

// The file system as the whole-or-nothing copy sees it: files by name with
// their sizes and attributes; every call recorded, the one named in `fails`
// failing.
class FakeFiles : public CopyFileSystem {
 public:
  struct File {
    unsigned long long size;
    unsigned attributes;
  };
  std::map<std::string, File> files;
  std::string fails;                  // "copy", "cancel", "short", "flush", "attributes", "replace"
  std::string sameAs;                 // a name that is the source's own file
  std::vector<std::string> calls;

  bool SameFile(const std::string& a, const std::string& b) override { return b == sameAs && files.count(a); }
  bool Attributes(const std::string& path, unsigned* attributes) override {
    auto it = files.find(path);
    if (it == files.end()) return false;
    *attributes = it->second.attributes;
    return true;
  }
  bool SetAttributes(const std::string& path, unsigned attributes) override {
    calls.push_back("attributes " + path + " " + std::to_string(attributes));
    if (fails == "attributes" || !files.count(path)) return false;
    files[path].attributes = attributes;
    return true;
  }
  bool Size(const std::string& path, unsigned long long* size) override {
    auto it = files.find(path);
    if (it == files.end()) return false;
    *size = it->second.size;
    return true;
  }
  CopyOutcome Copy(const std::string& source, const std::string& temporary) override {
    calls.push_back("copy " + temporary);
    if (files.count(temporary)) return CopyOutcome::Failed;  // never onto a leftover
    File copy = files[source];
    copy.attributes |= kHiddenAttribute;
    if (fails == "short") copy.size /= 2;
    if (fails == "copy" || fails == "cancel") copy.size /= 3;  // a part written
    files[temporary] = copy;
    if (fails == "copy") return CopyOutcome::Failed;
    return fails == "cancel" ? CopyOutcome::Cancelled : CopyOutcome::Done;
  }
  bool Flush(const std::string& path) override {
    calls.push_back("flush " + path);
    return fails != "flush";
  }
  bool Replace(const std::string& temporary, const std::string& target) override {
    calls.push_back("replace " + target);
    if (fails == "replace") return false;
    files[target] = files[temporary];
    files.erase(temporary);
    return true;
  }
  void Remove(const std::string& path) override {
    if (!files.count(path)) return;
    calls.push_back("remove " + path);
    files.erase(path);
  }
};

const char kSource[] = "C:\\Docs\\report.txt";
const char kTarget[] = "C:\\Docs\\report-2003-09-20.txt";
const char kTemporary[] = "C:\\Docs\\~report-2003-09-20.txt.keepsnap";

// Every way a copy can end: the target holds the earlier file or the whole
// new one, never a part; the temporary never outlives the run, and nothing
// takes the target's name before it was checked and flushed.
TEST(CopyWholeOrNothing, TargetHoldsEarlierOrWholeCopy) {
  const std::string tmp = kTemporary;
  struct Row {
    const char* what;
    std::string fails;
    unsigned earlierAttributes;  // of the earlier backup; 99: none
    bool leftover;               // a killed run's temporary lies there
    CopyOutcome outcome;
    std::vector<std::string> calls;
  } rows[] = {
      {"replaces the earlier backup", "", 0, false, CopyOutcome::Done,
       {"copy " + tmp, "flush " + tmp, "attributes " + tmp + " 32", "replace " + std::string(kTarget)}},
      {"first backup of the day", "", 99, false, CopyOutcome::Done,
       {"copy " + tmp, "flush " + tmp, "attributes " + tmp + " 32", "replace " + std::string(kTarget)}},
      {"a killed run's leftover goes first", "", 0, true, CopyOutcome::Done,
       {"remove " + tmp, "copy " + tmp, "flush " + tmp, "attributes " + tmp + " 32",
        "replace " + std::string(kTarget)}},
      {"copier fails part-way (disk full, read error)", "copy", 0, false, CopyOutcome::Failed,
       {"copy " + tmp, "remove " + tmp}},
      {"copy reported done but short", "short", 0, false, CopyOutcome::Failed, {"copy " + tmp, "remove " + tmp}},
      {"cancelled", "cancel", 0, false, CopyOutcome::Cancelled, {"copy " + tmp, "remove " + tmp}},
      {"flush fails", "flush", 0, false, CopyOutcome::Failed, {"copy " + tmp, "flush " + tmp, "remove " + tmp}},
      {"unhiding fails", "attributes", 0, false, CopyOutcome::Failed,
       {"copy " + tmp, "flush " + tmp, "attributes " + tmp + " 32", "remove " + tmp}},
      {"rename fails", "replace", 0, false, CopyOutcome::Failed,
       {"copy " + tmp, "flush " + tmp, "attributes " + tmp + " 32", "replace " + std::string(kTarget),
        "remove " + tmp}},
      {"read-only earlier backup", "", kReadOnlyAttribute, false, CopyOutcome::Failed, {}},
      {"hidden earlier backup", "", kHiddenAttribute, false, CopyOutcome::Failed, {}},
  };
  for (const Row& r : rows) {
    FakeFiles f;
    f.files[kSource] = {3000, 32};  // FILE_ATTRIBUTE_ARCHIVE
    if (r.earlierAttributes != 99) f.files[kTarget] = {1000, r.earlierAttributes};
    if (r.leftover) f.files[kTemporary] = {10, kHiddenAttribute};
    f.fails = r.fails;
    EXPECT_EQ(r.outcome, CopyWholeOrNothing(kSource, kTarget, CodePage(), f)) << r.what;
    EXPECT_EQ(r.calls, f.calls) << r.what;
    EXPECT_FALSE(f.files.count(kTemporary)) << r.what << ": the temporary outlived the run";
    if (r.outcome == CopyOutcome::Done) {
      EXPECT_EQ(3000u, f.files[kTarget].size) << r.what;
      EXPECT_EQ(32u, f.files[kTarget].attributes) << r.what << ": shown as the source is";
    } else if (r.earlierAttributes != 99) {
      EXPECT_EQ(1000u, f.files[kTarget].size) << r.what << ": the earlier backup changed";
      EXPECT_EQ(r.earlierAttributes, f.files[kTarget].attributes) << r.what;
    }
  }
}

// A typed name that is the source itself (another spelling of its path)
// leaves the source alone, a source that is gone makes nothing; a hidden source gives a hidden backup, as the
// system's copy does.
TEST(CopyWholeOrNothing, SourceNeverReplacedHiddenSourceStaysHidden) {
  FakeFiles f;
  f.files[kSource] = {3000, 32};
  f.sameAs = "C:\\DOCS~1\\REPORT.TXT";
  EXPECT_EQ(CopyOutcome::Failed, CopyWholeOrNothing(kSource, f.sameAs, CodePage(), f));
  EXPECT_TRUE(f.calls.empty());

  FakeFiles gone;  // the source went, or the calls cannot reach its name
  EXPECT_EQ(CopyOutcome::Failed, CopyWholeOrNothing(kSource, kTarget, CodePage(), gone));
  EXPECT_TRUE(gone.calls.empty());

  FakeFiles hidden;
  hidden.files[kSource] = {3000, kHiddenAttribute};
  EXPECT_EQ(CopyOutcome::Done, CopyWholeOrNothing(kSource, kTarget, CodePage(), hidden));
  EXPECT_EQ(kHiddenAttribute, hidden.files[kTarget].attributes);
}

// Beside the target, whatever separates its folders; a double-byte name
// whose second byte is 0x5C keeps its folder.
TEST(CopyWholeOrNothing, TemporaryNameBesideTarget) {
  const char* rows[][2] = {
      {"C:\\Docs\\report-2003-09-20.txt", "C:\\Docs\\~report-2003-09-20.txt.keepsnap"},
      {"C:/Docs/copy.txt", "C:/Docs/~copy.txt.keepsnap"},
      {"C:\\Docs/sub\\copy.txt", "C:\\Docs/sub\\~copy.txt.keepsnap"},
      {"copy.txt", "~copy.txt.keepsnap"},
      {"D:copy.txt", "D:~copy.txt.keepsnap"},
      {"\\\\server\\share\\copy.txt", "\\\\server\\share\\~copy.txt.keepsnap"},
  };
  for (const auto& r : rows) EXPECT_EQ(r[1], TemporaryNameFor(r[0], CodePage())) << r[0];
  EXPECT_EQ("C:\\\x95\x5C" "a\\~\x95\x5C.txt.keepsnap", TemporaryNameFor("C:\\\x95\x5C" "a\\\x95\x5C.txt", CodePage::ShiftJis()));
}

// Two runs on one file in two spellings must wait for each other: the lock's
// name ignores the case of ASCII letters, and only that.
TEST(CopyWholeOrNothing, OneLockPerTarget) {
  const std::string lock = TargetLockName("C:\\Docs\\Report-2003-09-20.txt");
  EXPECT_EQ(lock, TargetLockName("c:\\docs\\report-2003-09-20.TXT"));
  EXPECT_EQ(0u, lock.find("Local\\Keepsnap backup "));
  EXPECT_EQ(std::string::npos, lock.find('\\', 6)) << "a mutex name holds no backslash after its namespace";
  for (const char* other : {"C:\\Docs\\Report-2003-09-21.txt", "C:\\Docs\\Report-2003-09-20.txt.bak",
                            "C:\\Docs\\backup\\Report-2003-09-20.txt", "C:\\Docs\\R\xC3\xA9port-2003-09-20.txt"})
    EXPECT_NE(lock, TargetLockName(other)) << other;
}

// A folder tree in memory for the tree copy: every path with what it is;
// every change counted, and the run stopped dead (as a kill stops it) at the
// change numbered `killAt`.
class FakeTree : public CopyFileSystem, public TreeFileSystem {
 public:
  struct Node {
    bool folder;
    unsigned attributes;
    std::string body;  // a file's bytes
  };
  std::map<std::string, Node> nodes;
  // "copy <path>", "cancel", "short", "flush", "rename <from>", "list", or
  // "plain": copies come without their source's attributes, as in Wine 10
  std::string fails;
  int changes = 0, killAt = 0;
  struct Killed {};

  void Change() {
    if (++changes == killAt) throw Killed();
  }
  void Folder(const std::string& path, unsigned attributes = kFolderAttribute) {
    nodes[path] = {true, attributes, ""};
  }
  void File(const std::string& path, const std::string& body) { nodes[path] = {false, 32, body}; }
  // What lies below a folder, by relative path: the bodies, and a "/" for folders.
  std::map<std::string, std::string> Below(const std::string& root) const {
    std::map<std::string, std::string> found;
    for (const auto& n : nodes)
      if (n.first.compare(0, root.size() + 1, root + "\\") == 0)
        found[n.first.substr(root.size() + 1)] = n.second.folder ? "/" : n.second.body;
    return found;
  }
  bool Has(const std::string& path) const { return nodes.count(path) != 0; }

  bool SameFile(const std::string&, const std::string&) override { return false; }
  bool Attributes(const std::string& path, unsigned* attributes) override {
    auto it = nodes.find(path);
    if (it == nodes.end()) return false;
    *attributes = it->second.attributes;
    return true;
  }
  bool SetAttributes(const std::string& path, unsigned attributes) override {
    if (!Has(path)) return false;
    Change();
    nodes[path].attributes = attributes;
    return true;
  }
  bool Size(const std::string& path, unsigned long long* size) override {
    if (!Has(path)) return false;
    *size = nodes[path].body.size();
    return true;
  }
  CopyOutcome Copy(const std::string& source, const std::string& copy) override {
    if (!Has(source) || Has(copy)) return CopyOutcome::Failed;
    Change();
    nodes[copy] = nodes[source];
    if (fails == "plain") nodes[copy].attributes = 32;  // FILE_ATTRIBUTE_ARCHIVE
    if (fails == "copy " + source) {
      nodes[copy].body.resize(1);  // a part written
      return CopyOutcome::Failed;
    }
    if (fails == "short") nodes[copy].body.resize(nodes[copy].body.size() / 2);
    return fails == "cancel" ? CopyOutcome::Cancelled : CopyOutcome::Done;
  }
  bool Flush(const std::string&) override { return fails != "flush"; }
  bool Replace(const std::string&, const std::string&) override { return false; }  // files only
  void Remove(const std::string& path) override { nodes.erase(path); }
  bool List(const std::string& folder, std::vector<TreeEntry>* entries) override {
    if (fails == "list") return false;
    for (const auto& n : nodes) {
      const std::string prefix = folder + "\\";
      if (n.first.compare(0, prefix.size(), prefix) != 0 || n.first.find('\\', prefix.size()) != std::string::npos)
        continue;
      const bool link = n.second.attributes & 0x400;  // FILE_ATTRIBUTE_REPARSE_POINT
      entries->push_back({n.first.substr(prefix.size()), n.second.attributes, link, n.second.body.size(),
                          n.second.body.size()});  // a body's length stands for its time
    }
    return true;
  }
  bool MakeFolder(const std::string& path, bool hidden) override {
    if (Has(path)) return false;
    Change();
    Folder(path, kFolderAttribute | (hidden ? kHiddenAttribute : 0));
    return true;
  }
  bool Rename(const std::string& from, const std::string& to) override {
    if (!Has(from) || Has(to) || fails == "rename " + from) return false;
    Change();
    std::map<std::string, Node> moved;
    for (auto it = nodes.begin(); it != nodes.end();) {
      if (it->first == from || it->first.compare(0, from.size() + 1, from + "\\") == 0) {
        moved[to + it->first.substr(from.size())] = it->second;
        it = nodes.erase(it);
      } else {
        ++it;
      }
    }
    nodes.insert(moved.begin(), moved.end());
    return true;
  }
  void RemoveTree(const std::string& path) override {
    if (!Has(path)) return;
    Change();
    for (auto it = nodes.begin(); it != nodes.end();)
      it = it->first == path || it->first.compare(0, path.size() + 1, path + "\\") == 0 ? nodes.erase(it) : ++it;
  }
  bool LastWrite(const std::string& path, unsigned long long* time) override {
    if (!Has(path)) return false;
    *time = 7;
    return true;
  }
};

const char kProject[] = "C:\\Docs\\Project";
const char kProjectCopy[] = "C:\\Docs\\Project-2003-09-20";
const char kProjectTemporary[] = "C:\\Docs\\~Project-2003-09-20.keepsnap";
const char kProjectAside[] = "C:\\Docs\\~Project-2003-09-20.keepsnap-earlier";

// The source: nested and empty folders, a hidden file, a read-only folder,
// a link that is not followed and a leftover of the tree's own that is
// skipped.
void MakeProject(FakeTree* t) {
  t->Folder("C:\\Docs");
  t->Folder(kProject);
  t->File("C:\\Docs\\Project\\plan.txt", "plan, new");
  t->Folder("C:\\Docs\\Project\\src", kFolderAttribute | kReadOnlyAttribute);
  t->File("C:\\Docs\\Project\\src\\main.c", "int main;");
  t->Folder("C:\\Docs\\Project\\src\\empty");
  t->File("C:\\Docs\\Project\\src\\.hidden", "h");
  t->nodes["C:\\Docs\\Project\\src\\.hidden"].attributes = kHiddenAttribute;
  t->Folder("C:\\Docs\\Project\\up", kFolderAttribute | 0x400);
  t->File("C:\\Docs\\Project\\~old.txt.keepsnap", "leftover");
}

const std::map<std::string, std::string> kProjectCopied = {
    {"plan.txt", "plan, new"}, {"src", "/"}, {"src\\main.c", "int main;"}, {"src\\empty", "/"}, {"src\\.hidden", "h"}};

// What a walk finds: links and the tree's own leftovers left out, parents
// before their children, the newest file's time, the bytes in all.
TEST(CopyTreeWholeOrNothing, PlanLeavesOutLinksAndLeftovers) {
  FakeTree t;
  MakeProject(&t);
  TreePlan plan;
  ASSERT_TRUE(PlanTree(kProject, t, t, &plan));
  const std::vector<std::pair<std::string, unsigned>> files = {
      {"plan.txt", 32}, {"src\\.hidden", kHiddenAttribute}, {"src\\main.c", 32}};
  EXPECT_EQ(files, plan.files);
  ASSERT_EQ(2u, plan.folders.size());
  EXPECT_EQ("src", plan.folders[0].first);
  EXPECT_EQ("src\\empty", plan.folders[1].first);
  EXPECT_EQ(kFolderAttribute | kReadOnlyAttribute, plan.folders[0].second);
  EXPECT_EQ(19u, plan.totalBytes);
  EXPECT_EQ(9u, TreeDateTime(plan)) << "the newest file's time";
  t.fails = "list";
  TreePlan unread;
  EXPECT_FALSE(PlanTree(kProject, t, t, &unread));
  FakeTree empty;
  empty.Folder(kProject);
  TreePlan none;
  ASSERT_TRUE(PlanTree(kProject, empty, empty, &none));
  EXPECT_EQ(7u, TreeDateTime(none)) << "no file: the folder's own time";
}

// Every way a folder's copy can end. Afterwards the target holds the new
// tree whole, or the earlier one whole (with nothing of the new one in it),
// and no temporary or aside copy is left.
TEST(CopyTreeWholeOrNothing, TargetHoldsEarlierOrWholeCopy) {
  struct Row {
    const char* what;
    std::string fails;
    bool earlier;
    const char* leftover;  // what a killed run left, if anything
    CopyOutcome outcome;
  } rows[] = {
      {"first copy of the day", "", false, nullptr, CopyOutcome::Done},
      {"an earlier copy replaced whole", "", true, nullptr, CopyOutcome::Done},
      {"a copier that keeps no attributes", "plain", true, nullptr, CopyOutcome::Done},
      {"a partial copy left by a killed run", "", true, kProjectTemporary, CopyOutcome::Done},
      {"an earlier copy left aside comes back first", "", false, kProjectAside, CopyOutcome::Done},
      {"an aside copy when the new one got in", "", true, kProjectAside, CopyOutcome::Done},
      {"a file fails deep in the tree", "copy C:\\Docs\\Project\\src\\main.c", true, nullptr, CopyOutcome::Failed},
      {"a copy reported done but short", "short", true, nullptr, CopyOutcome::Failed},
      {"the flush fails", "flush", true, nullptr, CopyOutcome::Failed},
      {"cancelled", "cancel", true, nullptr, CopyOutcome::Cancelled},
      {"the earlier copy cannot be moved aside", std::string("rename ") + kProjectCopy, true, nullptr,
       CopyOutcome::Failed},
      {"the new copy cannot take the name", std::string("rename ") + kProjectTemporary, true, nullptr,
       CopyOutcome::Failed},
      {"an earlier copy left aside comes back, shown, though the copy fails", "flush", false, kProjectAside,
       CopyOutcome::Failed},
  };
  const std::map<std::string, std::string> earlierTree = {{"plan.txt", "plan, old"}, {"gone.txt", "only then"}};
  for (const Row& r : rows) {
    FakeTree t;
    MakeProject(&t);
    if (r.earlier) {
      t.Folder(kProjectCopy);
      t.File(std::string(kProjectCopy) + "\\plan.txt", "plan, old");
      t.File(std::string(kProjectCopy) + "\\gone.txt", "only then");
    }
    if (r.leftover != nullptr) {
      t.Folder(r.leftover, kFolderAttribute | kHiddenAttribute);
      t.File(std::string(r.leftover) + "\\plan.txt", "plan, old");
      t.File(std::string(r.leftover) + "\\gone.txt", "only then");
    }
    TreePlan plan;
    ASSERT_TRUE(PlanTree(kProject, t, t, &plan));
    t.fails = r.fails;
    EXPECT_EQ(r.outcome, CopyTreeWholeOrNothing(kProject, kProjectCopy, plan, CodePage(), t, t)) << r.what;
    EXPECT_FALSE(t.Has(kProjectTemporary)) << r.what << ": a temporary left";
    EXPECT_FALSE(t.Has(kProjectAside)) << r.what << ": an aside copy left";
    if (r.outcome == CopyOutcome::Done) {
      EXPECT_EQ(kProjectCopied, t.Below(kProjectCopy)) << r.what;
      EXPECT_EQ(kFolderAttribute, t.nodes[kProjectCopy].attributes) << r.what << ": shown as its source";
      EXPECT_EQ(kFolderAttribute | kReadOnlyAttribute, t.nodes[std::string(kProjectCopy) + "\\src"].attributes);
      EXPECT_EQ(kHiddenAttribute, t.nodes[std::string(kProjectCopy) + "\\src\\.hidden"].attributes) << r.what;
      EXPECT_EQ(32u, t.nodes[std::string(kProjectCopy) + "\\plan.txt"].attributes) << r.what;
    } else if (r.earlier || r.leftover == kProjectAside) {
      EXPECT_EQ(earlierTree, t.Below(kProjectCopy)) << r.what << ": the earlier copy changed";
      EXPECT_EQ(kFolderAttribute, t.nodes[kProjectCopy].attributes) << r.what;
    }
  }
  // Into itself, or over itself, or over a file inside it or beside it (the
  // user's own file that has the copy's name): refused before anything is
  // made, the file untouched.
  for (const std::string& target : {std::string(kProject) + "\\inner", std::string("c:\\docs\\project"),
                                    std::string("C:\\Docs"), std::string("C:\\Docs\\Project\\plan.txt"),
                                    std::string(kProjectCopy)}) {
    FakeTree t;
    MakeProject(&t);
    t.File(kProjectCopy, "the user's own file");
    TreePlan plan;
    ASSERT_TRUE(PlanTree(kProject, t, t, &plan));
    EXPECT_EQ(CopyOutcome::Failed, CopyTreeWholeOrNothing(kProject, target, plan, CodePage(), t, t)) << target;
    EXPECT_EQ(0, t.changes) << target;
    EXPECT_EQ("the user's own file", t.nodes[kProjectCopy].body) << target;
    EXPECT_FALSE(t.nodes[kProjectCopy].folder) << target;
  }
}

// Killed at every change a run makes: the target's name holds the earlier
// copy whole, the new one whole, or nothing with the earlier one whole and
// hidden aside; leftovers are hidden; the next run puts it right and ends
// with the new copy alone.
TEST(CopyTreeWholeOrNothing, KilledAnywhere) {
  const std::map<std::string, std::string> earlierTree = {{"plan.txt", "plan, old"}, {"gone.txt", "only then"}};
  for (int killAt = 1;; ++killAt) {
    FakeTree t;
    MakeProject(&t);
    t.Folder(kProjectCopy);
    t.File(std::string(kProjectCopy) + "\\plan.txt", "plan, old");
    t.File(std::string(kProjectCopy) + "\\gone.txt", "only then");
    TreePlan plan;
    ASSERT_TRUE(PlanTree(kProject, t, t, &plan));
    t.killAt = killAt;
    bool killed = false;
    try {
      CopyTreeWholeOrNothing(kProject, kProjectCopy, plan, CodePage(), t, t);
    } catch (FakeTree::Killed&) {
      killed = true;
    }
    if (!killed) break;  // every change has had its kill
    const std::map<std::string, std::string> named = t.Below(kProjectCopy);
    if (t.Has(kProjectCopy)) {
      EXPECT_TRUE(named == earlierTree || named == kProjectCopied) << "killed at change " << killAt;
    } else {
      EXPECT_EQ(earlierTree, t.Below(kProjectAside)) << "killed at change " << killAt;
    }
    for (const char* leftover : {kProjectTemporary, kProjectAside}) {
      if (t.Has(leftover)) {
        EXPECT_TRUE(t.nodes[leftover].attributes & kHiddenAttribute) << leftover << ", killed at " << killAt;
      }
    }
    t.killAt = 0;
    EXPECT_EQ(CopyOutcome::Done, CopyTreeWholeOrNothing(kProject, kProjectCopy, plan, CodePage(), t, t)) << killAt;
    EXPECT_EQ(kProjectCopied, t.Below(kProjectCopy)) << "the run after a kill at " << killAt;
    EXPECT_FALSE(t.Has(kProjectTemporary) || t.Has(kProjectAside)) << "left after the run after a kill at " << killAt;
  }
}

}  // namespace
}  // namespace keepsnap
