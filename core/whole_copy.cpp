#include "core/whole_copy.h"

#include "core/names.h"

namespace keepsnap {

std::string TemporaryNameFor(const std::string& target, const CodePage& cp) {
  // Windows takes "/" as well as "\" between folders, and "C:name" is a name
  // in drive C's current folder.
  std::string::size_type nameAt = 0;
  const int slash = LastIndexOf(target, '\\', cp);
  const int forward = LastIndexOf(target, '/', cp);
  const int last = slash > forward ? slash : forward;
  if (last >= 0) {
    nameAt = static_cast<std::string::size_type>(last) + 1;
  } else if (target.size() >= 2 && target[1] == ':') {
    nameAt = 2;
  }
  return target.substr(0, nameAt) + "~" + target.substr(nameAt) + ".keepsnap";
}

namespace {

bool Finish(const std::string& source, const std::string& temporary, CopyFileSystem& files) {
  // A short copy may be reported as done (a read that failed part-way on
  // some systems): only the whole length counts.
  unsigned long long sourceSize = 0, copySize = 0;
  if (!files.Size(source, &sourceSize) || !files.Size(temporary, &copySize) || sourceSize != copySize)
    return false;
  unsigned copied = 0, original = 0;
  if (!files.Attributes(temporary, &copied) || !files.Attributes(source, &original)) return false;
  if (!files.Flush(temporary)) return false;
  // The backup shows as its source does: hidden only when the source is.
  const unsigned shown = (copied & ~kHiddenAttribute) | (original & kHiddenAttribute);
  if (shown != copied && !files.SetAttributes(temporary, shown)) return false;
  return true;
}

}  // namespace

CopyOutcome CopyWholeOrNothing(const std::string& source, const std::string& target, const CodePage& cp,
                               CopyFileSystem& files) {
  // The source named as its own backup: replacing it would change the file
  // the user meant to keep.
  if (files.SameFile(source, target)) return CopyOutcome::Failed;
  // Windows' copy refuses to overwrite a read-only or hidden file; a rename
  // would not, so the refusal is kept here.
  unsigned existing = 0;
  if (!files.Attributes(source, &existing)) return CopyOutcome::Failed;  // gone, or out of the calls' reach
  if (files.Attributes(target, &existing) && (existing & (kReadOnlyAttribute | kHiddenAttribute)) != 0)
    return CopyOutcome::Failed;

  const std::string temporary = TemporaryNameFor(target, cp);
  files.Remove(temporary);  // left by a run that was killed
  const CopyOutcome copied = files.Copy(source, temporary);
  if (copied == CopyOutcome::Done && Finish(source, temporary, files) && files.Replace(temporary, target))
    return CopyOutcome::Done;
  files.Remove(temporary);
  return copied == CopyOutcome::Cancelled ? CopyOutcome::Cancelled : CopyOutcome::Failed;
}

}  // namespace keepsnap
