#include "core/dropped_files.h"

namespace keepsnap {

namespace {

const std::size_t kHeaderSize = 20;  // sizeof(DROPFILES)
const std::size_t kWideFlagAt = 16;  // DROPFILES::fWide

unsigned long Little32(const unsigned char* at) {
  return at[0] | (static_cast<unsigned long>(at[1]) << 8) | (static_cast<unsigned long>(at[2]) << 16) |
         (static_cast<unsigned long>(at[3]) << 24);
}

}  // namespace

bool ReadDroppedNames(const unsigned char* block, std::size_t size, std::vector<std::u16string>* names) {
  if (block == nullptr || size < kHeaderSize || Little32(block + kWideFlagAt) == 0) return false;
  std::size_t at = Little32(block);
  if (at < kHeaderSize) return false;
  std::u16string name;
  for (; at + 1 < size; at += 2) {
    const char16_t unit = static_cast<char16_t>(block[at] | (block[at + 1] << 8));
    if (unit != 0) {
      name += unit;
      continue;
    }
    if (name.empty()) return true;  // the second NUL ends the list
    names->push_back(name);
    name.clear();
  }
  return false;
}

}  // namespace keepsnap
