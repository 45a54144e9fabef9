#pragma once

#include <string>

#include "win32/handles.h"

namespace keepsnap {

// One run at a time for a target: a second run on the same target (a double
// click) waits here until the first has let go. The lock belongs to this
// object; a run that was killed holding it leaves it abandoned, which the
// next wait takes as its own.
class TargetLock {
 public:
  explicit TargetLock(const std::string& target);
  ~TargetLock();
  TargetLock(const TargetLock&) = delete;
  TargetLock& operator=(const TargetLock&) = delete;

 private:
  UniqueHandle mutex_;
};

}  // namespace keepsnap
