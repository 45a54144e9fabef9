#pragma once

#include <windows.h>

#include <string>

#include "core/file_system.h"
#include "win32/progress_window.h"

namespace keepsnap {

struct CopyJob;

// The system's copier, CopyFileExA, which carries what a backup must keep
// (alternate streams, the downloaded-file mark, encryption, server-side
// copies on a share), run on a second thread, so that a backup still running
// after a second shows the shell's progress window and can be cancelled from
// it. One copier serves a run: a file, or every file of a folder, under one
// window that counts the bytes of them all. It is the run's progress.
class Copier : public CopyProgress {
 public:
  Copier();
  Copier(const Copier&) = delete;
  Copier& operator=(const Copier&) = delete;

  // The bytes of every file the copies to come copy (0: each file's own
  // size); the window shows when they take longer than a second from here.
  void Begin(unsigned long long total) override;
  // The file the next copy is of, as the window names it.
  void Label(const std::string& label) override { label_ = label; }
  bool Cancelled() override { return cancelled_; }

  // To a name that does not exist. With `hide`, the copy is hidden as soon
  // as it exists.
  CopyOutcome Copy(const std::string& source, const std::string& copy, bool hide);

 private:
  // The window after a second, its amounts, and Cancel: looked after while a
  // copy runs and between copies.
  void Attend(CopyJob& job, unsigned long long sourceSize);

  unsigned long long total_ = 0;
  unsigned long long before_ = 0;  // copied by the earlier calls
  DWORD start_;
  DWORD updated_ = 0;  // when the window's amounts were last set
  DWORD pumped_ = 0;   // when messages were last handled between small files
  std::string label_;
  ProgressWindow progress_;
  bool windowDone_ = false;  // shown and closed, or not to be had
  bool cancelled_ = false;
};

}  // namespace keepsnap
