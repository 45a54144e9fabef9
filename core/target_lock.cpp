#include "core/target_lock.h"

namespace keepsnap {

std::string TargetLockName(const std::string& fullPath) {
  unsigned long long hash = 14695981039346656037ull;
  for (char c : fullPath) {
    const unsigned char byte = static_cast<unsigned char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
    hash = (hash ^ byte) * 1099511628211ull;
  }
  std::string name = "Local\\Keepsnap backup ";
  for (int shift = 60; shift >= 0; shift -= 4) name += "0123456789abcdef"[(hash >> shift) & 0xF];
  return name;
}

}  // namespace keepsnap
