#include "core/checked_copy.h"

namespace keepsnap {

CopyOutcome WriteChecked(const std::string& source, const std::string& copy, const std::string& label,
                         AttributePolicy policy, FileSystem& files, CopyProgress& progress) {
  if (progress.Cancelled()) return CopyOutcome::Cancelled;
  progress.Label(label);
  const CopyOutcome copied = files.Copy(source, copy, policy == AttributePolicy::ShownAsSource);
  if (copied != CopyOutcome::Done) return copied;
  unsigned long long sourceSize = 0, copySize = 0;
  if (!files.Size(source, &sourceSize) || !files.Size(copy, &copySize) || sourceSize != copySize)
    return CopyOutcome::Failed;
  return CopyOutcome::Done;
}

bool SettleChecked(const std::string& copy, unsigned sourceAttributes, AttributePolicy policy, FileSystem& files) {
  if (policy == AttributePolicy::KeptFromSource) {
    if (!files.Flush(copy)) return false;
    const unsigned marked = sourceAttributes & (kReadOnlyAttribute | kHiddenAttribute | kSystemAttribute);
    return marked == 0 || files.SetAttributes(copy, sourceAttributes);
  }
  unsigned copied = 0;
  if (!files.Attributes(copy, &copied) || !files.Flush(copy)) return false;
  const unsigned shown = (copied & ~kHiddenAttribute) | (sourceAttributes & kHiddenAttribute);
  return shown == copied || files.SetAttributes(copy, shown);
}

}  // namespace keepsnap
