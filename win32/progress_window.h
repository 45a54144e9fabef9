#pragma once

#include <windows.h>

#include <string>

#include "win32/handles.h"
#include "win32/late_bound.h"

struct IProgressDialog;

namespace keepsnap {

// The shell's own progress window (IProgressDialog) for a long copy. Nothing
// of it is loaded until Show: a copy that ends in time loads no COM.
class ProgressWindow {
 public:
  ProgressWindow();
  ~ProgressWindow();
  ProgressWindow(const ProgressWindow&) = delete;
  ProgressWindow& operator=(const ProgressWindow&) = delete;

  // False when the window cannot be had; the copy goes on without it.
  bool Show(const std::string& fileName);
  // What is being copied now: "Backing up <name>".
  void Name(const std::string& fileName);
  bool Shown() const { return static_cast<bool>(dialog_); }
  void Update(unsigned long long done, unsigned long long total);
  bool Cancelled();
  void Close();

 private:
  SystemLibrary ole32_;
  ComPtr<::IProgressDialog> dialog_;
  bool comStarted_ = false;
};

}  // namespace keepsnap
