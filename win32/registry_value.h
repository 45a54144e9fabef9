#pragma once

#include <windows.h>

#include <string>

#include "core/settings.h"

namespace keepsnap {

// Creates (or opens) the key root\path with the class and access given and
// sets its REG_SZ value of that name (the default value for none) to the
// text, terminator included. The two outcomes in order: the key created or
// opened, the value set. No value is written to a key that could not be
// created.
WriteOutcome WriteStringValue(HKEY root, const char* path, const char* keyClass, REGSAM access, const char* valueName,
                              const std::string& text);

}  // namespace keepsnap
