#include "core/dated_copies.h"

#include <algorithm>

#include "core/leftover_names.h"
#include "core/path_text.h"

namespace keepsnap {

namespace {

const std::string::size_type kBareStamp = 8;        // 20030920
const std::string::size_type kSeparatedStamp = 10;  // 2003-09-20, 09.20.2003

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

bool Digits(const std::string& text, std::string::size_type at, std::string::size_type count, unsigned* value) {
  *value = 0;
  for (std::string::size_type i = at; i < at + count; ++i) {
    if (!IsDigit(text[i])) return false;
    *value = *value * 10 + static_cast<unsigned>(text[i] - '0');
  }
  return true;
}

// The day the digits give in one order, year first or month first, each
// part where `at` puts it.
bool DayOf(const std::string& text, bool yearFirst, const std::string::size_type at[3], CalendarDate* date) {
  unsigned year = 0, month = 0, day = 0;
  const bool read = yearFirst ? Digits(text, at[0], 4, &year) && Digits(text, at[1], 2, &month) &&
                                    Digits(text, at[2], 2, &day)
                              : Digits(text, at[0], 2, &month) && Digits(text, at[1], 2, &day) &&
                                    Digits(text, at[2], 4, &year);
  if (!read) return false;
  const CalendarDate found = {static_cast<unsigned short>(year), static_cast<unsigned short>(month),
                              static_cast<unsigned short>(day)};
  if (!IsCalendarDate(found)) return false;
  *date = found;
  return true;
}

bool IsStampSeparator(char c) { return c == '-' || c == '_' || c == '.'; }

// " (N)" at the end of the text, N from 2 on, as a second copy of one name
// and day is numbered: its number, and the text without it.
bool NumberedEnd(const std::string& text, std::string* without, unsigned* number) {
  if (text.size() < 4 || text.back() != ')') return false;
  const std::string::size_type open = text.rfind(" (");
  if (open == std::string::npos) return false;
  const std::string::size_type digits = text.size() - open - 3;
  if (digits == 0 || digits > 9 || text[open + 2] == '0') return false;
  unsigned value = 0;
  if (!Digits(text, open + 2, digits, &value) || value < 2) return false;
  *without = text.substr(0, open);
  *number = value;
  return true;
}

// The stamp and its number in what lies between an item's name and its
// extension: "-2003-09-20" or "-2003-09-20 (2)".
bool ReadDatedMiddle(const std::string& middle, const BackupSettings& settings, DatedName* dated) {
  std::string stamp = middle;
  dated->number = 0;
  NumberedEnd(middle, &stamp, &dated->number);
  return ReadStamp(stamp, settings, &dated->date);
}

// The day's order: date, then the last write, newest first.
bool Newer(const DatedCopy& a, const DatedCopy& b) {
  const CalendarDate& x = a.name.date;
  const CalendarDate& y = b.name.date;
  if (x.year != y.year) return x.year > y.year;
  if (x.month != y.month) return x.month > y.month;
  if (x.day != y.day) return x.day > y.day;
  return a.lastWrite > b.lastWrite;
}

}  // namespace

bool IsCalendarDate(const CalendarDate& date) {
  static const unsigned short kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (date.year < 1601 || date.year > 9999 || date.month < 1 || date.month > 12 || date.day < 1) return false;
  const bool leap = (date.year % 4 == 0 && date.year % 100 != 0) || date.year % 400 == 0;
  const unsigned short days = date.month == 2 && leap ? 29 : kDays[date.month - 1];
  return date.day <= days;
}

bool ReadStamp(const std::string& text, const BackupSettings& settings, CalendarDate* date) {
  if (text.size() == kBareStamp) {
    static const std::string::size_type yearFirstAt[3] = {0, 4, 6}, monthFirstAt[3] = {0, 2, 4};
    const bool preferred = YearFirst(settings);
    return DayOf(text, preferred, preferred ? yearFirstAt : monthFirstAt, date) ||
           DayOf(text, !preferred, preferred ? monthFirstAt : yearFirstAt, date);
  }
  if (text.size() != kSeparatedStamp) return false;
  // The two separators are one and the same, where the order puts them.
  static const std::string::size_type yearFirstAt[3] = {0, 5, 8}, monthFirstAt[3] = {0, 3, 6};
  if (IsStampSeparator(text[4]) && text[4] == text[7]) return DayOf(text, true, yearFirstAt, date);
  if (IsStampSeparator(text[2]) && text[2] == text[5]) return DayOf(text, false, monthFirstAt, date);
  return false;
}

namespace {

// What a dated copy's name of the item starts and ends with: a file's
// extension stays behind the stamp, a folder's whole name comes before it.
struct DatedNameFrame {
  std::string head;
  std::string tail;
};

DatedNameFrame FrameOf(const std::string& itemPath, SourceKind kind, const CodePage& cp) {
  const PathParts item = SplitPath(itemPath, cp);
  DatedNameFrame frame;
  frame.head = (kind == SourceKind::File ? item.base : item.base + item.extension) + "-";
  if (kind == SourceKind::File) frame.tail = item.extension;
  return frame;
}

bool ReadFramed(const std::string& name, const DatedNameFrame& frame, const BackupSettings& settings,
                const CodePage& cp, DatedName* dated) {
  const std::string& head = frame.head;
  const std::string& tail = frame.tail;
  if (name.size() < head.size() + kBareStamp + tail.size()) return false;
  if (!SameName(name.substr(0, head.size()), head, cp) || !SameName(name.substr(name.size() - tail.size()), tail, cp))
    return false;
  return ReadDatedMiddle(name.substr(head.size(), name.size() - head.size() - tail.size()), settings, dated);
}

}  // namespace

bool ReadDatedName(const std::string& name, const std::string& itemPath, SourceKind kind,
                   const BackupSettings& settings, const CodePage& cp, DatedName* dated) {
  return ReadFramed(name, FrameOf(itemPath, kind, cp), settings, cp, dated);
}

namespace {

// The item's name, where `stem` ends in a stamp (and " (N)") behind "-".
bool NameBeforeStamp(std::string stem, const std::string& extension, const BackupSettings& settings,
                     std::string* name) {
  unsigned number = 0;
  NumberedEnd(stem, &stem, &number);
  for (const std::string::size_type length : {kSeparatedStamp, kBareStamp}) {
    CalendarDate date;
    if (stem.size() < length + 1 || stem[stem.size() - length - 1] != '-' ||
        !ReadStamp(stem.substr(stem.size() - length), settings, &date))
      continue;
    *name = stem.substr(0, stem.size() - length - 1) + extension;
    return !name->empty();
  }
  return false;
}

}  // namespace

bool ItemOfDatedCopy(const std::string& copy, SourceKind kind, const BackupSettings& settings, const CodePage& cp,
                     std::string* item) {
  const PathParts parts = SplitPath(WithoutTrailingSeparators(copy), cp);
  // A file's extension follows the stamp; a file without one may end in a
  // stamp whose separator is a dot ("README-2003.09.20"). A folder's whole
  // name comes before it.
  std::string name;
  const bool named = (kind == SourceKind::File && NameBeforeStamp(parts.base, parts.extension, settings, &name)) ||
                     NameBeforeStamp(parts.base + parts.extension, std::string(), settings, &name);
  if (!named) return false;
  // A copy in the backup folder was made for the item beside that folder.
  std::string folder = parts.folder;
  const std::string holder = WithoutTrailingSeparators(folder);
  if (!settings.backup_folder.empty() && !holder.empty() && SameName(FileNameOf(holder, cp), settings.backup_folder, cp))
    folder = FolderOf(holder, cp);
  *item = folder + name;
  return true;
}

std::vector<std::string> DatedCopyFolders(const std::string& item, const BackupSettings& settings,
                                          const CodePage& cp) {
  std::vector<std::string> folders(1, WithoutTrailingSeparators(FolderOf(item, cp)));
  const std::string backup = WithoutTrailingSeparators(BackupFolderPath(item, settings, cp));
  if (!SameName(backup, folders[0], cp)) folders.push_back(backup);
  return folders;
}

std::vector<DatedCopy> FindDatedCopies(const std::string& item, SourceKind kind, const BackupSettings& settings,
                                       const CodePage& cp, FileSystem& files) {
  const std::vector<std::string> folders = DatedCopyFolders(item, settings, cp);
  const DatedNameFrame frame = FrameOf(item, kind, cp);  // once, for every entry of both folders
  std::vector<DatedCopy> copies;
  std::vector<FileEntry> entries;
  for (std::vector<std::string>::size_type at = 0; at < folders.size(); ++at) {
    entries.clear();
    if (!files.List(folders[at], &entries)) continue;  // no backup folder yet
    for (const FileEntry& entry : entries) {
      const bool folder = (entry.attributes & kFolderAttribute) != 0;
      if (folder != (kind == SourceKind::Folder) || (entry.attributes & kLinkAttribute) || IsLeftoverName(entry.name))
        continue;
      DatedCopy copy;
      if (!ReadFramed(entry.name, frame, settings, cp, &copy.name)) continue;
      copy.path = JoinPath(folders[at], entry.name);
      copy.inBackupFolder = at > 0;
      copy.lastWrite = entry.lastWrite;
      copy.size = entry.size;
      copies.push_back(copy);
    }
  }
  std::stable_sort(copies.begin(), copies.end(), Newer);
  return copies;
}

}  // namespace keepsnap
