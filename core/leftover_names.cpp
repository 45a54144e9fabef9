#include "core/leftover_names.h"

#include "core/path_text.h"

namespace keepsnap {

namespace {

const char kLeftoverMark = '~';
const char kTemporaryTail[] = ".keepsnap";
const char kAsideTail[] = ".keepsnap-earlier";

bool MarkedWith(const std::string& name, const std::string& tail) {
  return name.size() > tail.size() && name[0] == kLeftoverMark &&
         name.compare(name.size() - tail.size(), tail.size(), tail) == 0;
}

std::string Marked(const std::string& target, const char* tail, const CodePage& cp) {
  // "C:name" is a name in drive C's current folder.
  std::string::size_type nameAt = 0;
  const int last = LastSeparator(target, cp);
  if (last >= 0) {
    nameAt = static_cast<std::string::size_type>(last) + 1;
  } else if (target.size() >= 2 && target[1] == ':') {
    nameAt = 2;
  }
  return target.substr(0, nameAt) + kLeftoverMark + target.substr(nameAt) + tail;
}

}  // namespace

std::string TemporaryNameFor(const std::string& target, const CodePage& cp) {
  return Marked(target, kTemporaryTail, cp);
}

std::string AsideNameFor(const std::string& target, const CodePage& cp) { return Marked(target, kAsideTail, cp); }

bool IsLeftoverName(const std::string& name) {
  return MarkedWith(name, kTemporaryTail) || MarkedWith(name, kAsideTail);
}

}  // namespace keepsnap
