#pragma once

#include <string>

#include "core/code_page.h"
#include "core/file_system.h"
#include "core/leftover_names.h"

namespace keepsnap {

// A file's backup: copies the source to the target so that the target's
// name always holds the earlier file, whole, or the new copy, whole: written
// under the temporary name, checked, flushed, then renamed. On failure or
// Cancel the temporary is removed and the earlier file stays as it was.
CopyOutcome CopyWholeOrNothing(const std::string& source, const std::string& target, const std::string& label,
                               const CodePage& cp, FileSystem& files, CopyProgress& progress);

}  // namespace keepsnap
