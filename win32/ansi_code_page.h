#pragma once

#include "core/code_page.h"

namespace keepsnap {

// The lead bytes of the system's ANSI code page, as the system reports them.
CodePage SystemAnsiCodePage();

}  // namespace keepsnap
