#pragma once

#include <windows.h>

#include "core/file_system.h"

namespace keepsnap {

// The one conversion between a FILETIME and the core's number for it.
inline FileTime FileTimeOf(const FILETIME& time) {
  return (static_cast<FileTime>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

inline FILETIME ToFiletime(FileTime time) {
  FILETIME converted;
  converted.dwLowDateTime = static_cast<DWORD>(time);
  converted.dwHighDateTime = static_cast<DWORD>(time >> 32);
  return converted;
}

}  // namespace keepsnap
