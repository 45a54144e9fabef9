// The unpacked release: setup from its folder, a backup through the
// registered command, then uninstall.cmd removes what the setup wrote and
// nothing else. A DLL planted beside the setup and in the user's folder
// (release-test.sh) must never be loaded.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "core/settings.h"

#include "setup_utility/resource.h"
#include "product.h"
#include "tests/wine/wine_support.h"

using namespace winetest;

namespace {


std::string RunUninstall(const std::string& release) {
  const std::string out = "C:\\kstest\\uninstall.txt";
  DeleteFileA(out.c_str());
  Process run("cmd /c \"" + release + "\\uninstall.cmd\" > " + out, release);
  EXPECT_TRUE(run.WaitForExit(30000));
  std::string text;
  ReadFileBytes(out, &text);
  return text;
}

const char kPlantedMark[] = "C:\\planted-mark.txt";

TEST(Release, SetupBackupUninstall) {
  const char* release = std::getenv("KEEPSNAP_RELEASE");
  if (release == nullptr) GTEST_SKIP() << "run by release-test.sh";
  for (const char* file : {"snapsetup.exe", "snapcopy.exe", "help.html", "uninstall.cmd"})
    ASSERT_TRUE(Exists(std::string(release) + "\\" + file)) << file;

  // The control: without a restricted search, Wine loads the planted DLL.
  DeleteFileA(kPlantedMark);
  Process control("\"" + std::string(release) + "\\plant_control.exe\"", release);
  ASSERT_TRUE(control.WaitForExit(15000));
  ASSERT_TRUE(Exists(kPlantedMark)) << "this Wine does not load planted DLLs: the check below would prove nothing";
  DeleteFileA(kPlantedMark);

  Process setup("\"" + std::string(release) + "\\snapsetup.exe\"", release);
  HWND dialog = WaitForDialog("Morvane Keepsnap Setup", setup.Id());
  ASSERT_NE(nullptr, dialog);
  Choose(dialog, IDC_SEPARATOR_DASH);
  const std::string report = UpdateWithYes(dialog, setup.Id());
  EXPECT_EQ(0u, report.find("Successfully updated Morvane Keepsnap")) << report;
  ASSERT_TRUE(setup.WaitForExit(10000));

  const std::string folder = "C:\\Documents";  // holds a planted DLL too
  const std::string file = folder + "\\notes.txt";
  MakeDatedFile(file, "notes", 2003, 9, 20);
  DWORD type;
  std::string command;
  ASSERT_TRUE(ReadDefault(HKEY_CLASSES_ROOT, kCommandKey, &type, &command));
  command.resize(command.find('\0'));
  command.replace(command.find("%1"), 2, file);
  Process backup(command, folder);  // the shell starts it in the file's folder
  ASSERT_TRUE(backup.WaitForExit(15000));
  ASSERT_TRUE(Exists(folder + "\\notes-2003-09-20.txt"));
  std::string planted;
  ReadFileBytes(kPlantedMark, &planted);
  EXPECT_FALSE(Exists(kPlantedMark)) << "a planted DLL was loaded: " << planted;

  // Another program's context menu, run from its own folder with a downloads
  // folder as its current one, where a snapcopy.exe was planted: the
  // registered command names the installed program, which makes the backup.
  const std::string other = folder + "\\report.txt";
  MakeDatedFile(other, "report", 2003, 9, 20);
  DeleteFileA("C:\\planted-snapcopy-ran.txt");
  Process host("C:\\Tools\\verb_host.exe C:\\Downloads \"" + other + "\"", "C:\\Tools");
  ASSERT_TRUE(host.WaitForExit(30000));
  EXPECT_FALSE(Exists("C:\\planted-snapcopy-ran.txt")) << "the menu entry ran the planted snapcopy.exe";
  EXPECT_TRUE(ReadFileBytes(folder + "\\report-2003-09-20.txt", &planted) && planted == "report")
      << "no backup through the menu entry";
  // The same entry on a folder, as the shell runs it for one.
  CreateDirectoryA("C:\\Documents\\Project", nullptr);
  MakeDatedFile("C:\\Documents\\Project\\plan.txt", "plan", 2003, 9, 20);
  Process onFolder("C:\\Tools\\verb_host.exe C:\\Downloads C:\\Documents\\Project", "C:\\Tools");
  ASSERT_TRUE(onFolder.WaitForExit(30000));
  EXPECT_TRUE(ReadFileBytes(folder + "\\Project-2003-09-20\\plan.txt", &planted) && planted == "plan")
      << "no backup of the folder through its menu entry";

  // The signed release's Windows 11 menu, loaded from the release's folder
  // as Explorer's surrogate loads it: its Invoke reaches the server the
  // setup installed (on the i686 target, the x64 DLL and the 32-bit
  // server, as on 64-bit Windows 11).
  if (Exists(std::string(release) + "\\keepsnap_menu.dll")) {
    MakeDatedFile(folder + "\\menu.txt", "menu", 2003, 9, 20);
    MenuCommandDll menu(std::string(release) + "\\keepsnap_menu.dll");
    ASSERT_NE(nullptr, menu.Command());
    EXPECT_EQ(S_OK, menu.Invoke({folder + "\\menu.txt"}));
    EXPECT_TRUE(WaitUntilNoProcess("snapcopy.exe", 30000));
    EXPECT_TRUE(ReadFileBytes(folder + "\\menu-2003-09-20.txt", &planted) && planted == "menu")
        << "no backup through the Windows 11 menu";
  }

  const REGSAM view = ShippedTarget() ? KEY_WOW64_32KEY : 0;  // where a 32-bit setup's CLSID lands
  EXPECT_EQ("\"C:\\windows\\snapcopy.exe\"", ReadNamed(HKEY_CLASSES_ROOT, kDropServerKey, "", view))
      << "the whole selection's server";
  // The Windows 11 menu's package as Windows would have it registered for
  // this user, kept by a stand-in PowerShell first on the path (Wine's own
  // does nothing): uninstall.cmd must ask to remove it by its full name.
  const std::string fullName = "Morvane.Keepsnap.ContextMenu_2.0.0.0_x64__8wekyb3d8bbwe";
  WriteFileBytes("C:\\kstest\\appx-package.txt", fullName);
  DeleteFileA("C:\\kstest\\powershell-asked.txt");
  char path[4096] = {};
  GetEnvironmentVariableA("PATH", path, sizeof path);
  SetEnvironmentVariableA("PATH", (std::string("C:\\StandIn;") + path).c_str());
  const std::string said = RunUninstall(release);
  std::string asked;
  ReadFileBytes("C:\\kstest\\powershell-asked.txt", &asked);
  EXPECT_NE(std::string::npos, asked.find("Remove-AppxPackage -Package '" + fullName + "'")) << asked;
  EXPECT_NE(std::string::npos, said.find("Removed the Windows 11 menu's package for this user.")) << said;
  EXPECT_FALSE(Exists("C:\\kstest\\appx-package.txt")) << "the package is still registered";
  EXPECT_NE(std::string::npos, said.find("Removed the class that takes a whole selection.")) << said;
  EXPECT_EQ("", ReadNamed(HKEY_CLASSES_ROOT, kDropServerKey, "", view));
  EXPECT_NE(std::string::npos, said.find("Removed the context-menu entry")) << said;
  EXPECT_NE(std::string::npos, said.find("Removed the context-menu entry on folders")) << said;
  EXPECT_NE(std::string::npos, said.find("Removed the settings")) << said;
  EXPECT_NE(std::string::npos, said.find("snapcopy.exe.")) << said;
  EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, kVerbKey));
  EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, kFolderVerbKey));
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, "Software\\Morvane\\Keepsnap"));
  EXPECT_FALSE(Exists("C:\\windows\\snapcopy.exe"));
  std::string bytes;
  EXPECT_TRUE(ReadFileBytes(folder + "\\notes-2003-09-20.txt", &bytes) && bytes == "notes") << "backups stay";
  EXPECT_TRUE(ReadFileBytes(file, &bytes) && bytes == "notes");

  EXPECT_NE(std::string::npos, RunUninstall(release).find("Nothing of Morvane Keepsnap was installed."));
  SetEnvironmentVariableA("PATH", path);
}

