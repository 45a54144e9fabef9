#pragma once

#include "core/backup_run.h"

namespace keepsnap {

// Dates in the user's local time.
class Win32Clock : public Clock {
 public:
  CalendarDate Today() override;
  bool LocalDateOf(FileTime time, CalendarDate* date) override;
};

// The held keys, as the thread's keyboard state has them.
class Win32Keyboard : public KeyboardSource {
 public:
  void ReadKeyboardState(unsigned char keys[256]) override;
};

}  // namespace keepsnap
