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

}  // namespace keepsnap
