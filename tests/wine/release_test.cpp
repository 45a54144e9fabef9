// The unpacked release: setup from its folder, a backup through the
// registered command, then uninstall.cmd removes what the setup wrote and
// nothing else. A DLL planted beside the setup and in the user's folder
// (release-test.sh) must never be loaded.
#include <gtest/gtest.h>

#include <cstdlib>

#include "setup_utility/resource.h"
#include "tests/wine/wine_support.h"

using namespace winetest;

namespace {

const char kVerbKey[] = "*\\shell\\Morvane - Backup File(s) Ver 2.0";
const char kCommandKey[] = "*\\shell\\Morvane - Backup File(s) Ver 2.0\\command\\";

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

  const std::string said = RunUninstall(release);
  EXPECT_NE(std::string::npos, said.find("Removed the context-menu entry")) << said;
  EXPECT_NE(std::string::npos, said.find("Removed the settings")) << said;
  EXPECT_NE(std::string::npos, said.find("snapcopy.exe.")) << said;
  EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, kVerbKey));
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, "Software\\Morvane\\Keepsnap"));
  EXPECT_FALSE(Exists("C:\\windows\\snapcopy.exe"));
  std::string bytes;
  EXPECT_TRUE(ReadFileBytes(folder + "\\notes-2003-09-20.txt", &bytes) && bytes == "notes") << "backups stay";
  EXPECT_TRUE(ReadFileBytes(file, &bytes) && bytes == "notes");

  EXPECT_NE(std::string::npos, RunUninstall(release).find("Nothing of Morvane Keepsnap was installed."));
}

}  // namespace
