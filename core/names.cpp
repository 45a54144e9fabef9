#include "core/names.h"

#include <cstdio>

namespace keepsnap {

namespace {

std::string Decimal(unsigned value) {
  char text[16];
  std::snprintf(text, sizeof text, "%u", value);
  return text;
}

}  // namespace

std::string PadTwo(const std::string& text) { return text.size() < 2 ? "0" + text : text; }

std::string MakeDateStamp(const BackupSettings& settings, const CalendarDate& date) {
  const std::string month = PadTwo(Decimal(date.month));
  const std::string day = PadTwo(Decimal(date.day));
  const std::string year = Decimal(date.year);
  const std::string sep = SeparatorFor(settings);
  if (YearFirst(settings)) return year + sep + month + sep + day;
  return month + sep + day + sep + year;
}

std::string ExtensionOf(const std::string& path, const CodePage& cp) {
  const int s = LastIndexOf(path, '\\', cp);
  const int d = LastIndexOf(path, '.', cp);
  if (d > 0 && d > s) return path.substr(d);
  return std::string();
}

// Only what ExtensionOf moves behind the stamp is cut off, so a name without
// an extension (no dot, or only a leading one) keeps all of itself.
std::string StripExtension(const std::string& path, const CodePage& cp) {
  const int s = LastIndexOf(path, '\\', cp);
  const int d = LastIndexOf(path, '.', cp);
  if (d > 0 && d > s) return path.substr(0, d);
  return path;
}

std::string FolderOf(const std::string& path, const CodePage& cp) {
  const int s = LastIndexOf(path, '\\', cp);
  if (s > 0) return path.substr(0, s + 1);
  return std::string();
}

// A path without a folder part is all file name.
std::string FileNameOf(const std::string& path, const CodePage& cp) {
  const int s = LastIndexOf(path, '\\', cp);
  if (s > 0) return path.substr(s + 1);
  return path;
}

std::string SameFolderTarget(const std::string& path, const std::string& stamp, const CodePage& cp,
                             SourceKind kind) {
  if (kind == SourceKind::Folder) return path + "-" + stamp;
  return StripExtension(path, cp) + "-" + stamp + ExtensionOf(path, cp);
}

std::string BackupFolderPath(const std::string& path, const BackupSettings& settings, const CodePage& cp) {
  return FolderOf(StripExtension(path, cp), cp) + settings.backup_folder + "\\";
}

std::string BackupFolderTarget(const std::string& path, const BackupSettings& settings,
                               const std::string& stamp, const CodePage& cp, SourceKind kind) {
  if (kind == SourceKind::Folder) return BackupFolderPath(path, settings, cp) + FileNameOf(path, cp) + "-" + stamp;
  const std::string base = StripExtension(path, cp);
  return BackupFolderPath(path, settings, cp) + FileNameOf(base, cp) + "-" + stamp + ExtensionOf(path, cp);
}

}  // namespace keepsnap
