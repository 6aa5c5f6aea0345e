// Move-only owners of the system's resources: kernel handles and loaded libraries.
#pragma once

#include "platform/windows_api.h"

namespace procsweep {

// One owner type, told by its traits which values own nothing and how to let go of the rest.
template <typename Traits>
class UniqueResource {
 public:
  using Value = typename Traits::Value;

  UniqueResource() = default;
  explicit UniqueResource(Value value) : value_(value) {}
  UniqueResource(const UniqueResource&) = delete;
  UniqueResource& operator=(const UniqueResource&) = delete;
  UniqueResource(UniqueResource&& other) noexcept : value_(other.release()) {}
  UniqueResource& operator=(UniqueResource&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  ~UniqueResource() { reset(); }

  // Letting go never disturbs the thread's last error: a caller that is about to report the
  // error of a failed call may let an owner go out of scope first.
  void reset(Value value = nullptr) {
    const Value old = value_;
    value_ = value;
    if (IsValid(old)) {
      const DWORD savedError = platform::GetLastError();
      Traits::Close(old);
      platform::SetLastError(savedError);
    }
  }
  Value release() {
    const Value value = value_;
    value_ = nullptr;
    return value;
  }
  Value get() const { return value_; }
  explicit operator bool() const { return IsValid(value_); }

  static bool IsValid(Value value) { return Traits::IsValid(value); }

 private:
  Value value_ = nullptr;
};

struct KernelHandleTraits {
  using Value = HANDLE;
  // Calls disagree on how they fail (NULL from OpenProcess, INVALID_HANDLE_VALUE from
  // CreateFileW and CreateToolhelp32Snapshot); neither value is ever closed.
  static bool IsValid(HANDLE handle) { return handle != nullptr && handle != INVALID_HANDLE_VALUE; }
  static void Close(HANDLE handle) { platform::CloseHandle(handle); }
};

struct LibraryTraits {
  using Value = HMODULE;
  static bool IsValid(HMODULE module) { return module != nullptr; }
  static void Close(HMODULE module) { platform::FreeLibrary(module); }
};

using UniqueHandle = UniqueResource<KernelHandleTraits>;
using UniqueLibrary = UniqueResource<LibraryTraits>;

}  // namespace procsweep
