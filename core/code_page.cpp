#include "core/code_page.h"

namespace keepsnap {

CodePage::CodePage() : utf8_(false) {
  for (int i = 0; i < 256; ++i) lead_[i] = false;
}

void CodePage::SetLeadBytes(unsigned char first, unsigned char last) {
  for (int b = first; b <= last; ++b) lead_[b] = true;
}

std::string::size_type CodePage::CharacterCount(const std::string& text) const {
  std::string::size_type count = 0;
  if (!utf8_) {
    for (std::string::size_type i = 0; i < text.size(); i += CharacterSize(text, i)) ++count;
    return count;
  }
  for (const char c : text) {
    const unsigned char byte = static_cast<unsigned char>(c);
    if (byte >= 0xF0) {
      count += 2;  // a surrogate pair
    } else if (byte < 0x80 || byte >= 0xC0) {
      ++count;  // continuation bytes (0x80 to 0xBF) belong to the character before
    }
  }
  return count;
}

CodePage CodePage::Utf8() {
  CodePage cp;
  cp.utf8_ = true;
  return cp;
}

CodePage CodePage::ShiftJis() {
  CodePage cp;
  cp.SetLeadBytes(0x81, 0x9F);
  cp.SetLeadBytes(0xE0, 0xFC);
  return cp;
}

}  // namespace keepsnap
