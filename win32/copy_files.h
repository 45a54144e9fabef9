#pragma once

#include "core/whole_copy.h"

namespace keepsnap {

// The whole-or-nothing copy's file operations as Win32 calls. The copier is
// CopyFileExA, which carries what a backup must keep (alternate streams, the
// downloaded-file mark, encryption, server-side copies on a share), on a
// second thread, so that a copy still running after a second can show the
// shell's progress window and be cancelled from it.
class Win32CopyFileSystem : public CopyFileSystem {
 public:
  explicit Win32CopyFileSystem(const CodePage& cp) : cp_(cp) {}
  bool SameFile(const std::string& a, const std::string& b) override;
  bool Attributes(const std::string& path, unsigned* attributes) override;
  bool SetAttributes(const std::string& path, unsigned attributes) override;
  bool Size(const std::string& path, unsigned long long* size) override;
  CopyOutcome Copy(const std::string& source, const std::string& temporary) override;
  bool Flush(const std::string& path) override;
  bool Replace(const std::string& temporary, const std::string& target) override;
  void Remove(const std::string& path) override;

 private:
  const CodePage& cp_;
};

// CopyWholeOrNothing with the Win32 calls, one run at a time for a target:
// a second run on the same target (a double click) waits for the first.
CopyOutcome CopyReplacingWhole(const std::string& source, const std::string& target, const CodePage& cp);

}  // namespace keepsnap
