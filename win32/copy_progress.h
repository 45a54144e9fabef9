#pragma once

#include <windows.h>

#include <string>

struct IProgressDialog;

namespace keepsnap {

// The shell's own progress window (IProgressDialog) for a long copy. Nothing
// of it is loaded until Show: a copy that ends in time loads no COM.
class CopyProgress {
 public:
  CopyProgress() {}
  ~CopyProgress();
  CopyProgress(const CopyProgress&) = delete;
  CopyProgress& operator=(const CopyProgress&) = delete;

  // False when the window cannot be had; the copy goes on without it.
  bool Show(const std::string& fileName);
  // What is being copied now: "Backing up <name>".
  void Name(const std::string& fileName);
  bool Shown() const { return dialog_ != nullptr; }
  void Update(unsigned long long done, unsigned long long total);
  bool Cancelled();
  void Close();

 private:
  HMODULE ole32_ = nullptr;
  ::IProgressDialog* dialog_ = nullptr;
  bool comStarted_ = false;
};

}  // namespace keepsnap
