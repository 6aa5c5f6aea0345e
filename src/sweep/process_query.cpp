#include "sweep/process_query.h"

namespace procsweep {

PathResult QueryImagePath(HANDLE process) {
  std::wstring imagePath(kImagePathCapacity, L'\0');
  DWORD size = kImagePathCapacity;
  if (!platform::QueryFullProcessImageNameW(process, 0, imagePath.data(), &size)) {
    return PathResult{std::wstring(), platform::GetLastError()};
  }
  imagePath.resize(size < kImagePathCapacity ? size : kImagePathCapacity);
  return PathResult{std::move(imagePath), ERROR_SUCCESS};
}

bool HasExited(HANDLE process) {
  DWORD exitCode = STILL_ACTIVE;
  return platform::GetExitCodeProcess(process, &exitCode) && exitCode != STILL_ACTIVE;
}

}  // namespace procsweep
