#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace keepsnap {

// The names a CF_HDROP block holds, as the shell hands a selection over: a
// DROPFILES header (where the names start, a point, and two flags, the last
// saying the names are UTF-16), then each name ended by a NUL and the list
// by one more. False for a block that is cut short or does not hold UTF-16
// names; the shell always gives them so.
bool ReadDroppedNames(const unsigned char* block, std::size_t size, std::vector<std::u16string>* names);

// The block for those names, as the shell makes it: the header, then the
// names in UTF-16 right after it. Writes it to block when that is not null,
// and gives its size either way: asked once for the size, once to write, so
// that a caller with no C++ library of its own (the Windows 11 menu's DLL)
// can make one.
std::size_t WriteDroppedNames(const char16_t* const* names, std::size_t count, unsigned char* block);

}  // namespace keepsnap
