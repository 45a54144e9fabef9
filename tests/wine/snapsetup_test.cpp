// snapsetup.exe under Wine, worked through its window as a user would, and
// the two programs together through the registered command.
#include <gtest/gtest.h>

#include <memory>

#include "core/settings.h"
#include "core/setup_update.h"
#include "dialogs/modal_dialog.h"
#include "setup_utility/resource.h"
#include "tests/wine/wine_support.h"

using namespace winetest;

namespace {

const char kSetupCaption[] = "Morvane Keepsnap Setup";
const char kInstalled[] = "C:\\windows\\snapcopy.exe";

const char kAllDone[] =
    "Successfully updated Morvane Keepsnap\n\nDetails...\n"
    "Updated date mode registry key\nSaved date mode registry key value"
    "\nUpdated date separator registry key\nSaved date separator registry key value"
    "\nUpdated date to use  registry key\nSaved date to use registry key value"
    "\nUpdated backup folder registry key\nSaved backup folder registry key value"
    "\nCopied snapcopy.exe to the Windows directory\n- Registry key created -\n- Registry value set -";

class SetupTest : public ::testing::Test {
 protected:
  void SetUp() override { RemoveEverything(); }
  void TearDown() override { RemoveEverything(); }

  static void RemoveEverything() {
    DeleteSettings();
    DeleteTree(HKEY_CLASSES_ROOT, "*\\shell\\Morvane - Backup File(s) Ver 2.0");
    DeleteTree(HKEY_CLASSES_ROOT, "Directory\\shell\\Morvane - Backup File(s) Ver 2.0");
    DeleteFileA(kInstalled);
  }
  static bool NothingWritten() {
    return !KeyExists(HKEY_LOCAL_MACHINE, "Software\\Morvane") &&
           !KeyExists(HKEY_CLASSES_ROOT, "*\\shell\\Morvane - Backup File(s) Ver 2.0") &&
           !KeyExists(HKEY_CLASSES_ROOT, "Directory\\shell\\Morvane - Backup File(s) Ver 2.0") && !Exists(kInstalled);
  }

  // Starts the setup from the folder that holds both programs, as run; its
  // dialog, or null.
  HWND Open() {
    run.reset(new Process("\"" + BinDir() + "\\snapsetup.exe\"", BinDir()));
    EXPECT_TRUE(run->Started());
    EXPECT_EQ(ShippedTarget(), run->IsWow64());
    return WaitForDialog(kSetupCaption, run->Id());
  }

  // Picks the choices, puts the folder name into the box, presses Update and
  // answers the confirmation.
  void Update(HWND dialog, DWORD processId, int order, int separator, int source, const char* folder, bool yes) {
    Choose(dialog, order);
    Choose(dialog, separator);
    Choose(dialog, source);
    if (folder != nullptr) SetDlgItemTextA(dialog, IDC_FOLDER_NAME, folder);  // null: as typed
    Click(dialog, IDOK);
    HWND confirm = WaitForDialog("CONFIRM", processId);
    ASSERT_NE(nullptr, confirm);
    EXPECT_EQ("Update your Morvane Keepsnap property settings?", MessageBoxText(confirm));
    EXPECT_NE(nullptr, GetDlgItem(confirm, IDYES));
    EXPECT_NE(nullptr, GetDlgItem(confirm, IDNO));
    Click(confirm, yes ? IDYES : IDNO);
    ASSERT_TRUE(WaitUntilGone(confirm));
  }

  // Reads the final report box and closes it.
  std::string Finish(DWORD processId) {
    HWND box = WaitForDialog("FINISHED", processId);
    if (box == nullptr) return "(no FINISHED box)";
    const std::string text = MessageBoxText(box);
    Click(box, IDOK);
    return text;
  }

  void ExpectSetting(const char* key, const std::string& text) {
    DWORD type = 0;
    std::string bytes;
    ASSERT_TRUE(ReadDefault(HKEY_LOCAL_MACHINE, key, &type, &bytes)) << key;
    EXPECT_EQ(static_cast<DWORD>(REG_SZ), type) << key;
    EXPECT_EQ(text + std::string(1, '\0'), bytes) << key << ": text and its terminator, nothing more";
  }

