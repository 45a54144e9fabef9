#include "win32/copier.h"

#include "win32/file_system.h"
#include "win32/handles.h"
#include "win32/message_pump.h"

namespace keepsnap {

// One copy on its own thread, and what the main thread may read of it.
// The lock guards the fields the progress routine writes.
struct CopyJob {
  CopyJob(const std::string& from, const std::string& to) : source(from), copy(to) {}

  const std::string source, copy;  // a file's temporary, or a file in a folder's
  BOOL cancel = FALSE;  // read by CopyFileExA while it copies
  CriticalSection lock;
  bool heard = false;  // the system calls the progress routine
  unsigned long long done = 0, total = 0;
  bool hide = false;  // a file's temporary: hidden as soon as it exists
  bool hidden = false;
  BOOL copied = FALSE;
};

namespace {

const DWORD kProgressAfterMs = 1000;  // a copy that ends sooner shows nothing
const DWORD kPollMs = 50;
// Setting the bar and its lines costs more than a small file's copy (3.5 ms
// against 1 ms under Wine 8 on the 2-core test machines, 2026-12): a few
// times a second keeps the window smooth.
const DWORD kUpdateMs = 200;
const unsigned long long kOwnThreadFrom = 256 * 1024;

// The temporary is hidden as soon as it exists: from the progress routine
// where the system calls it, else from the thread that waits.
void HideOnce(CopyJob& job) {
  if (!job.hide) return;
  const HeldSection held(job.lock);
  if (!job.hidden) {
    const DWORD attributes = GetFileAttributesA(job.copy.c_str());
    job.hidden = attributes != INVALID_FILE_ATTRIBUTES &&
                 SetFileAttributesA(job.copy.c_str(), attributes | FILE_ATTRIBUTE_HIDDEN);
  }
}

DWORD CALLBACK OnProgress(LARGE_INTEGER total, LARGE_INTEGER done, LARGE_INTEGER, LARGE_INTEGER, DWORD,
                          DWORD reason, HANDLE, HANDLE, LPVOID data) {
  CopyJob& job = *static_cast<CopyJob*>(data);
  if (reason == CALLBACK_STREAM_SWITCH) HideOnce(job);
  const HeldSection held(job.lock);
  job.heard = true;
  job.done = static_cast<unsigned long long>(done.QuadPart);
  job.total = static_cast<unsigned long long>(total.QuadPart);
  return PROGRESS_CONTINUE;  // Cancel goes through the flag
}

DWORD WINAPI RunCopy(void* data) {
  CopyJob& job = *static_cast<CopyJob*>(data);
  job.copied = CopyFileExA(job.source.c_str(), job.copy.c_str(), OnProgress, &job, &job.cancel, 0);
  return 0;
}

// Waits a while for the copy thread, handling messages meanwhile (this
// thread started COM for the progress window); false once it has ended.
bool WaitForCopy(HANDLE thread) {
  const DWORD woke = MsgWaitForMultipleObjects(1, &thread, FALSE, kPollMs, QS_ALLINPUT);
  if (woke == WAIT_OBJECT_0) return false;
  if (woke == WAIT_FAILED) {  // the copy's data lives on this stack: never leave before it ends
    WaitForSingleObject(thread, INFINITE);
    return false;
  }
  PumpMessages();
  return true;
}

// How far the copy is: from the progress routine where the system calls it,
// else from how much of the temporary the copier has written.
void AmountDone(CopyJob& job, unsigned long long sourceSize, unsigned long long* done, unsigned long long* total) {
  {
    const HeldSection held(job.lock);
    *done = job.done;
    *total = job.total;
    if (job.heard) return;
  }
  *total = sourceSize;
  if (!FileSizeOf(job.copy, done)) *done = 0;
}

}  // namespace

Copier::Copier() : start_(GetTickCount()) {}

void Copier::Begin(unsigned long long total) {
  total_ = total;
  before_ = 0;
  start_ = GetTickCount();
}

void Copier::Attend(CopyJob& job, unsigned long long sourceSize) {
  if (windowDone_) return;
  const DWORD now = GetTickCount();
  if (!progress_.Shown()) {
    if (now - start_ < kProgressAfterMs) return;
    if (!progress_.Show(label_)) {
      windowDone_ = true;
      return;
    }
    updated_ = now - kUpdateMs;  // its amounts at once
  }
  if (progress_.Cancelled()) {
    // Windows stops at once; a copier that ignores the flag ends in its
    // own time, and its copy is removed all the same.
    InterlockedExchange(reinterpret_cast<volatile LONG*>(&job.cancel), TRUE);
    cancelled_ = true;
    progress_.Close();
    windowDone_ = true;
    return;
  }
  if (now - updated_ < kUpdateMs) return;
  updated_ = now;
  unsigned long long done = 0, total = 0;
  AmountDone(job, sourceSize, &done, &total);
  progress_.Name(label_);
  progress_.Update(before_ + done, total_ != 0 ? total_ : total);
}

CopyOutcome Copier::Copy(const std::string& source, const std::string& copy, bool hide) {
  CopyJob job(source, copy);
  job.hide = hide;
  unsigned long long sourceSize = 0;
  FileSizeOf(source, &sourceSize);
  // A small file is copied in a moment, here: a thread of its own would cost
  // more than the copy (4 ms a file against 1 ms, under Wine 8 on the 2-core
  // test machines, 2026-12).
  // The thread belongs to this call; the copy's data lives on this stack, so
  // the call never leaves before the thread ends.
  UniqueHandle thread;
  if (sourceSize >= kOwnThreadFrom) thread = UniqueHandle(CreateThread(nullptr, 0, RunCopy, &job, 0, nullptr));
  if (!thread.Valid()) {
    RunCopy(&job);  // also where no second thread can be had: no window then
    HideOnce(job);
    // COM's messages, once the window started it: every 50 ms, as the wait
    // on a copy thread handles them, not after each file (a look costs 30 us
    // under Wine 8 on the 2-core test machines, 2026-12).
    if (progress_.Shown() && GetTickCount() - pumped_ >= kPollMs) {
      PumpMessages();
      pumped_ = GetTickCount();
    }
  } else {
    while (WaitForCopy(thread.Get())) {
      HideOnce(job);
      Attend(job, sourceSize);
    }
  }
  // Once more when the copy has ended, either way: Cancel pressed since the
  // last look, while the last bytes went (or, in Wine, whose copier ignores
  // the flag, at any time), keeps the copy from being named.
  Attend(job, sourceSize);
  before_ += sourceSize;
  if (cancelled_) return CopyOutcome::Cancelled;
  return job.copied ? CopyOutcome::Done : CopyOutcome::Failed;
}

}  // namespace keepsnap
