#include "common/unique_handle.h"

namespace procsweep {

void UniqueHandle::reset(HANDLE handle) {
  HANDLE old = handle_;
  handle_ = handle;
  if (IsValid(old)) {
    const DWORD savedError = platform::GetLastError();
    platform::CloseHandle(old);
    platform::SetLastError(savedError);
  }
}

}  // namespace procsweep
