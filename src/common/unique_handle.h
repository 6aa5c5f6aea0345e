// A move-only owner of a kernel handle.
#pragma once

#include "platform/windows_api.h"

namespace procsweep {

class UniqueHandle {
 public:
  UniqueHandle() = default;
  explicit UniqueHandle(HANDLE handle) : handle_(handle) {}
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;
  UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.release()) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  ~UniqueHandle() { reset(); }

  // Closing never disturbs the thread's last error: a caller that is about to report the error
  // of a failed call may let a handle go out of scope first.
  void reset(HANDLE handle = nullptr);
  HANDLE release() {
    HANDLE handle = handle_;
    handle_ = nullptr;
    return handle;
  }
  HANDLE get() const { return handle_; }
  explicit operator bool() const { return IsValid(handle_); }

  static bool IsValid(HANDLE handle) {
    return handle != nullptr && handle != INVALID_HANDLE_VALUE;
  }

 private:
  HANDLE handle_ = nullptr;
};

}  // namespace procsweep