  std::unique_ptr<Process> run;
};

class SetupDialog : public SetupTest {};

// Start-up choices whatever is stored, centred, Help hidden, focus in the
// folder box with its text selected.
TEST_F(SetupDialog, OpensCentredWithStartupChoices) {
  StoreSettings("1", "2", "1", "old");
  HWND dialog = Open();
  ASSERT_NE(nullptr, dialog);
  EXPECT_TRUE(Checked(dialog, IDC_YEAR_FIRST));
  EXPECT_FALSE(Checked(dialog, IDC_MONTH_FIRST));
  EXPECT_TRUE(Checked(dialog, IDC_SEPARATOR_NONE));
  EXPECT_TRUE(Checked(dialog, IDC_FILE_DATE));
  EXPECT_EQ("backup", ControlText(dialog, IDC_FOLDER_NAME));
  EXPECT_FALSE(IsWindowVisible(GetDlgItem(dialog, IDC_HELP_BUTTON)));
  EXPECT_EQ(GetDlgItem(dialog, IDC_FOLDER_NAME), FocusOf(dialog));
  DWORD start = 99, end = 99;
  SendMessageA(GetDlgItem(dialog, IDC_FOLDER_NAME), EM_GETSEL, reinterpret_cast<WPARAM>(&start),
               reinterpret_cast<LPARAM>(&end));
  EXPECT_EQ(0u, start);
  EXPECT_EQ(6u, end);
  // Centred on the work area, which this session starts at 80, 60.
  const RECT area = WorkAreaOf(dialog);
  EXPECT_TRUE(area.left > 0 && area.top > 0) << "the work area must not start at 0, 0 here (wine-session.sh)";
  EXPECT_LE(std::abs(OffCentre(dialog).x), 2);
  EXPECT_LE(std::abs(OffCentre(dialog).y), 2);
  Click(dialog, IDCANCEL);
  EXPECT_TRUE(run->WaitForExit(10000));
}

// Types the letters into the folder box, as a keyboard would, in place of
// what it holds.
void Type(HWND dialog, const std::wstring& letters) {
  HWND box = GetDlgItem(dialog, IDC_FOLDER_NAME);
  SetWindowTextA(box, "");
  for (wchar_t letter : letters) SendMessageW(box, WM_CHAR, letter, 0);
}

std::wstring BoxText(HWND dialog) {
  wchar_t text[256] = {};
  GetDlgItemTextW(dialog, IDC_FOLDER_NAME, text, 256);
  return text;
}

// Names of 26 letters in three scripts; the box counts letters, not bytes.
const std::wstring kTwentySix[] = {L"abcdefghijklmnopqrstuvwxyz", L"абвгдежзийклмнопрстуфхцчшщ",
                                   L"一二三四五六七八九十百千万上下左右前後東西南北春夏秋"};

// Typing stops at 25 letters, whatever the script.
TEST_F(SetupDialog, FolderBoxTakesNo26thCharacter) {
  HWND dialog = Open();
  ASSERT_NE(nullptr, dialog);
  for (const std::wstring& letters : kTwentySix) {
    Type(dialog, letters + letters);
    EXPECT_TRUE(letters.substr(0, 25) == BoxText(dialog));
  }
  Click(dialog, IDCANCEL);
  EXPECT_TRUE(run->WaitForExit(10000));
}

TEST_F(SetupDialog, CancelAndEscWriteNothing) {
  for (int way = 0; way < 2; ++way) {
    HWND dialog = Open();
    ASSERT_NE(nullptr, dialog);
    if (way == 0) {
      Click(dialog, IDCANCEL);
    } else {
      PostMessageA(GetDlgItem(dialog, IDC_FOLDER_NAME), WM_KEYDOWN, VK_ESCAPE, 0);
    }
    EXPECT_TRUE(run->WaitForExit(10000)) << way;
    EXPECT_TRUE(NothingWritten()) << way;
  }
}

// A name put into the box past its limit is refused with both messages,
// and nothing is written; the dialog stays open.
TEST_F(SetupDialog, TooLongNameRefused) {
  HWND dialog = Open();
  ASSERT_NE(nullptr, dialog);
  SetDlgItemTextA(dialog, IDC_FOLDER_NAME, std::string(26, 'x').c_str());
  Click(dialog, IDOK);
  HWND framework = WaitForDialog("", run->Id());
  ASSERT_NE(nullptr, framework);
  EXPECT_EQ("Enter no more than 25 characters.", MessageBoxText(framework));
  Click(framework, IDOK);
  ASSERT_TRUE(WaitUntilGone(framework));
  HWND refusal = WaitForDialog("", run->Id());
  ASSERT_NE(nullptr, refusal);
  EXPECT_EQ("Backup folder name must be 25 characters or less.", MessageBoxText(refusal));
  Click(refusal, IDOK);
  ASSERT_TRUE(WaitUntilGone(refusal));
  EXPECT_TRUE(IsWindow(dialog));
  EXPECT_EQ(GetDlgItem(dialog, IDC_FOLDER_NAME), FocusOf(dialog));
  EXPECT_TRUE(NothingWritten());
  Click(dialog, IDCANCEL);
  EXPECT_TRUE(run->WaitForExit(10000));
}

// The dialog layer itself, in this process: template 200 of the driver sits
// at 100, 80 and holds an edit box that answers WM_GETTEXTLENGTH with less
// than its text, as nothing on Wine does by itself.
class PlacedProbe : public dlg::ModalDialog {
 public:
  PlacedProbe() : ModalDialog(GetModuleHandleA(nullptr), 200) {}
  std::string text;

