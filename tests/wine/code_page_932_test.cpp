// The programs under a double-byte ANSI code page (932), where the second
// byte of a character can be 0x5C, the byte of a backslash. Run only in a
// prefix started under a Japanese locale (code-page-932-test.sh), on the
// test-only builds whose manifests do not ask for UTF-8, as Windows before
// 10 version 1903 runs the programs. This driver itself speaks UTF-8.
#include <gtest/gtest.h>

#include <memory>

#include "backup_command/resource.h"
#include "core/settings.h"
#include "setup_utility/resource.h"
#include "tests/wine/wine_support.h"

using namespace winetest;

namespace {

// 表: in code page 932 lead byte 0x95 and second byte 0x5C.
const char kHyo[] = "表";

// A program of the test-only build that runs under the system's code page.
std::string SystemCodePage(const std::string& program) { return BinDir() + "\\system-code-page\\" + program; }
const char kContent[] = "double-byte body\r\n";

class CodePage932 : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    char systemCodePage[8] = {};
    GetLocaleInfoA(LOCALE_SYSTEM_DEFAULT, LOCALE_IDEFAULTANSICODEPAGE, systemCodePage, sizeof systemCodePage);
    ASSERT_STREQ("932", systemCodePage) << "start Wine under LANG=ja_JP.UTF-8";
    ASSERT_TRUE(CopyFileA(SystemCodePage("snapcopy.exe").c_str(), "C:\\windows\\snapcopy.exe", FALSE));
  }
  void SetUp() override {
    DeleteSettings();
    StoreSettings("0", "1", "0", "backup");
    // A folder whose name ends in the character, holding a file whose
    // extension is the character and one with a plain extension.
    folder = FreshFolder(::testing::UnitTest::GetInstance()->current_test_info()->name()) + "\\data" + kHyo;
    ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
    oddExtension = folder + "\\r." + kHyo;
    plain = folder + "\\report.txt";
    MakeDatedFile(oddExtension, kContent, 2003, 9, 20);
    MakeDatedFile(plain, kContent, 2003, 9, 20);
  }
  void Run(const std::string& commandLine) {
    Process run(commandLine);
    ASSERT_TRUE(run.Started());
    ASSERT_TRUE(run.WaitForExit(15000)) << "did not exit by itself";
  }
  void RunWithKeys(const char* keys, const std::string& path) {
    Run("\"" + SystemCodePage("snapcopy_with_keys.exe") + "\" " + std::string(keys) + " " + path);
  }
  void ExpectCopy(const std::string& path) {
    std::string bytes;
    ASSERT_TRUE(ReadFileBytes(path, &bytes)) << path << " missing";
    EXPECT_EQ(kContent, bytes);
  }
  std::string folder, oddExtension, plain;
};

// A search for the last backslash that ignores lead bytes would take the
// extension's second byte as the folder's end and name the copy wrongly.
TEST_F(CodePage932, CopiesLandBesideTheSource) {
  Run("snapcopy.exe " + oddExtension);
  Run("snapcopy.exe " + plain);
  ExpectCopy(folder + "\\r-2003-09-20." + kHyo);
  ExpectCopy(folder + "\\report-2003-09-20.txt");
  EXPECT_EQ(4, CountFiles(folder));

  // The names hold the real character, not two stray bytes.
  WIN32_FIND_DATAW found;
  const std::wstring pattern = std::wstring(L"C:\\kstest\\CopiesLandBesideTheSource\\data\u8868\\r-*");
  HANDLE search = FindFirstFileW(pattern.c_str(), &found);
  ASSERT_NE(INVALID_HANDLE_VALUE, search);
  FindClose(search);
  EXPECT_EQ(std::wstring(L"r-2003-09-20.\u8868"), found.cFileName);
}

TEST_F(CodePage932, CopiesLandInTheBackupFolder) {
  RunWithKeys("shift+folder", oddExtension);
  RunWithKeys("shift+folder", plain);
  ExpectCopy(folder + "\\backup\\r-2003-09-20." + kHyo);
  ExpectCopy(folder + "\\backup\\report-2003-09-20.txt");
  EXPECT_EQ(2, CountFiles(folder + "\\backup"));
  EXPECT_EQ(3, CountFiles(folder));
}

