#include "win32/target_lock.h"

#include "core/target_lock.h"

namespace keepsnap {

TargetLock::TargetLock(const std::string& target) {
  char full[MAX_PATH * 3];
  const DWORD length = GetFullPathNameA(target.c_str(), sizeof full, full, nullptr);
  const std::string name = TargetLockName(length > 0 && length < sizeof full ? std::string(full, length) : target);
  mutex_ = UniqueHandle(CreateMutexA(nullptr, FALSE, name.c_str()));
  if (mutex_.Valid()) WaitForSingleObject(mutex_.Get(), INFINITE);
}

TargetLock::~TargetLock() {
  if (mutex_.Valid()) ReleaseMutex(mutex_.Get());
}

}  // namespace keepsnap
