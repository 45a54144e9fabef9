#pragma once

#include <string>
#include <vector>

#include "core/code_page.h"
#include "core/file_system.h"
#include "core/names.h"
#include "core/settings.h"

namespace keepsnap {

// A real calendar day: month 1 to 12, the day within its month (29 February
// in leap years only), a year of four digits from 1601 on, the first year a
// file time can hold.
bool IsCalendarDate(const CalendarDate& date);

// The date of a stamp in any order and with any separator the settings
// offer (2003-09-20, 09_20_2003, 20030920, 09.20.2003, ...); false for text
// that is none, or no real day (2003-13-45). An 8-digit stamp that reads as
// a day both ways is read in the order the settings give.
bool ReadStamp(const std::string& text, const BackupSettings& settings, CalendarDate* date);

// What a dated copy's name says.
struct DatedName {
  CalendarDate date;
  unsigned number;  // N of " (N)" before the extension; 0 for none
};

// Whether `name` (without a folder) is one the entry gives the item (its
// full path, split as the entry splits it) of that kind, under any date
// order and separator, with or without " (N)": a file's
// "report-2003-09-20.txt", "report-2003-09-20 (2).txt", a folder's
// "Project-20030920". Names compare as Windows compares them.
bool ReadDatedName(const std::string& name, const std::string& item, SourceKind kind,
                   const BackupSettings& settings, const CodePage& cp, DatedName* dated);

// The item a dated copy was made of, where its name is one: the copy
// C:\Docs\report-2003-09-20.txt gives C:\Docs\report.txt; a copy in the
// backup folder, the item beside that folder. False for any other name.
bool ItemOfDatedCopy(const std::string& copy, SourceKind kind, const BackupSettings& settings, const CodePage& cp,
                     std::string* item);

// One dated copy found.
struct DatedCopy {
  std::string path;
  bool inBackupFolder;
  DatedName name;
  FileTime lastWrite;
  unsigned long long size;  // a file's; a folder's total is counted when shown
};

// The folders looked in for an item's copies: its own, then its backup
// folder under the settings, when that is another.
std::vector<std::string> DatedCopyFolders(const std::string& item, const BackupSettings& settings,
                                          const CodePage& cp);

// Every dated copy of the item in those folders, of the item's kind: newest
// date first, copies of one date by their last write, newest first. Copies
// made under a typed name cannot be known and are not listed.
std::vector<DatedCopy> FindDatedCopies(const std::string& item, SourceKind kind, const BackupSettings& settings,
                                       const CodePage& cp, FileSystem& files);

}  // namespace keepsnap
