#include "win32/setup_platform.h"

#include <windows.h>

#include <vector>

#include "win32/ansi_code_page.h"
#include "win32/registry_value.h"

namespace keepsnap {

Win32SetupPlatform::Win32SetupPlatform() : codePage_(SystemAnsiCodePage()) {}

bool Win32SetupPlatform::OwnPath(std::string* path) {
  // Room for the longest path Windows has (32767 characters), at up to three
  // bytes each in UTF-8; a result that fills the buffer was cut short.
  std::vector<char> buffer(3 * 32768, '\0');
  const DWORD length = GetModuleFileNameA(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
  if (length == 0 || length >= buffer.size()) return false;
  path->assign(buffer.data(), length);
  return true;
}

bool Win32SetupPlatform::WindowsDirectory(std::string* path) {
  return ReadWindowsDirectory([](char* buffer, unsigned size) { return GetWindowsDirectoryA(buffer, size); }, path);
}

bool Win32SetupPlatform::CopyFileTo(const std::string& source, const std::string& target) {
  return CopyFileA(source.c_str(), target.c_str(), FALSE) != 0;
}

WriteOutcome Win32SetupPlatform::RegisterCommand(const char* keyPath, const std::string& command) {
  return WriteDefaultValue(HKEY_CLASSES_ROOT, keyPath, nullptr, KEY_ALL_ACCESS, command);
}

WriteOutcome Win32SetupPlatform::WriteSetting(const char* keyPath, const std::string& text) {
  return registry_.WriteSetting(keyPath, text);
}

}  // namespace keepsnap
