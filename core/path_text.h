#pragma once

#include <string>

#include "core/code_page.h"

// Path text, as Windows reads it. The backup names step over the backslash
// alone, as they always have; whatever compares or splits a path the user
// may have typed takes "/" as well.
namespace keepsnap {

// In the programs' own text, and in UTF-16, where no unit of a longer
// character is either.
template <typename Character>
bool IsPathSeparator(Character c) {
  return c == Character('\\') || c == Character('/');
}

// Byte index of the last `c` that is a character of its own (not the second
// byte of a double-byte character), or -1.
int LastIndexOf(const std::string& text, char c, const CodePage& cp);

// Byte index of the last separator of either kind, or -1.
int LastSeparator(const std::string& path, const CodePage& cp);

// folder\name; the folder itself for an empty name.
std::string JoinPath(const std::string& folder, const std::string& name);

// Windows compares names without regard to the case of ASCII letters. In a
// double-byte code page the second byte of a character is never folded: it
// may be the byte of an ASCII letter, and "\x83\x61" and "\x83\x41" are two
// katakana.
char FoldedAscii(char c);
std::string FoldedName(const std::string& name, const CodePage& cp);  // equal for names Windows takes as one
bool SameName(const std::string& a, const std::string& b, const CodePage& cp);

// A full path in UTF-8 as a file: URI, as Windows' package manager takes
// one: "C:\a b\Отчёт" gives "file:///C:/a%20b/%D0%9E...", a share
// "\\server\share\x" gives "file://server/share/x"; every byte outside the
// characters a URI's path may hold is percent-encoded.
std::string FileUri(const std::string& utf8Path);

// The folder itself or a path below it, as Windows compares names.
bool SameOrBelow(const std::string& path, const std::string& folder, const CodePage& cp);

// Without the separators a path may end with; a lone separator stays.
std::string WithoutTrailingSeparators(const std::string& path);

}  // namespace keepsnap
