// libFuzzer targets over the code that takes outside input: the command
// line, stored settings, the names made from a path, and the setup report.
// The first input byte picks the target, so one binary serves them all.
#include <cstddef>
#include <cstdint>
#include <string>

#include "core/command_line.h"
#include "core/dropped_files.h"
#include "core/names.h"
#include "core/settings.h"
#include "core/setup_update.h"

using namespace keepsnap;

namespace {

class Sink : public SettingsSink {
 public:
  explicit Sink(std::string bits) : bits_(bits) {}
  WriteOutcome WriteSetting(const char*, const std::string&) override {
    const unsigned char b = bits_.empty() ? 0 : static_cast<unsigned char>(bits_[n_++ % bits_.size()]);
    return WriteOutcome{(b & 1) != 0, (b & 2) != 0};
  }

 private:
  std::string bits_;
  size_t n_ = 0;
};

// Splits the data into fields at 0x01 bytes.
std::string Field(const std::string& data, int index) {
  size_t start = 0;
  for (int i = 0; i < index; ++i) {
    start = data.find('\x01', start);
    if (start == std::string::npos) return std::string();
    ++start;
  }
  const size_t end = data.find('\x01', start);
  return data.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
  if (size == 0) return 0;
  const std::string data(reinterpret_cast<const char*>(bytes) + 1, size - 1);
  const CodePage cp = (bytes[0] & 0x10) ? CodePage::ShiftJis() : CodePage();
  switch (bytes[0] % 5) {
    case 0: {
      const std::string line = data.substr(0, data.find('\0'));
      const std::string path = PathFromCommandLine(line.c_str());
      if (path.size() > line.size()) __builtin_trap();
      WithoutEnclosingQuotes(path);
      break;
    }
    case 1: {
      const StoredValue value = {static_cast<StoredValue::Status>(bytes[0] / 4 % 3), data};
      const unsigned long room = (bytes[0] & 0x80) ? kFolderRoom : kIndexRoom;
      const std::string text = DecodeStoredText(value, room);
      if (text.size() >= room || text.find('\0') != std::string::npos) __builtin_trap();
      break;
    }
    case 2: {
      BackupSettings s = {Field(data, 1), Field(data, 2), Field(data, 3), Field(data, 4)};
      const std::string path = Field(data, 0);
      const CalendarDate date = {static_cast<unsigned short>(bytes[0] * 37), static_cast<unsigned short>(size % 13),
                                 static_cast<unsigned short>(size % 32)};
      const std::string stamp = MakeDateStamp(s, date);
      const std::string same = SameFolderTarget(path, stamp, cp);
      BackupFolderTarget(path, s, stamp, cp);
      // The file's own name is never lost: every byte of the path survives.
      if (same.size() != path.size() + 1 + stamp.size()) __builtin_trap();
      break;
    }
    case 3: {
      Sink sink(Field(data, 1));
      const SavedSettings saved = SaveSettings(sink, bytes[0] % 4, size % 4, data.size() % 2, Field(data, 0));
      const std::string report = FinalReport(saved, (bytes[0] & 0x20) != 0, WriteOutcome{(bytes[0] & 0x40) != 0, true});
      if ((report.find("Successfully") == 0) != (saved.allSaved && (bytes[0] & 0x60) == 0x60)) __builtin_trap();
      break;
    }
    case 4: {  // a CF_HDROP block from another process
      std::vector<std::u16string> names;
      if (ReadDroppedNames(bytes + 1, size - 1, &names))
        for (const std::u16string& name : names)
          if (name.empty() || name.find(u'\0') != std::u16string::npos) __builtin_trap();
      break;
    }
  }
  return 0;
}
