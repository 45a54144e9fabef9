#pragma once

#include <string>

// Which bytes of the ANSI code page start a double-byte character. Path
// searches step over the second byte of such a character, which may be
// 0x5C (backslash) or 0x2E (dot) in code pages such as 932. In UTF-8 no byte
// of a longer character is below 0x80, so it needs no lead bytes for that.
namespace keepsnap {

class CodePage {
 public:
  CodePage();  // a single-byte code page: no lead bytes
  void SetLeadBytes(unsigned char first, unsigned char last);
  bool IsLeadByte(unsigned char byte) const { return lead_[byte]; }
  // The bytes of the character that starts at `at`: two for a lead byte
  // that has its second byte, else one. Every walk over a string steps so.
  std::string::size_type CharacterSize(const std::string& text, std::string::size_type at) const {
    return lead_[static_cast<unsigned char>(text[at])] && at + 1 < text.size() ? 2 : 1;
  }

  // Characters as Windows counts them in its own (UTF-16) text, which is what
  // an edit box's limit counts: one per character, two for a character
  // outside the Basic Multilingual Plane.
  std::string::size_type CharacterCount(const std::string& text) const;

  // Japanese Shift-JIS (932), for tests and tools that need a known table.
  static CodePage ShiftJis();
  // The UTF-8 code page (65001) that the programs ask Windows for.
  static CodePage Utf8();

 private:
  bool lead_[256];
  bool utf8_;
};

}  // namespace keepsnap
