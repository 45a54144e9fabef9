#pragma once

#include <windows.h>

namespace keepsnap {

// The one owner of a kernel handle: closes it when it goes, on every way
// out. Both null and INVALID_HANDLE_VALUE mean none, since the calls that
// make handles fail with one or the other. Moved, never copied.
class UniqueHandle {
 public:
  UniqueHandle() {}
  explicit UniqueHandle(HANDLE handle) : handle_(handle) {}
  ~UniqueHandle() { Close(); }
  UniqueHandle(UniqueHandle&& other) : handle_(other.Release()) {}
  UniqueHandle& operator=(UniqueHandle&& other) {
    if (this != &other) {
      Close();
      handle_ = other.Release();
    }
    return *this;
  }
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;

  HANDLE Get() const { return handle_; }
  bool Valid() const { return handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE; }
  HANDLE Release() {
    const HANDLE handle = handle_;
    handle_ = nullptr;
    return handle;
  }
  void Close() {
    if (Valid()) CloseHandle(handle_);
    handle_ = nullptr;
  }

 private:
  HANDLE handle_ = nullptr;
};

// The one owner of an open registry key, as UniqueHandle is of a handle.
// Given the key only once a call has opened it: a failed call leaves no key
// to close.
class UniqueKey {
 public:
  UniqueKey() {}
  explicit UniqueKey(HKEY key) : key_(key) {}
  ~UniqueKey() { Close(); }
  UniqueKey(UniqueKey&& other) : key_(other.key_) { other.key_ = nullptr; }
  UniqueKey& operator=(UniqueKey&& other) {
    if (this != &other) {
      Close();
      key_ = other.key_;
      other.key_ = nullptr;
    }
    return *this;
  }
  UniqueKey(const UniqueKey&) = delete;
  UniqueKey& operator=(const UniqueKey&) = delete;

  HKEY Get() const { return key_; }
  void Close() {
    if (key_ != nullptr) RegCloseKey(key_);
    key_ = nullptr;
  }

 private:
  HKEY key_ = nullptr;
};

}  // namespace keepsnap
