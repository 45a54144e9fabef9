// A stand-in powershell.exe for uninstall.cmd, where Wine's own answers 0 to
// anything and does nothing: it keeps one registered package, by its full
// name in C:\kstest\appx-package.txt, answers Get-AppxPackage -Name and
// Remove-AppxPackage -Package as Windows' package manager does (Remove wants
// the full name), and writes every command line it is given to
// C:\kstest\powershell-asked.txt.
#include <windows.h>

#include <string>

namespace {

const char kRegistered[] = "C:\\kstest\\appx-package.txt";
const char kAsked[] = "C:\\kstest\\powershell-asked.txt";

std::string Read(const char* path) {
  std::string text;
  HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return text;
  char buffer[512];
  DWORD got = 0;
  while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0) text.append(buffer, got);
  CloseHandle(file);
  return text;
}

void Append(const char* path, const std::string& line) {
  HANDLE file = CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS, 0, nullptr);
  DWORD written = 0;
  WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
  CloseHandle(file);
}

// The text in single quotes after `flag`, or nothing.
bool Quoted(const std::string& command, const std::string& flag, std::string* value) {
  const std::string::size_type at = command.find(flag + " '");
  if (at == std::string::npos) return false;
  const std::string::size_type start = at + flag.size() + 2, end = command.find('\'', start);
  if (end == std::string::npos) return false;
  *value = command.substr(start, end - start);
  return true;
}

}  // namespace

int main() {
  const std::string command = GetCommandLineA();
  Append(kAsked, command + "\r\n");
  const std::string registered = Read(kRegistered);
  std::string name;
  if (Quoted(command, "Get-AppxPackage -Name", &name)) {
    if (!registered.empty() && registered.compare(0, name.size() + 1, name + "_") == 0) {
      DWORD written = 0;
      const std::string line = registered + "\r\n";
      WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    }
  } else if (Quoted(command, "Remove-AppxPackage -Package", &name)) {
    if (registered.empty() || name != registered) return 1;  // not found: nothing removed
    DeleteFileA(kRegistered);
  }
  return 0;
}
