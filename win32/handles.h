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

// The one owner of a FindFirstFileA search: FindClose ends it on every way out.
class UniqueFind {
 public:
  explicit UniqueFind(HANDLE search) : search_(search) {}
  ~UniqueFind() {
    if (Valid()) FindClose(search_);
  }
  UniqueFind(const UniqueFind&) = delete;
  UniqueFind& operator=(const UniqueFind&) = delete;

  HANDLE Get() const { return search_; }
  bool Valid() const { return search_ != INVALID_HANDLE_VALUE && search_ != nullptr; }

 private:
  HANDLE search_;
};

// A critical section, made and deleted with its owner.
class CriticalSection {
 public:
  CriticalSection() { InitializeCriticalSection(&section_); }
  ~CriticalSection() { DeleteCriticalSection(&section_); }
  CriticalSection(const CriticalSection&) = delete;
  CriticalSection& operator=(const CriticalSection&) = delete;

  void Enter() { EnterCriticalSection(&section_); }
  void Leave() { LeaveCriticalSection(&section_); }

 private:
  CRITICAL_SECTION section_;
};

// Holds a critical section for its scope.
class HeldSection {
 public:
  explicit HeldSection(CriticalSection& section) : section_(section) { section_.Enter(); }
  ~HeldSection() { section_.Leave(); }
  HeldSection(const HeldSection&) = delete;
  HeldSection& operator=(const HeldSection&) = delete;

 private:
  CriticalSection& section_;
};

// The one owner of a COM interface pointer: released when it goes.
template <typename Interface>
class ComPtr {
 public:
  ComPtr() {}
  ~ComPtr() { Reset(); }
  ComPtr(const ComPtr&) = delete;
  ComPtr& operator=(const ComPtr&) = delete;

  Interface* Get() const { return pointer_; }
  Interface* operator->() const { return pointer_; }
  explicit operator bool() const { return pointer_ != nullptr; }
  // Where a call that makes an interface puts it; whatever was held goes first.
  void** Receive() {
    Reset();
    return reinterpret_cast<void**>(&pointer_);
  }
  void Reset() {
    if (pointer_ != nullptr) pointer_->Release();
    pointer_ = nullptr;
  }

 private:
  Interface* pointer_ = nullptr;
};

}  // namespace keepsnap