// A backup folder name that itself ends in the character.
TEST_F(CodePage932, BackupFolderNamedWithTheCharacter) {
  StoreSettings("0", "1", "0", (std::string("old") + kHyo).c_str());
  RunWithKeys("shift+folder", oddExtension);
  ExpectCopy(folder + "\\old" + kHyo + "\\r-2003-09-20." + kHyo);
  EXPECT_EQ(1, CountFiles(folder + "\\old" + kHyo));
}

// The name offered with Shift held is the right one, and OK copies to it.
TEST_F(CodePage932, NameDialogOffersTheRightName) {
  Process run("\"" + SystemCodePage("snapcopy_with_keys.exe") + "\" shift " + oddExtension);
  HWND dialog = WaitForDialog("Enter New File Name", run.Id());
  ASSERT_NE(nullptr, dialog);
  EXPECT_EQ(folder + "\\r-2003-09-20." + kHyo, ControlText(dialog, IDC_NEW_NAME));
  Click(dialog, IDOK);
  ASSERT_TRUE(run.WaitForExit(10000));
  ExpectCopy(folder + "\\r-2003-09-20." + kHyo);
}

// The setup run from a folder whose name ends in the character, under a name
// that holds it too: it must find snapcopy.exe beside itself, and a folder
// name typed with the character is saved as that character. The backup
// command built for UTF-8 reads it back as written: the registry keeps text
// as Unicode, whatever code page wrote it.
TEST_F(CodePage932, SetupFromSuchAFolder) {
  DeleteFileA("C:\\windows\\snapcopy.exe");
  const std::string setupFolder = folder + "\\setup" + kHyo;
  const std::string setup = setupFolder + "\\snapsetup" + kHyo + ".exe";
  ASSERT_TRUE(CreateDirectoryA(setupFolder.c_str(), nullptr));
  ASSERT_TRUE(CopyFileA(SystemCodePage("snapsetup.exe").c_str(), setup.c_str(), FALSE));
  ASSERT_TRUE(CopyFileA(SystemCodePage("snapcopy.exe").c_str(), (setupFolder + "\\snapcopy.exe").c_str(), FALSE));

  Process run("\"" + setup + "\"", setupFolder);
  HWND dialog = WaitForDialog("Morvane Keepsnap Setup", run.Id());
  ASSERT_NE(nullptr, dialog);
  const std::string folderName = std::string("old") + kHyo;
  SetDlgItemTextA(dialog, IDC_FOLDER_NAME, folderName.c_str());
  const std::string report = UpdateWithYes(dialog, run.Id());
  EXPECT_EQ(0u, report.find("Successfully updated Morvane Keepsnap\n")) << report;
  ASSERT_TRUE(run.WaitForExit(10000));

  std::string installed, built;
  ASSERT_TRUE(ReadFileBytes("C:\\windows\\snapcopy.exe", &installed));
  ASSERT_TRUE(ReadFileBytes(SystemCodePage("snapcopy.exe"), &built));
  EXPECT_TRUE(installed == built) << "installed snapcopy.exe differs from the built one";
  DWORD type = 0;
  std::string saved;
  ASSERT_TRUE(ReadDefault(HKEY_LOCAL_MACHINE, keepsnap::kBackupFolderKey, &type, &saved));
  EXPECT_EQ(folderName + '\0', saved);
  EXPECT_EQ(L"old\u8868", ReadDefaultUnicode(keepsnap::kBackupFolderKey));

  Run("\"" + BinDir() + "\\snapcopy_with_keys.exe\" shift+folder " + plain);
  ExpectCopy(folder + "\\" + folderName + "\\report-20030920.txt");  // the choices the setup starts with
  EXPECT_TRUE(ExistsByUnicodeName(folder + "\\old\u8868\\report-20030920.txt"));
}

}  // namespace
