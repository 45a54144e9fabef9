#pragma once

#include <string>

#include "core/code_page.h"
#include "core/path_text.h"
#include "core/settings.h"

namespace keepsnap {

// A local date as the calendar fields of a SYSTEMTIME give it.
struct CalendarDate {
  unsigned short year;
  unsigned short month;
  unsigned short day;
};

std::string PadTwo(const std::string& text);

// The date as the settings ask for it, e.g. 2003-09-20 or 09.20.2003.
std::string MakeDateStamp(const BackupSettings& settings, const CalendarDate& date);

// A source path split once: its folder up to and with its last backslash
// (none for a backslash at index 0), its base name, and the extension that
// moves behind the stamp. A dot before the last backslash belongs to a
// folder; a dot at index 0 starts no extension. The three together are the
// path.
struct PathParts {
  std::string folder;
  std::string base;
  std::string extension;
};
PathParts SplitPath(const std::string& path, const CodePage& cp);

// The documented helpers, each a piece of the split.
std::string ExtensionOf(const std::string& path, const CodePage& cp);
std::string StripExtension(const std::string& path, const CodePage& cp);
std::string FolderOf(const std::string& path, const CodePage& cp);
std::string FileNameOf(const std::string& path, const CodePage& cp);

// What the run was given: a file, whose last extension moves behind the
// stamp, or a folder, whose whole name comes before it (a dot in a folder's
// name marks no extension: Site.v2 gives Site.v2-2003-09-20).
enum class SourceKind { File, Folder };

// Backup names; the name and the stamp are always joined by "-".
std::string SameFolderTarget(const std::string& path, const std::string& stamp, const CodePage& cp,
                             SourceKind kind = SourceKind::File);
// The same name numbered, for a second content of one item and day: " (N)"
// before a file's extension, after a folder's name.
std::string NumberedTarget(const std::string& path, const std::string& stamp, unsigned number, const CodePage& cp,
                           SourceKind kind);
std::string BackupFolderPath(const std::string& path, const BackupSettings& settings, const CodePage& cp);
std::string BackupFolderTarget(const std::string& path, const BackupSettings& settings,
                               const std::string& stamp, const CodePage& cp, SourceKind kind = SourceKind::File);

}  // namespace keepsnap
