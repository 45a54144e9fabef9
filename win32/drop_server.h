#pragma once

#include <string>
#include <vector>

#include "core/backup_run.h"

namespace keepsnap {

// Serves the one drop through which the shell hands a whole selection to
// the verb's DropTarget: registers the class for a single use, takes
// DragEnter and Drop, and gives back the items (the names in UTF-16, made
// the programs' own text) and the keys held at the click. Drop returns as
// soon as it has them, before any copy starts, and the shell's release of
// the class is served before this returns, so that the shell's window never
// waits on a backup. False, having done nothing, when no Drop came in time.
bool ReceiveDrop(std::vector<std::string>* items, ModifierState* keys);

}  // namespace keepsnap
