#pragma once

#include <string>

namespace keepsnap {

// The name of the lock (a named mutex) that lets one run at a time copy to
// a target, for the target's full path: the same for two spellings that
// Windows takes for one file, since names on Windows compare without regard
// to the case of ASCII letters. A mutex name may hold no backslash, so the
// path is hashed (FNV-1a, 64 bits).
std::string TargetLockName(const std::string& fullPath);

}  // namespace keepsnap
