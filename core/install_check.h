#pragma once

#include <string>

#include "core/code_page.h"

namespace keepsnap {

// The settings an administrator gives the installer as properties, as text;
// an empty one was not given and is left as it is.
struct GivenSettings {
  std::string dateMode;       // DATE_MODE
  std::string dateSeparator;  // DATE_SEPARATOR
  std::string dateToUse;      // DATE_TO_USE
  std::string backupFolder;   // BACKUP_FOLDER
};

// Why the installer must stop before it writes anything: every given value
// that the setup could not have written, each with its reason. Empty when
// all of them could have been.
std::string InstallRefusal(const GivenSettings& given, const CodePage& cp);

}  // namespace keepsnap
