#include "win32/ansi_code_page.h"

#include <windows.h>

namespace keepsnap {

CodePage SystemAnsiCodePage() {
  // What the manifest asks for, from Windows 10 version 1903 on.
  if (GetACP() == CP_UTF8) return CodePage::Utf8();
  CodePage cp;
  for (int b = 0x80; b <= 0xFF; ++b) {
    if (IsDBCSLeadByteEx(CP_ACP, static_cast<BYTE>(b))) cp.SetLeadBytes(static_cast<unsigned char>(b), static_cast<unsigned char>(b));
  }
  return cp;
}

}  // namespace keepsnap
