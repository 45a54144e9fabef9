#include "core/path_text.h"

#include <cstring>

namespace keepsnap {

int LastIndexOf(const std::string& text, char c, const CodePage& cp) {
  int found = -1;
  for (std::string::size_type i = 0; i < text.size(); i += cp.CharacterSize(text, i))
    if (text[i] == c && cp.CharacterSize(text, i) == 1) found = static_cast<int>(i);
  return found;
}

int LastSeparator(const std::string& path, const CodePage& cp) {
  const int back = LastIndexOf(path, '\\', cp), forward = LastIndexOf(path, '/', cp);
  return back > forward ? back : forward;
}

std::string JoinPath(const std::string& folder, const std::string& name) {
  return name.empty() ? folder : folder + "\\" + name;
}

char FoldedAscii(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

std::string FoldedName(const std::string& name, const CodePage& cp) {
  std::string folded = name;
  for (std::string::size_type i = 0; i < folded.size(); i += cp.CharacterSize(folded, i))
    if (cp.CharacterSize(folded, i) == 1) folded[i] = FoldedAscii(folded[i]);
  return folded;
}

bool SameName(const std::string& a, const std::string& b, const CodePage& cp) {
  return a.size() == b.size() && FoldedName(a, cp) == FoldedName(b, cp);
}

bool SameOrBelow(const std::string& path, const std::string& folder, const CodePage& cp) {
  if (path.size() < folder.size() || !SameName(path.substr(0, folder.size()), folder, cp)) return false;
  return path.size() == folder.size() || IsPathSeparator(path[folder.size()]);
}

std::string WithoutTrailingSeparators(const std::string& path) {
  std::string trimmed = path;
  while (trimmed.size() > 1 && IsPathSeparator(trimmed.back())) trimmed.pop_back();
  return trimmed;
}

std::string FileUri(const std::string& utf8Path) {
  static const char kHex[] = "0123456789ABCDEF";
  static const char kKept[] = "-._~!$&'()*+,;=:@/";
  std::string path = utf8Path;
  for (char& c : path)
    if (c == '\\') c = '/';
  // A share's server is the URI's host; a drive's path has none.
  std::string uri = path.compare(0, 2, "//") == 0 ? "file:" : "file:///";
  for (std::string::size_type i = 0; i < path.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(path[i]);
    const bool letterOrDigit = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
    if (letterOrDigit || (c != 0 && c < 0x80 && std::strchr(kKept, c) != nullptr)) {
      uri += static_cast<char>(c);
    } else {
      uri += '%';
      uri += kHex[c >> 4];
      uri += kHex[c & 0x0F];
    }
  }
  return uri;
}

}  // namespace keepsnap
