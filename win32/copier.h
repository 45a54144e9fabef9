#pragma once

#include <windows.h>

#include <string>

#include "core/whole_copy.h"
#include "win32/copy_progress.h"

namespace keepsnap {

// The system's copier, CopyFileExA, which carries what a backup must keep
// (alternate streams, the downloaded-file mark, encryption, server-side
// copies on a share), run on a second thread, so that a backup still running
// after a second shows the shell's progress window and can be cancelled from
// it. One copier serves a run: a file, or every file of a folder, under one
// window that counts the bytes of them all.
class Copier {
 public:
  Copier();
  Copier(const Copier&) = delete;
  Copier& operator=(const Copier&) = delete;

  // The bytes of every file the copies to come copy (0: each file's own
  // size); the window shows when they take longer than a second from here.
  void Begin(unsigned long long total);

  // To a name that does not exist; `shown` names the file in the window.
  // With `hide`, the copy is hidden as soon as it exists. Once Cancel was
  // pressed every further copy is Cancelled at once.
  CopyOutcome Copy(const std::string& source, const std::string& copy, const std::string& shown, bool hide);

 private:
  unsigned long long total_ = 0;
  unsigned long long before_ = 0;  // copied by the earlier calls
  DWORD start_;
  DWORD updated_ = 0;  // when the window's amounts were last set
  DWORD pumped_ = 0;   // when messages were last handled between small files
  CopyProgress progress_;
  bool windowDone_ = false;  // shown and closed, or not to be had
  bool cancelled_ = false;
};

// The file's size; false when it cannot be had.
bool FileSizeOf(const std::string& path, unsigned long long* size);

}  // namespace keepsnap
