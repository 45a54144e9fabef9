#include "core/whole_copy.h"

#include "core/checked_copy.h"
#include "core/path_text.h"

namespace keepsnap {

CopyOutcome CopyWholeOrNothing(const std::string& source, const std::string& target, const std::string& label,
                               const CodePage& cp, FileSystem& files, CopyProgress& progress) {
  unsigned original = 0, existing = 0;
  if (!files.Attributes(source, &original)) return CopyOutcome::Failed;  // gone, or out of the calls' reach
  if (files.Attributes(target, &existing)) {
    // Windows' copy refuses to overwrite a read-only or hidden file; a
    // rename would not, so the refusal is kept here.
    if ((existing & (kReadOnlyAttribute | kHiddenAttribute)) != 0) return CopyOutcome::Failed;
    // The source named as its own backup: replacing it would change the
    // file the user meant to keep. Only a target that exists can be it,
    // which spares each new backup two opens.
    if (files.SameFile(source, target)) return CopyOutcome::Failed;
  }

  const std::string temporary = TemporaryNameFor(target, cp);
  files.Remove(temporary);  // left by a run that was killed
  const CopyOutcome copied = WriteChecked(source, temporary, label, AttributePolicy::ShownAsSource, files, progress);
  if (copied == CopyOutcome::Done && SettleChecked(temporary, original, AttributePolicy::ShownAsSource, files) &&
      files.Replace(temporary, target))
    return CopyOutcome::Done;
  files.Remove(temporary);
  return copied == CopyOutcome::Cancelled ? CopyOutcome::Cancelled : CopyOutcome::Failed;
}

}  // namespace keepsnap
