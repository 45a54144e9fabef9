#include "win32/copy_files.h"

#include <windows.h>

#include "core/names.h"
#include "core/target_lock.h"
#include "win32/handles.h"
#include "win32/copy_progress.h"

namespace keepsnap {

// The core keeps these Win32 values of its own, with no <windows.h>.
static_assert(kReadOnlyAttribute == FILE_ATTRIBUTE_READONLY, "the core's read-only bit");
static_assert(kHiddenAttribute == FILE_ATTRIBUTE_HIDDEN, "the core's hidden bit");

namespace {

const DWORD kProgressAfterMs = 1000;  // a copy that ends sooner shows nothing
const DWORD kPollMs = 50;

// One copy on its own thread, and what the main thread may read of it.
// The lock guards the fields the progress routine writes.
struct CopyJob {
  CopyJob(const std::string& from, const std::string& to) : source(from), temporary(to) {
    InitializeCriticalSection(&lock);
  }
  ~CopyJob() { DeleteCriticalSection(&lock); }

  const std::string source, temporary;
  BOOL cancel = FALSE;  // read by CopyFileExA while it copies
  CRITICAL_SECTION lock;
  bool heard = false;  // the system calls the progress routine
  unsigned long long done = 0, total = 0;
  bool hidden = false;
  BOOL copied = FALSE;
};

// The temporary is hidden as soon as it exists: from the progress routine
// where the system calls it, else from the thread that waits.
void HideOnce(CopyJob& job) {
  EnterCriticalSection(&job.lock);
  if (!job.hidden) {
    const DWORD attributes = GetFileAttributesA(job.temporary.c_str());
    job.hidden = attributes != INVALID_FILE_ATTRIBUTES &&
                 SetFileAttributesA(job.temporary.c_str(), attributes | FILE_ATTRIBUTE_HIDDEN);
  }
  LeaveCriticalSection(&job.lock);
}

DWORD CALLBACK OnProgress(LARGE_INTEGER total, LARGE_INTEGER done, LARGE_INTEGER, LARGE_INTEGER, DWORD,
                          DWORD reason, HANDLE, HANDLE, LPVOID data) {
  CopyJob& job = *static_cast<CopyJob*>(data);
  if (reason == CALLBACK_STREAM_SWITCH) HideOnce(job);
  EnterCriticalSection(&job.lock);
  job.heard = true;
  job.done = static_cast<unsigned long long>(done.QuadPart);
  job.total = static_cast<unsigned long long>(total.QuadPart);
  LeaveCriticalSection(&job.lock);
  return PROGRESS_CONTINUE;  // Cancel goes through the flag
}

DWORD WINAPI RunCopy(void* data) {
  CopyJob& job = *static_cast<CopyJob*>(data);
  job.copied = CopyFileExA(job.source.c_str(), job.temporary.c_str(), OnProgress, &job, &job.cancel, 0);
  return 0;
}

// Waits a while for the copy thread; false once it has ended. Messages are
// handled meanwhile: this thread started COM for the progress window, and a
// thread of COM's single-threaded kind must not leave them waiting.
bool WaitForCopy(HANDLE thread) {
  const DWORD woke = MsgWaitForMultipleObjects(1, &thread, FALSE, kPollMs, QS_ALLINPUT);
  if (woke == WAIT_OBJECT_0) return false;
  if (woke == WAIT_FAILED) {  // the copy's data lives on this stack: never leave before it ends
    WaitForSingleObject(thread, INFINITE);
    return false;
  }
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  return true;
}

bool SizeOf(const std::string& path, unsigned long long* size) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return false;
  *size = (static_cast<unsigned long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  return true;
}

// How far the copy is: from the progress routine where the system calls it,
// else from how much of the temporary the copier has written.
void AmountDone(CopyJob& job, unsigned long long sourceSize, unsigned long long* done, unsigned long long* total) {
  EnterCriticalSection(&job.lock);
  const bool heard = job.heard;
  *done = job.done;
  *total = job.total;
  LeaveCriticalSection(&job.lock);
  if (heard) return;
  *total = sourceSize;
  if (!SizeOf(job.temporary, done)) *done = 0;
}

// The file's identity: its volume and its index on that volume.
bool Identify(const std::string& path, BY_HANDLE_FILE_INFORMATION* info) {
  const UniqueHandle file(CreateFileA(path.c_str(), FILE_READ_ATTRIBUTES,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                     FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  return file.Valid() && GetFileInformationByHandle(file.Get(), info) != 0;
}

}  // namespace

bool Win32CopyFileSystem::SameFile(const std::string& a, const std::string& b) {
  BY_HANDLE_FILE_INFORMATION first, second;
  return Identify(a, &first) && Identify(b, &second) && first.dwVolumeSerialNumber == second.dwVolumeSerialNumber &&
         first.nFileIndexHigh == second.nFileIndexHigh && first.nFileIndexLow == second.nFileIndexLow;
}

bool Win32CopyFileSystem::Attributes(const std::string& path, unsigned* attributes) {
  const DWORD found = GetFileAttributesA(path.c_str());
  if (found == INVALID_FILE_ATTRIBUTES) return false;
  *attributes = found;
  return true;
}

bool Win32CopyFileSystem::SetAttributes(const std::string& path, unsigned attributes) {
  return SetFileAttributesA(path.c_str(), attributes) != 0;
}

bool Win32CopyFileSystem::Size(const std::string& path, unsigned long long* size) { return SizeOf(path, size); }

CopyOutcome Win32CopyFileSystem::Copy(const std::string& source, const std::string& temporary) {
  // Wine's copier takes a name too long for the other A calls, which could
  // then neither rename nor remove the copy.
  if (GetFileAttributesA(temporary.c_str()) == INVALID_FILE_ATTRIBUTES && GetLastError() == ERROR_FILENAME_EXCED_RANGE)
    return CopyOutcome::Failed;
  CopyJob job(source, temporary);
  bool cancelled = false;
  // The thread belongs to this call; the copy's data lives on this stack, so
  // the call never leaves before the thread ends.
  const UniqueHandle thread(CreateThread(nullptr, 0, RunCopy, &job, 0, nullptr));
  if (!thread.Valid()) {
    RunCopy(&job);  // no second thread: the copy goes on without a window
  } else {
    unsigned long long sourceSize = 0;
    SizeOf(source, &sourceSize);
    CopyProgress progress;
    bool windowDone = false;  // shown and closed, or not to be had
    const DWORD start = GetTickCount();
    while (WaitForCopy(thread.Get())) {
      HideOnce(job);
      if (windowDone) continue;
      if (!progress.Shown()) {
        if (GetTickCount() - start < kProgressAfterMs) continue;
        if (!progress.Show(FileNameOf(source, cp_))) {
          windowDone = true;
          continue;
        }
      }
      unsigned long long done = 0, total = 0;
      AmountDone(job, sourceSize, &done, &total);
      progress.Update(done, total);
      if (progress.Cancelled()) {
        // Windows stops at once; a copier that ignores the flag ends in its
        // own time, and its copy is removed all the same.
        InterlockedExchange(reinterpret_cast<volatile LONG*>(&job.cancel), TRUE);
        cancelled = true;
        progress.Close();
        windowDone = true;
      }
    }
  }
  if (cancelled) return CopyOutcome::Cancelled;
  return job.copied ? CopyOutcome::Done : CopyOutcome::Failed;
}

bool Win32CopyFileSystem::Flush(const std::string& path) {
  // A read-only copy cannot be opened for writing, which flushing needs.
  const DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return false;
  if (attributes & FILE_ATTRIBUTE_READONLY) SetFileAttributesA(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
  bool flushed = false;
  {
    const UniqueHandle file(CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    flushed = file.Valid() && FlushFileBuffers(file.Get()) != 0;
  }  // closed before the read-only bit goes back
  if (attributes & FILE_ATTRIBUTE_READONLY) SetFileAttributesA(path.c_str(), attributes);
  return flushed;
}

bool Win32CopyFileSystem::Replace(const std::string& temporary, const std::string& target) {
  // One rename: the target's name never holds a part of a file. Write-through
  // returns only once the new name is on the disk too.
  return MoveFileExA(temporary.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

void Win32CopyFileSystem::Remove(const std::string& path) {
  SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  DeleteFileA(path.c_str());
}

CopyOutcome CopyReplacingWhole(const std::string& source, const std::string& target, const CodePage& cp) {
  char full[MAX_PATH * 3];
  const DWORD length = GetFullPathNameA(target.c_str(), sizeof full, full, nullptr);
  const std::string lockName =
      TargetLockName(length > 0 && length < sizeof full ? std::string(full, length) : target);
  // The mutex belongs to this call; a run that was killed holding it leaves
  // it abandoned, which the next wait takes as its own.
  const UniqueHandle lock(CreateMutexA(nullptr, FALSE, lockName.c_str()));
  if (lock.Valid()) WaitForSingleObject(lock.Get(), INFINITE);
  Win32CopyFileSystem files(cp);
  const CopyOutcome outcome = CopyWholeOrNothing(source, target, cp, files);
  if (lock.Valid()) ReleaseMutex(lock.Get());
  return outcome;
}

}  // namespace keepsnap
