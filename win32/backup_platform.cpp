#include "win32/backup_platform.h"

#include <windows.h>

#include <utility>

#include "core/sized_read.h"
#include "win32/ansi_code_page.h"
#include "win32/copy_files.h"
#include "win32/handles.h"

namespace keepsnap {

// The core keeps the two keys' virtual-key codes of its own.
static_assert(kShiftKey == VK_SHIFT, "the core's Shift key");
static_assert(kFolderKey == VK_OEM_3, "the core's folder key");

namespace {

const DWORD kLongPathRoom = 1000;

bool LocalDate(const FILETIME& time, CalendarDate* date) {
  FILETIME local;
  SYSTEMTIME fields;
  if (!FileTimeToLocalFileTime(&time, &local)) return false;
  if (!FileTimeToSystemTime(&local, &fields)) return false;
  date->year = fields.wYear;
  date->month = fields.wMonth;
  date->day = fields.wDay;
  return true;
}

class Win32SourceFile : public SourceFile {
 public:
  explicit Win32SourceFile(UniqueHandle handle) : handle_(std::move(handle)) {}

  bool LastWriteDate(CalendarDate* date) override {
    FILETIME written;
    return GetFileTime(handle_.Get(), nullptr, nullptr, &written) && LocalDate(written, date);
  }

 private:
  UniqueHandle handle_;
};

}  // namespace

Win32BackupPlatform::Win32BackupPlatform() : codePage_(SystemAnsiCodePage()) {}

void Win32BackupPlatform::ReadKeyboardState(unsigned char keys[256]) { GetKeyboardState(keys); }

BackupSettings Win32BackupPlatform::ReadSettings() { return keepsnap::ReadSettings(registry_); }

bool Win32BackupPlatform::LongPathOf(const std::string& path, std::string* longPath) {
  // 1000 bytes hold MAX_PATH letters of any script; a longer path (where
  // Windows allows long paths) is asked for again with the room it needs.
  return ReadGrowing([&path](char* buffer, unsigned size) { return GetLongPathNameA(path.c_str(), buffer, size); },
                     kLongPathRoom, longPath);
}

std::unique_ptr<SourceFile> Win32BackupPlatform::OpenSource(const std::string& path) {
  // Only the file time is read; other programs may go on reading and writing.
  UniqueHandle handle(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!handle.Valid()) return nullptr;
  return std::unique_ptr<SourceFile>(new Win32SourceFile(std::move(handle)));
}

CalendarDate Win32BackupPlatform::Today() {
  SYSTEMTIME now;
  GetLocalTime(&now);
  CalendarDate date = {now.wYear, now.wMonth, now.wDay};
  return date;
}

void Win32BackupPlatform::CreateFolder(const std::string& path) { CreateDirectoryA(path.c_str(), nullptr); }

CopyOutcome Win32BackupPlatform::CopyFileTo(const std::string& source, const std::string& target) {
  return CopyReplacingWhole(source, target, codePage_);
}

bool Win32BackupPlatform::IsFolder(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool Win32BackupPlatform::PlanFolder(const std::string& path, TreePlan* plan) {
  return PlanFolderTree(path, codePage_, plan);
}

bool Win32BackupPlatform::LocalDateOf(unsigned long long fileTime, CalendarDate* date) {
  FILETIME time;
  time.dwLowDateTime = static_cast<DWORD>(fileTime);
  time.dwHighDateTime = static_cast<DWORD>(fileTime >> 32);
  return LocalDate(time, date);
}

CopyOutcome Win32BackupPlatform::CopyFolderTo(const std::string& source, const std::string& target,
                                              const TreePlan& plan) {
  return CopyTreeReplacingWhole(source, target, plan, codePage_);
}

void Win32BackupPlatform::ShowError(const char* text) { MessageBoxA(nullptr, text, kErrorCaption, MB_OK); }

}  // namespace keepsnap
