#pragma once

#include <memory>
#include <string>

#include "core/code_page.h"

namespace keepsnap {

// A lock held until it goes.
class HeldLock {
 public:
  virtual ~HeldLock() {}
};

// The locks that let one run at a time copy to a target.
class TargetLocks {
 public:
  virtual ~TargetLocks() {}
  // Waits until no other run holds the lock of that name, then holds it
  // until the result goes; a run that was killed lets go of it.
  virtual std::unique_ptr<HeldLock> Lock(const std::string& name) = 0;
};

// The name of the lock (a named mutex) that lets one run at a time copy to
// a target, for the target's full path: the same for two spellings that
// Windows takes for one file, since names on Windows compare without regard
// to the case of ASCII letters. A mutex name may hold no backslash, so the
// path is hashed (FNV-1a, 64 bits).
std::string TargetLockName(const std::string& fullPath, const CodePage& cp);

}  // namespace keepsnap
