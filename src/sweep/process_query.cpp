#include "sweep/process_query.h"

namespace procsweep {

PathResult QueryImagePath(HANDLE process) {
  std::wstring imagePath(kPathBufferCapacity, L'\0');
  DWORD size = kPathBufferCapacity;
  if (!platform::QueryFullProcessImageNameW(process, 0, imagePath.data(), &size)) {
    return PathResult{std::wstring(), platform::GetLastError()};
  }
  imagePath.resize(size < kPathBufferCapacity ? size : kPathBufferCapacity);
  return PathResult{std::move(imagePath), ERROR_SUCCESS};
}

bool HasExited(HANDLE process) {
  DWORD exitCode = STILL_ACTIVE;
  return platform::GetExitCodeProcess(process, &exitCode) && exitCode != STILL_ACTIVE;
}

}  // namespace procsweep
