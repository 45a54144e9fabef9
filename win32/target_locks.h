#pragma once

#include <memory>
#include <string>

#include "core/target_lock.h"

namespace keepsnap {

// The targets' locks as named mutexes, which every process of the session
// sees; one whose holder was killed is taken as free.
class Win32TargetLocks : public TargetLocks {
 public:
  std::unique_ptr<HeldLock> Lock(const std::string& name) override;
};

}  // namespace keepsnap
