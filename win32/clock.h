#pragma once

#include "core/backup_run.h"

namespace keepsnap {

// Dates in the user's local time.
class Win32Clock : public Clock {
 public:
  CalendarDate Today() override;
  bool LocalDateOf(FileTime time, CalendarDate* date) override;

 private:
  // FileTimeToLocalFileTime applies the bias in force now, whatever the
  // time's own date: one for every file of a run, asked for once (Wine reads
  // the time zone afresh at every call, a selection of many files paid that
  // for each).
  bool biasKnown_ = false;
  long long bias_ = 0;  // local less UTC, in FILETIME units
};

// The held keys, as the thread's keyboard state has them.
class Win32Keyboard : public KeyboardSource {
 public:
  void ReadKeyboardState(unsigned char keys[256]) override;
};

}  // namespace keepsnap
