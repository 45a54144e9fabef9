#pragma once

#include <functional>
#include <string>
#include <vector>

namespace keepsnap {

// A Win32 call that fills a text buffer, wrapped to answer as
// GetLongPathNameA, GetFullPathNameA and GetWindowsDirectoryA do: the length
// it wrote when the whole text fit, the size it needs (terminator included)
// when the buffer is too small, 0 on failure. A call that cannot tell what it
// needs (GetModuleFileNameA) answers with the most it could need.
template <typename Char>
using SizedReadOf = std::function<unsigned(Char* buffer, unsigned size)>;
using SizedRead = SizedReadOf<char>;

// Every text of unknown length read from the system comes through here: asks
// once with the first size and, when that is too small, once more with the
// size the call gave; false when neither gave the whole text. A name in a
// script of three bytes a letter in UTF-8 may need three times the room its
// letters suggest.
template <typename Char>
bool ReadGrowingOf(const SizedReadOf<Char>& read, unsigned firstSize, std::basic_string<Char>* text) {
  std::vector<Char> buffer(firstSize, Char());
  for (int tries = 0; tries < 2; ++tries) {
    const unsigned length = read(buffer.data(), static_cast<unsigned>(buffer.size()));
    if (length == 0) return false;
    if (length < buffer.size()) {
      text->assign(buffer.data(), length);
      return true;
    }
    buffer.assign(length + 1, Char());
  }
  return false;
}

inline bool ReadGrowing(const SizedRead& read, unsigned firstSize, std::string* text) {
  return ReadGrowingOf<char>(read, firstSize, text);
}

// The most bytes a path can need: 32767 characters of up to three bytes each
// in UTF-8, and the terminator.
const unsigned kLongestPathBytes = 3 * 32767 + 1;

}  // namespace keepsnap
