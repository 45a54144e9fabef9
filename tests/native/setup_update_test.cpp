#include "core/setup_update.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

namespace keepsnap {
namespace {

class FakeView : public SetupView {
 public:
  SetupChoices choices = {1, 2, 1, "old"};
  bool answerYes = true;
  std::vector<std::string> events;
  std::string report;

  SetupChoices ReadControls() override {
    events.push_back("read");
    return choices;
  }
  void ShowFolderTooLong() override { events.push_back("too long"); }
  bool Confirm() override {
    events.push_back("confirm");
    return answerYes;
  }
  void ShowReport(const std::string& text) override {
    events.push_back("report");
    report = text;
  }
  void Close() override { events.push_back("close"); }
};

class FakeSetupPlatform : public SetupPlatform {
 public:
  bool ownPathWorks = true;
  bool windowsWorks = true;
  bool copyWorks = true;
  WriteOutcome menuOutcome = {true, true};
  std::map<std::string, WriteOutcome> menuOutcomes;  // by key path and value name; default: menuOutcome
  std::map<std::string, WriteOutcome> settingOutcomes;  // default: both succeed
  CodePage cp;

  std::vector<std::pair<std::string, std::string>> copies;
  std::vector<std::pair<std::string, std::string>> writes;  // key path, text
  std::vector<std::string> registered;  // "key path|value name|text", in order

