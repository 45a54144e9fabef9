#pragma once

#include <objidl.h>

namespace keepsnap {

// A data object holding the names as CF_HDROP, in UTF-16, as the shell hands
// a selection to a verb's DropTarget; null when there was no memory for it.
IDataObject* MakeDroppedData(const wchar_t* const* names, size_t count);

}  // namespace keepsnap
