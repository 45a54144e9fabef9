#include "core/target_lock.h"

#include "core/path_text.h"
#include "product.h"

namespace keepsnap {

std::string TargetLockName(const std::string& fullPath, const CodePage& cp) {
  unsigned long long hash = 14695981039346656037ull;
  for (char c : FoldedName(fullPath, cp)) {
    const unsigned char byte = static_cast<unsigned char>(c);
    hash = (hash ^ byte) * 1099511628211ull;
  }
  std::string name = "Local\\" KEEPSNAP_PRODUCT " backup ";
  for (int shift = 60; shift >= 0; shift -= 4) name += "0123456789abcdef"[(hash >> shift) & 0xF];
  return name;
}

}  // namespace keepsnap