 protected:
  void DoDataExchange(dlg::DataExchange& exchange) override { exchange.Text(1000, text); }
  bool OnInitDialog() override {
    HWND box = GetDlgItem(Window(), 1000);
    boxProc_ = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(box, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&PlacedProbe::ShortLength)));
    return ModalDialog::OnInitDialog();
  }

 private:
  static LRESULT CALLBACK ShortLength(HWND box, UINT message, WPARAM wParam, LPARAM lParam) {
    const LRESULT result = CallWindowProcA(boxProc_, box, message, wParam, lParam);
    return message == WM_GETTEXTLENGTH ? result / 10 : result;
  }
  static WNDPROC boxProc_;
};
WNDPROC PlacedProbe::boxProc_ = nullptr;

DWORD WINAPI ShowProbe(void* probe) { return static_cast<DWORD>(static_cast<PlacedProbe*>(probe)->DoModal()); }

// Catches a layer that centres every dialog, whatever its template says,
// and a text read that trusts the length the box gives.
TEST_F(SetupDialog, LayerKeepsTemplatePlaceAndReadsWholeText) {
  PlacedProbe probe;
  HANDLE thread = CreateThread(nullptr, 0, ShowProbe, &probe, 0, nullptr);
  ASSERT_NE(nullptr, thread);
  HWND dialog = WaitForDialog("Placed probe", GetCurrentProcessId());
  ASSERT_NE(nullptr, dialog);
  // The template places the client area; the frame lies around it.
  RECT placed = {100, 80, 0, 0};
  MapDialogRect(dialog, &placed);
  POINT client = {0, 0};
  ClientToScreen(dialog, &client);
  EXPECT_EQ(placed.left, client.x) << "where the template puts it, not centred";
  EXPECT_EQ(placed.top, client.y);
  EXPECT_GT(std::abs(OffCentre(dialog).x), 50) << "the probe would be centred";

  std::string typed;
  for (int i = 0; typed.size() < 700; ++i) typed += "word" + std::to_string(i) + " ";
  SetDlgItemTextA(dialog, 1000, typed.c_str());
  ASSERT_LT(SendMessageA(GetDlgItem(dialog, 1000), WM_GETTEXTLENGTH, 0, 0), 100);
  Click(dialog, IDOK);
  EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(thread, 10000));
  CloseHandle(thread);
  EXPECT_EQ(typed, probe.text);
}

class SetupUpdate : public SetupTest {};

