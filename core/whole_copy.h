#pragma once

#include <string>

#include "core/code_page.h"

namespace keepsnap {

enum class CopyOutcome { Done, Failed, Cancelled };

// The two attribute bits the copy looks at, with their Win32 values.
const unsigned kReadOnlyAttribute = 0x1;  // FILE_ATTRIBUTE_READONLY
const unsigned kHiddenAttribute = 0x2;    // FILE_ATTRIBUTE_HIDDEN

// Where a copy is written before it takes the target's name: beside the
// target, "~" + its name + ".keepsnap". Always the same for the same target,
// so a run that was killed leaves one such file, which the next one removes.
std::string TemporaryNameFor(const std::string& target, const CodePage& cp);

// What a whole-or-nothing copy asks of the file system, one call each.
class CopyFileSystem {
 public:
  virtual ~CopyFileSystem() {}
  // True when both names exist and are one file.
  virtual bool SameFile(const std::string& a, const std::string& b) = 0;
  // False when nothing has that name.
  virtual bool Attributes(const std::string& path, unsigned* attributes) = 0;
  virtual bool SetAttributes(const std::string& path, unsigned attributes) = 0;
  virtual bool Size(const std::string& path, unsigned long long* size) = 0;
  // The system's copier, to a name that does not exist; the copy is hidden
  // as soon as it can be.
  virtual CopyOutcome Copy(const std::string& source, const std::string& temporary) = 0;
  // Until the data is on the disk, not only in the cache.
  virtual bool Flush(const std::string& path) = 0;
  // Gives the temporary the target's name in one step, replacing the file
  // that had it.
  virtual bool Replace(const std::string& temporary, const std::string& target) = 0;
  // Whatever its attributes; nothing when there is no such file.
  virtual void Remove(const std::string& path) = 0;
};

// Copies the source to the target so that the target's name always holds
// the earlier file, whole, or the new copy, whole: written under the
// temporary name, checked, flushed, then renamed. On failure or Cancel the
// temporary is removed and the earlier file stays as it was.
CopyOutcome CopyWholeOrNothing(const std::string& source, const std::string& target, const CodePage& cp,
                               CopyFileSystem& files);

}  // namespace keepsnap
