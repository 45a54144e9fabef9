#pragma once

#include <windows.h>

namespace keepsnap {

// Handles every message waiting for this thread. A thread that started COM
// in a single-threaded apartment must not leave COM's messages waiting.
inline void PumpMessages() {
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
}

// Handles this thread's messages (COM's calls among them) until `done()` or
// until `ms` have passed.
template <typename Done>
void PumpUntil(Done done, DWORD ms) {
  const DWORD start = GetTickCount();
  while (!done()) {
    const DWORD spent = GetTickCount() - start;
    if (spent >= ms) return;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, ms - spent, QS_ALLINPUT);
    PumpMessages();
  }
}

}  // namespace keepsnap
