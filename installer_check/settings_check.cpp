// The installer's DLL custom actions. The check of the settings given as
// properties: the same rules the setup keeps (core/settings.h), so that a
// package never writes a value the setup could not have written. And, in the
// signed release, the Windows 11 menu's package registered for the
// installing user and removed again. A script action would need the script
// engine, which locked-down machines disable.
#include <windows.h>
#include <msiquery.h>

#include <string>

#include "core/install_check.h"
#include "core/path_text.h"
#include "core/setup_update.h"
#include "core/sized_read.h"
#include "win32/menu_package.h"
#include "win32/text.h"

namespace {

// Properties are read as UTF-16 and judged as UTF-8: msiexec runs under the
// system's code page, where a folder name in another script would arrive as
// question marks, which no folder name may hold.
std::string Property(MSIHANDLE install, const wchar_t* name) {
  std::wstring value;
  const bool read = keepsnap::ReadGrowingOf<wchar_t>(
      [install, name](wchar_t* buffer, unsigned size) -> unsigned {
        DWORD length = size;
        const UINT result = MsiGetPropertyW(install, name, buffer, &length);
        if (result == ERROR_MORE_DATA) return length + 1;  // the length given leaves out the terminator
        return result == ERROR_SUCCESS ? length : 0;
      },
      64, &value);
  return read ? keepsnap::FromUtf16(value.data(), value.size(), CP_UTF8) : std::string();
}

// One line in the install's log.
void Log(MSIHANDLE install, const std::string& line) {
  const MSIHANDLE record = MsiCreateRecord(0);
  if (record == 0) return;
  MsiRecordSetStringA(record, 0, line.c_str());
  MsiProcessMessage(install, INSTALLMESSAGE_INFO, record);
  MsiCloseHandle(record);
}

}  // namespace

// Leaves the reasons in KEEPSNAP_REFUSED, which the package's error action
// then shows and ends the install with; nothing is written before that.
extern "C" UINT __stdcall CheckSettings(MSIHANDLE install) {
  keepsnap::GivenSettings given;
  given.dateMode = Property(install, L"DATE_MODE");
  given.dateSeparator = Property(install, L"DATE_SEPARATOR");
  given.dateToUse = Property(install, L"DATE_TO_USE");
  given.backupFolder = Property(install, L"BACKUP_FOLDER");
  const std::string refusal = keepsnap::InstallRefusal(given, keepsnap::CodePage::Utf8());
  // The text is ASCII: the reasons name properties, not the values given.
  if (!refusal.empty()) MsiSetPropertyA(install, "KEEPSNAP_REFUSED", refusal.c_str());
  return ERROR_SUCCESS;
}

// The Windows 11 menu's package, from the installed folder, for the user who
// installs; whatever Windows answers (no trust in the signature, a policy,
// an older Windows) is a line in the log, never a failed install: the
// classic entry is there.
extern "C" UINT __stdcall RegisterWindows11Menu(MSIHANDLE install) {
  const std::string folder = keepsnap::WithoutTrailingSeparators(Property(install, L"INSTALLDIR"));
  Log(install, keepsnap::MenuPackageLogLine(keepsnap::MenuPackageStep::Register, keepsnap::DeployMenuPackage(folder)));
  return ERROR_SUCCESS;
}

// And removed for that user before the files go.
extern "C" UINT __stdcall RemoveWindows11Menu(MSIHANDLE install) {
  Log(install, keepsnap::MenuPackageLogLine(keepsnap::MenuPackageStep::Remove, keepsnap::RemoveMenuPackage()));
  return ERROR_SUCCESS;
}