TEST_F(SetupUpdate, NoWritesNothingAndStaysOpen) {
  HWND dialog = Open();
  ASSERT_NE(nullptr, dialog);
  Update(dialog, run->Id(), IDC_MONTH_FIRST, IDC_SEPARATOR_UNDERSCORE, IDC_SYSTEM_DATE, "old", false);
  Sleep(300);
  EXPECT_TRUE(IsWindow(dialog));
  EXPECT_TRUE(NothingWritten());
  Click(dialog, IDCANCEL);
  EXPECT_TRUE(run->WaitForExit(10000));
  EXPECT_TRUE(NothingWritten());
}

// The documented example: every value, the command, the installed program
// and the report, exactly.
TEST_F(SetupUpdate, YesInstallsRegistersAndSaves) {
  HWND dialog = Open();
  ASSERT_NE(nullptr, dialog);
  Update(dialog, run->Id(), IDC_MONTH_FIRST, IDC_SEPARATOR_UNDERSCORE, IDC_SYSTEM_DATE, "old", true);
  EXPECT_EQ(kAllDone, Finish(run->Id()));
  ASSERT_TRUE(run->WaitForExit(10000)) << "the report closes the program";

  ExpectSetting(keepsnap::kDateModeKey, "1");
  ExpectSetting(keepsnap::kDateSeparatorKey, "2");
  ExpectSetting(keepsnap::kDateToUseKey, "1");
  ExpectSetting(keepsnap::kBackupFolderKey, "old");
  char windows[MAX_PATH];
  GetWindowsDirectoryA(windows, MAX_PATH);
  // The same command on files and on folders.
  for (const char* key : {kCommandKey, kFolderCommandKey}) {
    DWORD type = 0;
    std::string command;
    ASSERT_TRUE(ReadDefault(HKEY_CLASSES_ROOT, key, &type, &command)) << key;
    EXPECT_EQ(static_cast<DWORD>(REG_SZ), type) << key;
    EXPECT_EQ("\"" + std::string(windows) + "\\snapcopy.exe\" \"%1\"" + '\0', command) << key;
  }
  // Each entry's DropTarget, and the class's server by its full path: the
  // whole selection goes to one run.
  const REGSAM view = ShippedTarget() ? KEY_WOW64_32KEY : 0;  // where a 32-bit setup's CLSID lands
  EXPECT_EQ("\"" + std::string(windows) + "\\snapcopy.exe\"", ReadNamed(HKEY_CLASSES_ROOT, kDropServerKey, "", view));
  for (const char* verb : {kVerbKey, kFolderVerbKey}) {
    EXPECT_EQ("Player", ReadNamed(HKEY_CLASSES_ROOT, verb, "MultiSelectModel")) << verb;
    EXPECT_EQ(kDropClass, ReadNamed(HKEY_CLASSES_ROOT, (std::string(verb) + "\\DropTarget").c_str(), "CLSID")) << verb;
  }
  std::string installed, built;
  ASSERT_TRUE(ReadFileBytes(kInstalled, &installed));
  ASSERT_TRUE(ReadFileBytes(BinDir() + "\\snapcopy.exe", &built));
  EXPECT_TRUE(installed == built) << "installed snapcopy.exe differs from the built one";
}

// All 25 letters the box takes pass the length check and are saved, in any
// script, and the date order, read back after the name, is saved too; the
// backup command then copies into the folder of that name.
TEST_F(SetupUpdate, FullLengthNameIsSaved) {
  const std::string files = FreshFolder("full length");
  MakeDatedFile(files + "\\plan.doc", "plan", 2003, 9, 20);
  for (const std::wstring& letters : kTwentySix) {
    HWND dialog = Open();
    ASSERT_NE(nullptr, dialog);
    Type(dialog, letters);
    Update(dialog, run->Id(), IDC_MONTH_FIRST, IDC_SEPARATOR_PERIOD, IDC_FILE_DATE, nullptr, true);
    EXPECT_EQ(kAllDone, Finish(run->Id()));
    ASSERT_TRUE(run->WaitForExit(10000));
    EXPECT_TRUE(letters.substr(0, 25) == ReadDefaultUnicode(keepsnap::kBackupFolderKey));
    ExpectSetting(keepsnap::kDateModeKey, "1");

    char name[128] = {};
    WideCharToMultiByte(CP_UTF8, 0, letters.c_str(), 25, name, sizeof name, nullptr, nullptr);
    Process backup("\"" + BinDir() + "\\snapcopy_with_keys.exe\" shift+folder " + files + "\\plan.doc");
    ASSERT_TRUE(backup.WaitForExit(15000));
    EXPECT_TRUE(ExistsByUnicodeName(files + "\\" + name + "\\plan-09.20.2003.doc")) << name;
  }
}

