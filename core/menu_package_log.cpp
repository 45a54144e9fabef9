// The installer's log line on the Windows 11 menu's package, apart from the
// rest of the setup's update, so that the installer's DLL takes no more of
// the core than this.
#include "core/setup_update.h"
#include "product.h"

namespace keepsnap {

namespace {

// "0x80070005": the code's 32 bits, wherever long is wider. Written out, not
// printed: a printf would bring its whole formatter into the installer's DLL.
std::string Code(long result) {
  const char digits[] = "0123456789ABCDEF";
  const unsigned bits = static_cast<unsigned>(result);
  std::string text = "0x";
  for (int shift = 28; shift >= 0; shift -= 4) text += digits[(bits >> shift) & 0xF];
  return text;
}

}  // namespace

std::string MenuPackageLogLine(MenuPackageStep step, long result) {
  const bool registering = step == MenuPackageStep::Register;
  const std::string what = KEEPSNAP_FULL_NAME ": the Windows 11 menu's package (" KEEPSNAP_MENU_PACKAGE ") ";
  if (result == 1)
    return what + (registering ? "was not registered: not Windows 11, or no package beside the programs"
                               : "was not removed: not Windows 11");
  if (result >= 0) return what + (registering ? "was registered for this user" : "was removed for this user");
  return what + (registering ? "could not be registered for this user, error " : "could not be removed, error ") +
         Code(result) + (registering ? "; the classic entry is there" : "");
}

}  // namespace keepsnap
