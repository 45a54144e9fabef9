#include "core/command_line.h"

#include "core/path_text.h"

namespace keepsnap {

std::string PathFromCommandLine(const char* commandLine) {
  if (commandLine == nullptr) return std::string();
  const unsigned char* p = reinterpret_cast<const unsigned char*>(commandLine);
  if (*p == '"') {
    ++p;
    while (*p != 0 && *p != '"') ++p;
    if (*p == '"') ++p;
  } else {
    while (*p > ' ') ++p;
  }
  while (*p != 0 && *p <= ' ') ++p;
  return reinterpret_cast<const char*>(p);
}

bool IsComStart(const std::string& text) {
  return !text.empty() && (text[0] == '-' || text[0] == '/') && SameName(text.substr(1), "EMBEDDING", CodePage());
}

std::string WithoutEnclosingQuotes(const std::string& text) {
  if (text.size() >= 2 && text.front() == '"' && text.back() == '"') return text.substr(1, text.size() - 2);
  return text;
}

}  // namespace keepsnap
