#include "core/code_page.h"

namespace keepsnap {

CodePage::CodePage() {
  for (int i = 0; i < 256; ++i) lead_[i] = false;
}

void CodePage::SetLeadBytes(unsigned char first, unsigned char last) {
  for (int b = first; b <= last; ++b) lead_[b] = true;
}

CodePage CodePage::ShiftJis() {
  CodePage cp;
  cp.SetLeadBytes(0x81, 0x9F);
  cp.SetLeadBytes(0xE0, 0xFC);
  return cp;
}

}  // namespace keepsnap
