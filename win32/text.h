#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace keepsnap {

// Text between UTF-16, which the W calls, COM and the shell take, and the
// programs' own: the ANSI code page (CP_ACP, UTF-8 where Windows honours the
// programs' manifest) or UTF-8 (CP_UTF8: the product's facts, the
// installer's properties). Each direction asks for the length, then
// converts. A character the code page lacks becomes its default character,
// which a later call then fails on, as on a command line.

// Into the room that `room(count)` gives for `count` units (null: none to
// be had), NUL-terminated; false when there was none or the text is not
// text of that code page. For a caller that keeps no C++ container: the
// menu's DLL hands the shell memory of COM's own.
template <typename Room>
bool Utf16Into(const char* text, size_t length, UINT codePage, Room room) {
  const int given = static_cast<int>(length);
  const int units = given == 0 ? 0 : MultiByteToWideChar(codePage, 0, text, given, nullptr, 0);
  if (given != 0 && units <= 0) return false;
  wchar_t* wide = room(static_cast<size_t>(units) + 1);
  if (wide == nullptr) return false;
  if (units > 0) MultiByteToWideChar(codePage, 0, text, given, wide, units);
  wide[units] = L'\0';
  return true;
}

// NUL-terminated, for the calls that take a wide string.
inline std::vector<wchar_t> ToUtf16(const std::string& text, UINT codePage) {
  std::vector<wchar_t> wide(1, L'\0');
  Utf16Into(text.data(), text.size(), codePage, [&wide](size_t count) {
    wide.resize(count);
    return wide.data();
  });
  return wide;
}

// `count` UTF-16 units.
inline std::string FromUtf16(const wchar_t* units, size_t count, UINT codePage) {
  const int given = static_cast<int>(count);
  const int bytes = given == 0 ? 0 : WideCharToMultiByte(codePage, 0, units, given, nullptr, 0, nullptr, nullptr);
  std::string text(bytes > 0 ? static_cast<size_t>(bytes) : 0, '\0');
  if (bytes > 0) WideCharToMultiByte(codePage, 0, units, given, &text[0], bytes, nullptr, nullptr);
  return text;
}

}  // namespace keepsnap
