#pragma once

#include <string>

#include "core/code_page.h"
#include "core/file_system.h"

namespace keepsnap {

// Where a copy is written before it takes the target's name: beside the
// target, "~" + its name + ".keepsnap". Always the same for the same target,
// so a run that was killed leaves one such file, which the next one removes.
std::string TemporaryNameFor(const std::string& target, const CodePage& cp);

// A file's backup: copies the source to the target so that the target's
// name always holds the earlier file, whole, or the new copy, whole: written
// under the temporary name, checked, flushed, then renamed. On failure or
// Cancel the temporary is removed and the earlier file stays as it was.
CopyOutcome CopyWholeOrNothing(const std::string& source, const std::string& target, const std::string& label,
                               const CodePage& cp, FileSystem& files);

}  // namespace keepsnap
