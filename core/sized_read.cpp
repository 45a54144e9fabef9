#include "core/sized_read.h"

#include <vector>

namespace keepsnap {

bool ReadGrowing(const SizedRead& read, unsigned firstSize, std::string* text) {
  std::vector<char> buffer(firstSize, '\0');
  for (int tries = 0; tries < 2; ++tries) {
    const unsigned length = read(buffer.data(), static_cast<unsigned>(buffer.size()));
    if (length == 0) return false;
    if (length < buffer.size()) {
      text->assign(buffer.data(), length);
      return true;
    }
    buffer.assign(length + 1, '\0');
  }
  return false;
}

}  // namespace keepsnap
