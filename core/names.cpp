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

PathParts SplitPath(const std::string& path, const CodePage& cp) {
  int s = -1, d = -1;  // the last backslash and the last dot that are characters of their own
  for (std::string::size_type i = 0; i < path.size(); i += cp.CharacterSize(path, i)) {
    if (cp.CharacterSize(path, i) != 1) continue;
    if (path[i] == '\\') s = static_cast<int>(i);
    if (path[i] == '.') d = static_cast<int>(i);
  }
  // Only a dot after the folder and past index 0 starts an extension, so a
  // name without one (no dot, or only a leading one) keeps all of itself.
  const std::string::size_type end = d > 0 && d > s ? static_cast<std::string::size_type>(d) : path.size();
  const std::string::size_type nameAt = s > 0 ? static_cast<std::string::size_type>(s) + 1 : 0;
  PathParts parts;
  parts.folder = path.substr(0, nameAt);
  parts.base = path.substr(nameAt, end - nameAt);
  parts.extension = path.substr(end);
  return parts;
}

std::string ExtensionOf(const std::string& path, const CodePage& cp) { return SplitPath(path, cp).extension; }

std::string StripExtension(const std::string& path, const CodePage& cp) {
  const PathParts parts = SplitPath(path, cp);
  return parts.folder + parts.base;
}

std::string FolderOf(const std::string& path, const CodePage& cp) { return SplitPath(path, cp).folder; }

// A path without a folder part is all file name.
std::string FileNameOf(const std::string& path, const CodePage& cp) {
  const PathParts parts = SplitPath(path, cp);
  return parts.base + parts.extension;
}

namespace {

// A file's name, or a folder's whole name: a dot in it marks no extension.
std::string Stamped(const PathParts& parts, const std::string& stamp, SourceKind kind,
                    const std::string& number = std::string()) {
  if (kind == SourceKind::Folder) return parts.base + parts.extension + "-" + stamp + number;
  return parts.base + "-" + stamp + number + parts.extension;
}

std::string BackupFolderOf(const PathParts& parts, const BackupSettings& settings) {
  return parts.folder + settings.backup_folder + "\\";
}

}  // namespace

std::string SameFolderTarget(const std::string& path, const std::string& stamp, const CodePage& cp,
                             SourceKind kind) {
  const PathParts parts = SplitPath(path, cp);
  return parts.folder + Stamped(parts, stamp, kind);
}

std::string NumberedTarget(const std::string& path, const std::string& stamp, unsigned number, const CodePage& cp,
                           SourceKind kind) {
  const PathParts parts = SplitPath(path, cp);
  return parts.folder + Stamped(parts, stamp, kind, " (" + std::to_string(number) + ")");
}

std::string BackupFolderPath(const std::string& path, const BackupSettings& settings, const CodePage& cp) {
  return BackupFolderOf(SplitPath(path, cp), settings);
}

std::string BackupFolderTarget(const std::string& path, const BackupSettings& settings,
                               const std::string& stamp, const CodePage& cp, SourceKind kind) {
  const PathParts parts = SplitPath(path, cp);
  return BackupFolderOf(parts, settings) + Stamped(parts, stamp, kind);
}

}  // namespace keepsnap