// The build of Windows a program started now sees, as cmd's "ver" gives it.
int WindowsBuild() {
  const std::string out = "C:\\pkg\\ver.txt";
  DeleteFileA(out.c_str());
  Process run("cmd /c ver > " + out);
  std::string text;
  if (!run.WaitForExit(30000) || !ReadFileBytes(out, &text)) return 0;
  const std::string::size_type dot = text.find_last_of('.');
  return dot == std::string::npos ? 0 : std::atoi(text.c_str() + dot + 1);
}

// Runs msiexec with the arguments and gives its exit code; with a log, what
// the install wrote to it.
DWORD Msiexec(const std::string& arguments, std::string* log = nullptr) {
  const std::string logFile = "C:\\pkg\\msiexec.log";
  DeleteFileA(logFile.c_str());
  Process run("msiexec " + arguments + " /qn" + (log != nullptr ? " /l*v " + logFile : ""));
  if (!run.WaitForExit(120000)) return STILL_ACTIVE;
  if (log != nullptr) ReadFileBytes(logFile, log);
  return run.ExitCode();
}

std::string Environment(const char* name) {
  char value[MAX_PATH] = {};
  GetEnvironmentVariableA(name, value, MAX_PATH);
  return value;
}

// The Apps & features entries of the product, in the 32-bit view, as
// "name|publisher|version|no modify|has icon|size given".
std::vector<std::string> UninstallEntries(std::string* code = nullptr) {
  std::vector<std::string> found;
  HKEY list;
  const char* path = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_READ | KEY_WOW64_32KEY, &list) != ERROR_SUCCESS) return found;
  char name[256];
  for (DWORD i = 0; RegEnumKeyA(list, i, name, sizeof name) == ERROR_SUCCESS; ++i) {
    HKEY entry;
    if (RegOpenKeyExA(list, name, 0, KEY_READ | KEY_WOW64_32KEY, &entry) != ERROR_SUCCESS) continue;
    auto text = [entry](const char* value) {
      char data[512] = {};
      DWORD size = sizeof data - 1, type = 0;
      if (RegQueryValueExA(entry, value, nullptr, &type, reinterpret_cast<BYTE*>(data), &size) != ERROR_SUCCESS)
        return std::string();
      if (type == REG_DWORD) return std::to_string(*reinterpret_cast<DWORD*>(data));
      return std::string(data);
    };
    // The entry's key is the product code; the installer keeps the icon
    // that Apps & features shows under that code.
    const bool icon = Exists("C:\\windows\\Installer\\" + std::string(name) + "\\keepsnap.ico");
    if (text("DisplayName").find("Morvane Keepsnap") == 0) {
      found.push_back(text("DisplayName") + "|" + text("Publisher") + "|" + text("DisplayVersion") + "|" +
                      text("NoModify") + "|" + (icon ? "icon" : "no icon") + "|" +
                      (text("EstimatedSize").empty() ? "no size" : "size"));
      if (code != nullptr) *code = name;
    }
    RegCloseKey(entry);
  }
  RegCloseKey(list);
  return found;
}

