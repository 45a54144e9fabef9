#pragma once

#include <string>

#include "core/file_system.h"

namespace keepsnap {

// How a checked copy gets its attributes, once it is on the disk.
enum class AttributePolicy {
  // A file's backup. It is written beside its target under a temporary name,
  // hidden as soon as it exists so that no part of it ever shows, and then
  // shows as its source does: hidden only when the source is. The other bits
  // are the system copier's (it keeps the read-only bit everywhere).
  ShownAsSource,
  // A file in a folder's backup. The folder it is written into is hidden, so
  // the copy needs no hiding of its own; it takes its source's attributes.
  // Windows' copier gives them, Wine 10's only the read-only bit: a
  // read-only, hidden or system file has them set again.
  KeptFromSource,
};

// The first half of the checked-file step: the system's copy, under the
// progress window's `label`, and its length checked against the source's,
// since a short copy may be reported as done (a read that failed part-way,
// on some systems). Nothing is flushed yet. Once Cancel was pressed, no copy
// starts.
CopyOutcome WriteChecked(const std::string& source, const std::string& copy, const std::string& label,
                         AttributePolicy policy, FileSystem& files, CopyProgress& progress);

// The second half: the copy flushed to the disk, then given its attributes
// by the policy (after the flush, which needs the copy writable).
bool SettleChecked(const std::string& copy, unsigned sourceAttributes, AttributePolicy policy, FileSystem& files);

}  // namespace keepsnap
