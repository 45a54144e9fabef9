#include "win32/target_locks.h"

#include <windows.h>

#include "win32/handles.h"

namespace keepsnap {

namespace {

// A named mutex, waited for; an abandoned one (its holder was killed) is
// taken as free.
class HeldMutex : public HeldLock {
 public:
  explicit HeldMutex(const std::string& name) : mutex_(CreateMutexA(nullptr, FALSE, name.c_str())) {
    if (mutex_.Valid()) WaitForSingleObject(mutex_.Get(), INFINITE);
  }
  ~HeldMutex() override {
    if (mutex_.Valid()) ReleaseMutex(mutex_.Get());
  }

 private:
  UniqueHandle mutex_;
};

}  // namespace

std::unique_ptr<HeldLock> Win32TargetLocks::Lock(const std::string& name) {
  return std::unique_ptr<HeldLock>(new HeldMutex(name));
}

}  // namespace keepsnap
