#include "win32/clock.h"

#include <windows.h>

#include "win32/file_time.h"

namespace keepsnap {

// The core keeps the two keys' virtual-key codes of its own.
static_assert(kShiftKey == VK_SHIFT, "the core's Shift key");
static_assert(kFolderKey == VK_OEM_3, "the core's folder key");

CalendarDate Win32Clock::Today() {
  SYSTEMTIME now;
  GetLocalTime(&now);
  const CalendarDate date = {now.wYear, now.wMonth, now.wDay};
  return date;
}

bool Win32Clock::LocalDateOf(FileTime time, CalendarDate* date) {
  if (!biasKnown_) {
    const FILETIME utc = ToFiletime(time);
    FILETIME local;
    if (!FileTimeToLocalFileTime(&utc, &local)) return false;
    bias_ = static_cast<long long>(FileTimeOf(local) - time);
    biasKnown_ = true;
  }
  const FILETIME local = ToFiletime(time + static_cast<FileTime>(bias_));
  SYSTEMTIME fields;
  if (!FileTimeToSystemTime(&local, &fields)) return false;
  date->year = fields.wYear;
  date->month = fields.wMonth;
  date->day = fields.wDay;
  return true;
}

void Win32Keyboard::ReadKeyboardState(unsigned char keys[256]) { GetKeyboardState(keys); }

}  // namespace keepsnap