// The Start-menu shortcut, for all users or (as Wine's installer puts it)
// the installing user.
bool ShortcutExists() {
  const std::string lnk = "\\Microsoft\\Windows\\Start Menu\\Programs\\Keepsnap Settings.lnk";
  return Exists(Environment("ProgramData") + lnk) || Exists(Environment("APPDATA") + lnk);
}

const char kSettingsKey[] = "Software\\Morvane\\Keepsnap";

// The menu entry, in the 32-bit view the package writes: Windows and Wine 10
// share it with the 64-bit one; Wine 8 keeps them apart, so there the x86_64
// setup's own entry, in the other view, is not the package's to remove.
bool VerbRegistered(const char* verbKey) {
  HKEY key;
  if (RegOpenKeyExA(HKEY_CLASSES_ROOT, verbKey, 0, KEY_READ | KEY_WOW64_32KEY, &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}

// Deployed as an IT department deploys it: msiexec with the settings as
// properties, no user interface, then upgraded, repaired, and removed.
TEST(Package, InstallUpgradeRepairRemove) {
  const char* package = std::getenv("KEEPSNAP_PACKAGE");
  if (package == nullptr) GTEST_SKIP() << "run by msi-test.sh";
  const std::string msi = std::string(package) + "\\keepsnap.msi";
  const std::string later = std::string(package) + "\\keepsnap-later.msi";
  const std::string programs = Environment("ProgramFiles(x86)") + "\\Morvane\\Keepsnap";
  auto nothingInstalled = [&]() {
    return !Exists("C:\\windows\\snapcopy.exe") && !Exists(programs) && !KeyExists(HKEY_LOCAL_MACHINE, kSettingsKey) &&
           !VerbRegistered(kVerbKey) && !VerbRegistered(kFolderVerbKey) && UninstallEntries().empty() &&
           !ShortcutExists();
  };
  ASSERT_TRUE(nothingInstalled());

  // A value the setup could not have written stops the install before
  // anything is written (1603: the install failed).
  for (const char* refused : {"DATE_MODE=2", "DATE_SEPARATOR=4", "DATE_TO_USE=x",
                              "BACKUP_FOLDER=abcdefghijklmnopqrstuvwxyz", "BACKUP_FOLDER=a*b",
                              "BACKUP_FOLDER=\"a\\b\""}) {
    EXPECT_EQ(1603u, Msiexec("/i " + msi + " " + refused)) << refused;
    EXPECT_TRUE(nothingInstalled()) << refused;
  }

  // The signed package carries the Windows 11 menu and registers it for the
  // installing user once installed: on a Windows 11 (its build staged for
  // both Wines) that has no package manager, a line in the log and a
  // working install.
  const bool menuPackage = !Environment("KEEPSNAP_SIGNED_PACKAGE").empty();
  const std::string versionKey = "Software\\Microsoft\\Windows NT\\CurrentVersion";
  if (menuPackage) {
    // Wine 8 takes the build from the registry; later Wines know "win11".
    StoreNamed(HKEY_LOCAL_MACHINE, versionKey.c_str(), "CurrentBuildNumber", "22000");
    StoreNamed(HKEY_LOCAL_MACHINE, versionKey.c_str(), "CurrentBuild", "22000");
    StoreNamed(HKEY_CURRENT_USER, "Software\\Wine", "Version", "win11");
  }
  // Where this Wine takes the staged build, the action reaches for the
  // package manager, which Wine lacks; where it does not, the action finds
  // no Windows 11 and says that instead (and the test says so).
  const bool staged = menuPackage && WindowsBuild() >= 22000;
  if (menuPackage && !staged) std::printf("this Wine does not take the staged Windows 11 build\n");
  std::string log;
  ASSERT_EQ(0u, Msiexec("/i " + msi + " DATE_MODE=0 DATE_SEPARATOR=1 DATE_TO_USE=0 BACKUP_FOLDER=backup", &log));
  for (const char* file : {"snapsetup.exe", "snapcopy.exe", "help.html"})
    EXPECT_TRUE(Exists(programs + "\\" + file)) << file;
  const std::string notRegistered = std::string("Morvane Keepsnap: the Windows 11 menu's package (Morvane.Keepsnap.ContextMenu) ") +
                                    (staged || !menuPackage ? "could not be registered for this user, error 0x"
                                                            : "was not registered: not Windows 11");
  for (const char* file : {"keepsnap_menu.dll", "keepsnap-menu.msix"})
    EXPECT_EQ(menuPackage, Exists(programs + "\\" + file)) << file;
  EXPECT_EQ(menuPackage, log.find(notRegistered) != std::string::npos) << "the Windows 11 menu's line in the log";
  EXPECT_TRUE(Exists("C:\\windows\\snapcopy.exe"));
  EXPECT_TRUE(ShortcutExists());
  EXPECT_TRUE(VerbRegistered(kVerbKey) && VerbRegistered(kFolderVerbKey)) << "the entries on files and folders";
  // The whole selection to one run, in the package's view.
  EXPECT_EQ("\"C:\\windows\\snapcopy.exe\"", ReadNamed(HKEY_CLASSES_ROOT, kDropServerKey, "", KEY_WOW64_32KEY));
  for (const char* verb : {kVerbKey, kFolderVerbKey}) {
    EXPECT_EQ("Player", ReadNamed(HKEY_CLASSES_ROOT, verb, "MultiSelectModel", KEY_WOW64_32KEY)) << verb;
    EXPECT_EQ(kDropClass,
              ReadNamed(HKEY_CLASSES_ROOT, (std::string(verb) + "\\DropTarget").c_str(), "CLSID", KEY_WOW64_32KEY))
        << verb;
  }
  // The versions are the one product.env gives and the next (msi-test.sh).
  const std::string version = KEEPSNAP_VERSION_TEXT, laterVersion = Environment("KEEPSNAP_LATER_VERSION");
  const std::vector<std::string> entry = {"Morvane Keepsnap " + version + "|Morvane|" + version + "|1|icon|size"};
  EXPECT_EQ(entry, UninstallEntries());
  const std::pair<const char*, std::string> given[] = {{keepsnap::kDateModeKey, "0"},
                                                       {keepsnap::kDateSeparatorKey, "1"},
                                                       {keepsnap::kDateToUseKey, "0"},
                                                       {keepsnap::kBackupFolderKey, "backup"}};
  for (const auto& setting : given) {
    DWORD type = 0;
    std::string bytes;
    EXPECT_TRUE(ReadDefault(HKEY_LOCAL_MACHINE, setting.first, &type, &bytes) && type == REG_SZ &&
                bytes == setting.second + '\0')
        << setting.first;
  }

  // The registered command, as the setup registers it, makes the backup.
  // (Wine 8 files a 32-bit package's HKCR entries in the 32-bit view, which
  // Windows and Wine 10 share with the 64-bit one; this reads that view.)
  HKEY key;
  ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_CLASSES_ROOT, kCommandKey, 0, KEY_READ | KEY_WOW64_32KEY, &key));
  char command[512] = {};
  DWORD size = sizeof command - 1;
  RegQueryValueExA(key, "", nullptr, nullptr, reinterpret_cast<BYTE*>(command), &size);
  RegCloseKey(key);
  char windows[MAX_PATH];
  GetWindowsDirectoryA(windows, MAX_PATH);
  ASSERT_EQ("\"" + std::string(windows) + "\\snapcopy.exe\" \"%1\"", std::string(command));
  std::string line = command;
  const std::string file = "C:\\Documents\\plan.txt";
  MakeDatedFile(file, "plan", 2003, 9, 20);
  line.replace(line.find("%1"), 2, file);
  Process backup(line, "C:\\Documents");
  ASSERT_TRUE(backup.WaitForExit(15000));
  EXPECT_TRUE(Exists("C:\\Documents\\plan-2003-09-20.txt"));

  // A later version replaces this one in place; given settings are written,
  // the others stay as they were.
  ASSERT_EQ(0u, Msiexec("/i " + later + " DATE_SEPARATOR=2"));
  EXPECT_EQ(std::vector<std::string>{"Morvane Keepsnap " + laterVersion + "|Morvane|" + laterVersion + "|1|icon|size"},
            UninstallEntries());
  DWORD type = 0;
  std::string bytes;
  EXPECT_TRUE(ReadDefault(HKEY_LOCAL_MACHINE, keepsnap::kDateSeparatorKey, &type, &bytes) && bytes == std::string("2") + '\0');
  EXPECT_TRUE(ReadDefault(HKEY_LOCAL_MACHINE, keepsnap::kBackupFolderKey, &type, &bytes) &&
              bytes == std::string("backup") + '\0')
      << "a setting not given changed in the upgrade";
  EXPECT_TRUE(Exists("C:\\windows\\snapcopy.exe"));
  EXPECT_TRUE(VerbRegistered(kVerbKey) && VerbRegistered(kFolderVerbKey)) << "an upgrade keeps both entries";

  // Repair brings back a deleted program. Spelled as the properties that
  // /fa stands for: Wine's msiexec does not carry out /f (given a package it
  // takes it for a product code; given a product code it says "not
  // implemented yet").
  ASSERT_TRUE(DeleteFileA("C:\\windows\\snapcopy.exe"));
  EXPECT_EQ(0u, Msiexec("/i " + later + " REINSTALL=ALL REINSTALLMODE=a"));
  EXPECT_TRUE(Exists("C:\\windows\\snapcopy.exe"));

  // The setup, run after the package, works as from the zip.
  Process setup("\"" + programs + "\\snapsetup.exe\"", programs);
  HWND dialog = WaitForDialog("Morvane Keepsnap Setup", setup.Id());
  ASSERT_NE(nullptr, dialog);
  const std::string report = UpdateWithYes(dialog, setup.Id());
  EXPECT_EQ(0u, report.find("Successfully updated Morvane Keepsnap")) << report;
  EXPECT_NE(std::string::npos, report.find("Copied snapcopy.exe to the Windows directory\n- Registry key created -\n- Registry value set -")) << report;
  ASSERT_TRUE(setup.WaitForExit(10000));

  // Removal leaves no file, key or shortcut of the product or the setup;
  // the backup stays.
  EXPECT_EQ(0u, Msiexec("/x " + later, &log));
  // The package removed for the user before the files go.
  const std::string::size_type removed = log.find("Morvane Keepsnap: the Windows 11 menu's package");
  EXPECT_EQ(menuPackage, removed != std::string::npos && removed < log.find("RemoveFiles")) << log.substr(0, 2000);
  EXPECT_TRUE(nothingInstalled()) << "left: files " << Exists("C:\\windows\\snapcopy.exe") << Exists(programs)
                                  << " settings " << KeyExists(HKEY_LOCAL_MACHINE, kSettingsKey) << " verb "
                                  << VerbRegistered(kVerbKey) << VerbRegistered(kFolderVerbKey) << " entries " << UninstallEntries().size()
                                  << " shortcut " << ShortcutExists();
  EXPECT_FALSE(Exists(Environment("ProgramFiles(x86)") + "\\Morvane")) << "an empty folder stayed";
  EXPECT_EQ("", ReadNamed(HKEY_CLASSES_ROOT, kDropServerKey, "", KEY_WOW64_32KEY)) << "the class stayed";
  EXPECT_TRUE(ReadFileBytes("C:\\Documents\\plan-2003-09-20.txt", &bytes) && bytes == "plan") << "backups stay";
}

}  // namespace