// Without snapcopy.exe beside it the setup says it was not fully updated.
TEST_F(SetupUpdate, MissingProgramIsReported) {
  const std::string lonely = FreshFolder("lonely setup");
  ASSERT_TRUE(CopyFileA((BinDir() + "\\snapsetup.exe").c_str(), (lonely + "\\snapsetup.exe").c_str(), FALSE));
  run.reset(new Process("\"" + lonely + "\\snapsetup.exe\"", lonely));
  HWND dialog = WaitForDialog(kSetupCaption, run->Id());
  ASSERT_NE(nullptr, dialog);
  Update(dialog, run->Id(), IDC_YEAR_FIRST, IDC_SEPARATOR_DASH, IDC_FILE_DATE, "backup", true);
  const std::string report = Finish(run->Id());
  EXPECT_EQ(0u, report.find("Morvane Keepsnap was NOT fully updated\n\nDetails...\n")) << report;
  EXPECT_NE(std::string::npos, report.find("\nError copying snapcopy.exe to the Windows directory")) << report;
  EXPECT_TRUE(run->WaitForExit(10000));
  EXPECT_FALSE(Exists(kInstalled));
  ExpectSetting(keepsnap::kDateSeparatorKey, "1");
}

class TwoPrograms : public SetupTest {
 protected:
  // Runs the registered command on a file, as the shell does for the entry.
  void RunRegisteredCommand(const std::string& file) {
    DWORD type = 0;
    std::string command;
    ASSERT_TRUE(ReadDefault(HKEY_CLASSES_ROOT, kCommandKey, &type, &command));
    command.resize(command.find('\0'));
    command.replace(command.find("%1"), 2, file);
    Process backup(command);
    ASSERT_TRUE(backup.Started()) << command;
    ASSERT_TRUE(backup.WaitForExit(15000));
  }
  void SetUpWith(int order, int separator, int source, const char* folder) {
    HWND dialog = Open();
    ASSERT_NE(nullptr, dialog);
    Update(dialog, run->Id(), order, separator, source, folder, true);
    EXPECT_EQ(kAllDone, Finish(run->Id()));
    ASSERT_TRUE(run->WaitForExit(10000));
  }
};

// Setup, then backup by the settings just saved; setup again, and the next
// backup follows the new choices.
TEST_F(TwoPrograms, BackupFollowsSavedSettings) {
  const std::string folder = FreshFolder("together");
  const std::string file = folder + "\\plan.doc";
  MakeDatedFile(file, "plan", 2003, 9, 20);

  SetUpWith(IDC_MONTH_FIRST, IDC_SEPARATOR_UNDERSCORE, IDC_SYSTEM_DATE, "old");
  RunRegisteredCommand(file);
  const SYSTEMTIME t = Today();
  EXPECT_TRUE(Exists(folder + "\\plan-" + Pad(t.wMonth, 2) + "_" + Pad(t.wDay, 2) + "_" + Pad(t.wYear, 4) + ".doc"));

  SetUpWith(IDC_YEAR_FIRST, IDC_SEPARATOR_PERIOD, IDC_FILE_DATE, "old");
  RunRegisteredCommand(file);
  std::string copy;
  ASSERT_TRUE(ReadFileBytes(folder + "\\plan-2003.09.20.doc", &copy));
  EXPECT_EQ("plan", copy);
  EXPECT_EQ(3, CountFiles(folder));
}

}  // namespace
