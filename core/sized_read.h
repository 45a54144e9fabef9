#pragma once

#include <functional>
#include <string>

namespace keepsnap {

// A Win32 call that fills a text buffer (GetWindowsDirectoryA,
// GetLongPathNameA): it answers with the length it wrote, with the size it
// needs when the buffer is too small, or with 0 on failure.
using SizedRead = std::function<unsigned(char* buffer, unsigned size)>;

// Asks once with the first size and, when that is too small, once more with
// the size the call gave; false when neither gave the whole text. A name in
// a script of three bytes a letter in UTF-8 may need three times the room
// its letters suggest.
bool ReadGrowing(const SizedRead& read, unsigned firstSize, std::string* text);

}  // namespace keepsnap
