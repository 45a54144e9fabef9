#include "win32/registry_value.h"

#include "win32/handles.h"

namespace keepsnap {

WriteOutcome WriteStringValue(HKEY root, const char* path, const char* keyClass, REGSAM access, const char* valueName,
                              const std::string& text) {
  WriteOutcome outcome = {false, false};
  HKEY created;
  DWORD disposition;  // new or opened: both count as created
  if (RegCreateKeyExA(root, path, 0, const_cast<char*>(keyClass), REG_OPTION_NON_VOLATILE, access, nullptr, &created,
                      &disposition) != ERROR_SUCCESS)
    return outcome;
  const UniqueKey key(created);
  outcome.created = true;
  outcome.saved = RegSetValueExA(key.Get(), valueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                                 static_cast<DWORD>(text.size() + 1)) == ERROR_SUCCESS;
  return outcome;
}

}  // namespace keepsnap
