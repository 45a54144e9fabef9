#include "win32/setup_platform.h"

#include <windows.h>

#include "core/sized_read.h"
#include "win32/ansi_code_page.h"
#include "win32/menu_package.h"
#include "win32/registry_value.h"

namespace keepsnap {

Win32SetupPlatform::Win32SetupPlatform() : codePage_(SystemAnsiCodePage()) {}

bool Win32SetupPlatform::OwnPath(std::string* path) {
  // A result that fills the buffer was cut short, and the call does not say
  // by how much: then it is asked again with room for the longest path.
  return ReadGrowing(
      [](char* buffer, unsigned size) -> unsigned {
        const DWORD length = GetModuleFileNameA(nullptr, buffer, size);
        if (length < size) return length;
        return size <= kLongestPathBytes ? kLongestPathBytes : 0;
      },
      MAX_PATH + 1, path);
}

bool Win32SetupPlatform::WindowsDirectory(std::string* path) {
  return ReadWindowsDirectory([](char* buffer, unsigned size) { return GetWindowsDirectoryA(buffer, size); }, path);
}

bool Win32SetupPlatform::CopyFileTo(const std::string& source, const std::string& target) {
  return CopyFileA(source.c_str(), target.c_str(), FALSE) != 0;
}

void Win32SetupPlatform::RegisterMenuPackage(const std::string& folder) {
  // The programs' text is UTF-8 where Windows honours their manifest, which
  // every Windows 11 does; elsewhere nothing is registered anyway.
  if (GetACP() != CP_UTF8) return;
  // Its outcome is no line of the report: where Windows refuses the package
  // (no trust in its signature, a policy), the classic entry is there.
  DeployMenuPackage(folder);
}

WriteOutcome Win32SetupPlatform::RegisterValue(const char* keyPath, const char* valueName, const std::string& text) {
  return WriteStringValue(HKEY_CLASSES_ROOT, keyPath, nullptr, KEY_ALL_ACCESS, valueName, text);
}

WriteOutcome Win32SetupPlatform::WriteSetting(const char* keyPath, const std::string& text) {
  return registry_.WriteSetting(keyPath, text);
}

}  // namespace keepsnap
