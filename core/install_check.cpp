#include "core/install_check.h"

#include "core/settings.h"
#include "product.h"

namespace keepsnap {

std::string InstallRefusal(const GivenSettings& given, const CodePage& cp) {
  std::string reasons;
  const auto index = [&reasons](const std::string& text, int count, const char* reason) {
    if (!text.empty() && !IsIndexText(text, count)) reasons += reason;
  };
  index(given.dateMode, kDateOrders, " DATE_MODE must be 0 (year first) or 1 (month first).");
  index(given.dateSeparator, kDateSeparators,
        " DATE_SEPARATOR must be 0 (none), 1 (dash), 2 (underscore) or 3 (period).");
  index(given.dateToUse, kDateSources, " DATE_TO_USE must be 0 (the file date) or 1 (the system date).");
  // The texts are made from the rules, so that they always say what is judged.
  if (!FolderNameFits(given.backupFolder, cp))
    reasons += " BACKUP_FOLDER must be " + std::to_string(kMaxFolderName) + " characters or less.";
  if (!FolderNameAllowed(given.backupFolder, cp)) {
    reasons += " BACKUP_FOLDER must be a folder name, without any of";
    for (const char* c = kFolderNameForbidden; *c != '\0'; ++c) reasons += std::string(" ") + *c;
    reasons += ".";
  }
  if (reasons.empty()) return reasons;
  return KEEPSNAP_FULL_NAME " was not installed, and nothing was changed:" + reasons;
}

}  // namespace keepsnap
