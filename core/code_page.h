#pragma once

// Which bytes of the ANSI code page start a double-byte character. Path
// searches step over the second byte of such a character, which may be
// 0x5C (backslash) or 0x2E (dot) in code pages such as 932.
namespace keepsnap {

class CodePage {
 public:
  CodePage();  // a single-byte code page: no lead bytes
  void SetLeadBytes(unsigned char first, unsigned char last);
  bool IsLeadByte(unsigned char byte) const { return lead_[byte]; }

  // Japanese Shift-JIS (932), for tests and tools that need a known table.
  static CodePage ShiftJis();

 private:
  bool lead_[256];
};

}  // namespace keepsnap
