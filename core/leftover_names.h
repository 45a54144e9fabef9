#pragma once

#include <string>

#include "core/code_page.h"

namespace keepsnap {

// Every name a backup leaves beside its target, and only those: a run that
// was killed may leave one, the next backup of that target puts it right,
// and a folder's backup never copies one. Always the same for the same
// target.

// Where a copy is written before it takes the target's name:
// "~" + its name + ".keepsnap".
std::string TemporaryNameFor(const std::string& target, const CodePage& cp);

// Where an earlier copy of a folder waits while the new one takes its name:
// "~" + its name + ".keepsnap-earlier".
std::string AsideNameFor(const std::string& target, const CodePage& cp);

// A name (without its folder) of either form. The user's own "data.keepsnap"
// is not one: the leading "~" is part of the rule.
bool IsLeftoverName(const std::string& name);

}  // namespace keepsnap
