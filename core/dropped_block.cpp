// Apart from the reading, which needs the C++ library: the Windows 11
// menu's DLL links this alone and stays small.
#include "core/dropped_files.h"

namespace keepsnap {

namespace {

const std::size_t kHeaderSize = 20;  // sizeof(DROPFILES)
const std::size_t kWideFlagAt = 16;  // DROPFILES::fWide

}  // namespace

std::size_t WriteDroppedNames(const char16_t* const* names, std::size_t count, unsigned char* block) {
  std::size_t at = kHeaderSize;
  const auto put = [&](char16_t unit) {
    if (block != nullptr) {
      block[at] = static_cast<unsigned char>(unit & 0xFF);
      block[at + 1] = static_cast<unsigned char>(unit >> 8);
    }
    at += 2;
  };
  if (block != nullptr) {
    for (std::size_t i = 0; i < kHeaderSize; ++i) block[i] = 0;
    block[0] = static_cast<unsigned char>(kHeaderSize);
    block[kWideFlagAt] = 1;
  }
  for (std::size_t n = 0; n < count; ++n) {
    for (const char16_t* unit = names[n]; *unit != 0; ++unit) put(*unit);
    put(0);
  }
  put(0);
  return at;
}

}  // namespace keepsnap