  bool OwnPath(std::string* path) override {
    *path = "C:\\Setup Files\\snapsetup.exe";
    return ownPathWorks;
  }
  bool WindowsDirectory(std::string* path) override {
    *path = "C:\\WINDOWS";
    return windowsWorks;
  }
  bool CopyFileTo(const std::string& source, const std::string& target) override {
    copies.emplace_back(source, target);
    return copyWorks;
  }
  WriteOutcome RegisterValue(const char* keyPath, const char* valueName, const std::string& text) override {
    const std::string named = std::string(keyPath) + "|" + (valueName == nullptr ? "" : valueName);
    registered.push_back(named + "|" + text);
    auto it = menuOutcomes.find(named);
    return it == menuOutcomes.end() ? menuOutcome : it->second;
  }
  WriteOutcome WriteSetting(const char* keyPath, const std::string& text) override {
    writes.emplace_back(keyPath, text);
    auto it = settingOutcomes.find(keyPath);
    return it == settingOutcomes.end() ? WriteOutcome{true, true} : it->second;
  }
  const CodePage& AnsiCodePage() override { return cp; }
  void RegisterMenuPackage(const std::string& folder) override { registered.push_back("menu package|" + folder); }
  bool WroteAnything() const { return !copies.empty() || !writes.empty() || !registered.empty(); }
};

const char kAllSaved[] =
    "Updated date mode registry key\nSaved date mode registry key value"
    "\nUpdated date separator registry key\nSaved date separator registry key value"
    "\nUpdated date to use  registry key\nSaved date to use registry key value"
    "\nUpdated backup folder registry key\nSaved backup folder registry key value";

// The documented example choices and the whole success text.
TEST(ApplySettings, ConfirmedUpdateWritesEverythingAndReports) {
  FakeView view;
  FakeSetupPlatform platform;
  ApplySettings(view, platform);

  const std::vector<std::string> events = {"read", "confirm", "report", "close"};
  EXPECT_EQ(events, view.events);
  const std::vector<std::pair<std::string, std::string>> writes = {
      {"Software\\Morvane\\Keepsnap\\date_mode\\", "1"},
      {"Software\\Morvane\\Keepsnap\\date_separator", "2"},
      {"Software\\Morvane\\Keepsnap\\date_to_use", "1"},
      {"Software\\Morvane\\Keepsnap\\backup_folder", "old"}};
  EXPECT_EQ(writes, platform.writes);
  ASSERT_EQ(1u, platform.copies.size());
  EXPECT_EQ("C:\\Setup Files\\snapcopy.exe", platform.copies[0].first);
  EXPECT_EQ("C:\\WINDOWS\\snapcopy.exe", platform.copies[0].second);
  // The server by its full path, each entry's command, and each entry's
  // DropTarget naming the server's class, which takes a whole selection.
  const std::vector<std::string> registered = {
      "CLSID\\{4E1F4914-AE5F-41FB-A934-3DDA7ED21A15}\\LocalServer32||\"C:\\WINDOWS\\snapcopy.exe\"",
      "*\\shell\\Morvane - Backup File(s) Ver 2.0\\command\\||\"C:\\WINDOWS\\snapcopy.exe\" \"%1\"",
      "Directory\\shell\\Morvane - Backup File(s) Ver 2.0\\command\\||\"C:\\WINDOWS\\snapcopy.exe\" \"%1\"",
      "*\\shell\\Morvane - Backup File(s) Ver 2.0|MultiSelectModel|Player",
      "Directory\\shell\\Morvane - Backup File(s) Ver 2.0|MultiSelectModel|Player",
      "*\\shell\\Morvane - Backup File(s) Ver 2.0\\DropTarget|CLSID|{4E1F4914-AE5F-41FB-A934-3DDA7ED21A15}",
      "Directory\\shell\\Morvane - Backup File(s) Ver 2.0\\DropTarget|CLSID|{4E1F4914-AE5F-41FB-A934-3DDA7ED21A15}",
      // The Windows 11 menu's package, from the setup's own folder; no line
      // of the report.
      "menu package|C:\\Setup Files",
  };
  EXPECT_EQ(registered, platform.registered);
  EXPECT_EQ(std::string("Successfully updated Morvane Keepsnap\n\nDetails...\n") + kAllSaved +
                "\nCopied snapcopy.exe to the Windows directory\n- Registry key created -\n- Registry value set -",
            view.report);
}

// 25 characters pass; 26 are refused before anything is asked or written.
TEST(ApplySettings, FolderNameLengthCheck) {
  FakeView view;
  FakeSetupPlatform platform;
  view.choices.folderName = std::string(26, 'x');
  ApplySettings(view, platform);
  EXPECT_EQ((std::vector<std::string>{"read", "too long"}), view.events);
  EXPECT_FALSE(platform.WroteAnything());
  EXPECT_EQ("Backup folder name must be 25 characters or less.", FolderTooLongMessage());

  FakeView ok;
  ok.choices.folderName = std::string(25, 'x');
  ApplySettings(ok, platform);
  EXPECT_EQ("close", ok.events.back());

  FakeView empty;
  FakeSetupPlatform emptyPlatform;
  empty.choices.folderName = "";
  ApplySettings(empty, emptyPlatform);
  EXPECT_EQ("", emptyPlatform.writes.back().second);

  // Under UTF-8 the limit counts letters, as the box does, not bytes.
  std::string cyrillic;
  for (int i = 0; i < 25; ++i) cyrillic += "\xD0\x96";  // Ж
  for (const std::string& name : {cyrillic, cyrillic + "\xD0\x96"}) {
    FakeView utf8;
    FakeSetupPlatform utf8Platform;
    utf8Platform.cp = CodePage::Utf8();
    utf8.choices.folderName = name;
    ApplySettings(utf8, utf8Platform);
    EXPECT_EQ(name == cyrillic ? "close" : "too long", utf8.events.back()) << name.size() << " bytes";
  }
}

TEST(ApplySettings, NoWritesNothingAndStaysOpen) {
  FakeView view;
  FakeSetupPlatform platform;
  view.answerYes = false;
  ApplySettings(view, platform);
  EXPECT_EQ((std::vector<std::string>{"read", "confirm"}), view.events);
  EXPECT_FALSE(platform.WroteAnything());
}

// Catches a failure reported under the success headline, or a step's line
// taken from another outcome (the value line from the key's creation, say).
TEST(ApplySettings, AnyFailedStepChangesTheReport) {
  const std::string head = "Morvane Keepsnap was NOT fully updated\n\nDetails...\n";
  const std::string copied = "\nCopied snapcopy.exe to the Windows directory";
  const std::string keyMade = "\n- Registry key created -", valueSet = "\n- Registry value set -";
  const std::string toUseNotSaved =
      "Updated date mode registry key\nSaved date mode registry key value"
      "\nUpdated date separator registry key\nSaved date separator registry key value"
      "\nUpdated date to use  registry key\nError saving date to use registry key value"
      "\nUpdated backup folder registry key\nSaved backup folder registry key value";
  const std::string folderNotMade =
      "Updated date mode registry key\nSaved date mode registry key value"
      "\nUpdated date separator registry key\nSaved date separator registry key value"
      "\nUpdated date to use  registry key\nSaved date to use registry key value"
      "\nError creating backup folder registry key\nError saving backup folder registry key value";
  const std::string expected[] = {
      head + kAllSaved + "\nError copying snapcopy.exe to the Windows directory" + keyMade + valueSet,
      head + kAllSaved + copied + "\n- Registry key NOT created -\n- Registry NOT value set -",
      head + kAllSaved + copied + keyMade + "\n- Registry NOT value set -",
      head + toUseNotSaved + copied + keyMade + valueSet,
      head + folderNotMade + copied + keyMade + valueSet,
      head + kAllSaved + copied + "\n- Registry key NOT created -\n- Registry NOT value set -",
      head + kAllSaved + copied + keyMade + "\n- Registry NOT value set -",
      head + kAllSaved + copied + "\n- Registry key NOT created -\n- Registry NOT value set -",
      head + kAllSaved + copied + keyMade + "\n- Registry NOT value set -",
  };
  for (int failing = 0; failing < 9; ++failing) {
    FakeView view;
    FakeSetupPlatform platform;
    switch (failing) {
      case 0: platform.copyWorks = false; break;
      case 1: platform.menuOutcome = {false, false}; break;
      case 2: platform.menuOutcome = {true, false}; break;
      case 3: platform.settingOutcomes[kDateToUseKey] = {true, false}; break;
      case 4: platform.settingOutcomes[kBackupFolderKey] = {false, false}; break;
      // The lines speak for every key and value: the folder entry alone
      // failing, the server's key alone, a DropTarget's value alone.
      case 5: platform.menuOutcomes[std::string(kFolderMenuKey) + "|"] = {false, false}; break;
      case 6: platform.menuOutcomes[std::string(kFolderMenuKey) + "|"] = {true, false}; break;
      case 7: platform.menuOutcomes[std::string(kDropServerKey) + "|"] = {false, false}; break;
      case 8: platform.menuOutcomes[std::string(kFileDropTargetKey) + "|CLSID"] = {true, false}; break;
    }
    ApplySettings(view, platform);
    EXPECT_EQ(expected[failing], view.report) << failing;
    EXPECT_EQ(4u, platform.writes.size()) << "every key is written whatever failed";
    EXPECT_EQ("close", view.events.back());
  }
}

// Every step failing: all the error lines, in order, and still one report.
TEST(ApplySettings, EveryStepFailing) {
  FakeView view;
  FakeSetupPlatform platform;
  platform.copyWorks = false;
  platform.menuOutcome = {false, true};  // a value "set" on no key is not set
  for (const char* key : {kDateModeKey, kDateSeparatorKey, kDateToUseKey, kBackupFolderKey})
    platform.settingOutcomes[key] = {false, true};
  ApplySettings(view, platform);
  EXPECT_EQ(
      "Morvane Keepsnap was NOT fully updated\n\nDetails...\n"
      "Error creating date mode registry key\nError saving date mode registry key value"
      "\nError creating date separator registry key\nError saving date separator registry key value"
      "\nError creating date to use registry key\nError saving date to use registry key value"
      "\nError creating backup folder registry key\nError saving backup folder registry key value"
      "\nError copying snapcopy.exe to the Windows directory"
      "\n- Registry key NOT created -\n- Registry NOT value set -",
      view.report);
}

// Every mix of created and saved per key gives its own two lines.
TEST(SaveSettings, LinesPerOutcome) {
  const char* keys[] = {kDateModeKey, kDateSeparatorKey, kDateToUseKey, kBackupFolderKey};
  const char* names[] = {"date mode", "date separator", "date to use", "backup folder"};
  for (int k = 0; k < 4; ++k) {
    for (int mix = 0; mix < 2; ++mix) {
      FakeSetupPlatform platform;
      platform.settingOutcomes[keys[k]] = mix == 0 ? WriteOutcome{true, false} : WriteOutcome{false, false};
      const SavedSettings saved = SaveSettings(platform, 0, 0, 0, "backup");
      EXPECT_FALSE(saved.allSaved);
      const std::string name = names[k];
      const std::string lead = k == 0 ? "" : "\n";
      const std::string createdLine =
          mix == 0 ? lead + "Updated " + name + (k == 2 ? "  " : " ") + "registry key"
                   : lead + "Error creating " + name + " registry key";
      EXPECT_NE(std::string::npos, saved.report.find(createdLine + "\nError saving " + name + " registry key value"))
          << saved.report;
      EXPECT_EQ(8, std::count(saved.report.begin(), saved.report.end(), '\n') + 1);
    }
  }
  FakeSetupPlatform platform;
  const SavedSettings saved = SaveSettings(platform, 0, 3, 1, "b");
  EXPECT_TRUE(saved.allSaved);
  EXPECT_EQ(kAllSaved, saved.report);
  EXPECT_EQ("3", platform.writes[1].second);
}

// A cut-short own path or Windows directory is never copied from or to, nor
// registered.
// The installer's log line on the Windows 11 menu's package: each outcome,
// and a failure named by its code's 32 bits, wherever long is wider.
TEST(MenuPackageLogLine, EachOutcome) {
  const std::string what = "Morvane Keepsnap: the Windows 11 menu's package (Morvane.Keepsnap.ContextMenu) ";
  const long accessDenied = static_cast<int>(0x80070005u);
  const struct {
    MenuPackageStep step;
    long result;
    std::string line;
  } rows[] = {
      {MenuPackageStep::Register, 0, what + "was registered for this user"},
      {MenuPackageStep::Register, 1, what + "was not registered: not Windows 11, or no package beside the programs"},
      {MenuPackageStep::Register, accessDenied,
       what + "could not be registered for this user, error 0x80070005; the classic entry is there"},
      {MenuPackageStep::Remove, 0, what + "was removed for this user"},
      {MenuPackageStep::Remove, 1, what + "was not removed: not Windows 11"},
      {MenuPackageStep::Remove, 0x1F, what + "was removed for this user"},
      {MenuPackageStep::Remove, static_cast<int>(0x80073CF1u), what + "could not be removed, error 0x80073CF1"},
  };
  for (const auto& row : rows) EXPECT_EQ(row.line, MenuPackageLogLine(row.step, row.result)) << row.result;
}

TEST(InstallBackupCommand, NoCopyFromAWrongPlace) {
  FakeSetupPlatform platform;
  platform.ownPathWorks = false;
  FakeView view;
  ApplySettings(view, platform);
  EXPECT_TRUE(platform.copies.empty());
  EXPECT_NE(std::string::npos, view.report.find("\nError copying snapcopy.exe to the Windows directory"));
  for (const std::string& value : platform.registered)
    EXPECT_EQ(std::string::npos, value.find("menu package")) << "a package from a folder not known";

  FakeSetupPlatform noWindows;
  noWindows.windowsWorks = false;
  EXPECT_FALSE(InstallBackupCommand(true, "C:\\Setup\\snapsetup.exe", noWindows));
  EXPECT_TRUE(noWindows.copies.empty());
  EXPECT_FALSE(InstallBackupCommand(true, "snapsetup.exe", noWindows));
  // Nor is a bare command registered, which the search order could send to
  // a planted program.
  const WriteOutcome menu = RegisterContextMenu(noWindows);
  EXPECT_FALSE(menu.created || menu.saved);
  EXPECT_TRUE(noWindows.registered.empty());
}

// A Windows directory longer than the first buffer is asked for again with
// the size the call gave; one that keeps growing, or a failed call, is none.
TEST(InstallBackupCommand, WindowsDirectoryAskedAgainWithTheSizeGiven) {
  const std::string longWindows = "C:\\" + std::string(400, 'w');
  struct Row {
    std::string directory;  // what the call holds
    bool growsEachTime;
    bool found;
    std::vector<unsigned> sizes;  // the sizes it was asked with
  } rows[] = {
      {"C:\\WINDOWS", false, true, {261}},
      {longWindows, false, true, {261, 405}},
      {longWindows, true, false, {261, 405}},
      {"", false, false, {261}},
  };
  for (const Row& r : rows) {
    std::vector<unsigned> sizes;
    std::string held = r.directory;
    const SizedRead read = [&](char* buffer, unsigned size) -> unsigned {
      sizes.push_back(size);
      if (held.size() + 1 > size) {
        const unsigned needed = static_cast<unsigned>(held.size() + 1);
        if (r.growsEachTime) held += "xx";
        return needed;
      }
      std::copy(held.begin(), held.end(), buffer);
      buffer[held.size()] = '\0';
      return static_cast<unsigned>(held.size());
    };
    std::string path = "unchanged";
    EXPECT_EQ(r.found, ReadWindowsDirectory(read, &path)) << r.directory.size();
    EXPECT_EQ(r.found ? r.directory : "unchanged", path);
    EXPECT_EQ(r.sizes, sizes);
  }
}

// The setup's folder may end in a double-byte character whose second byte is 0x5C.
TEST(InstallBackupCommand, DoubleByteFolder) {
  FakeSetupPlatform platform;
  platform.cp = CodePage::ShiftJis();
  EXPECT_TRUE(InstallBackupCommand(true, "C:\\\x95\x5C\\snapsetup.exe", platform));
  EXPECT_EQ("C:\\\x95\x5C\\snapcopy.exe", platform.copies[0].first);
}

}  // namespace
}  // namespace keepsnap
