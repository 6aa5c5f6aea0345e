// Final paths: the path the file system reports for an open file or directory, with links,
// junctions and short names resolved and every component in its stored letter case.
#pragma once

#include <string>

#include "platform/windows_api.h"

namespace procsweep {

inline constexpr DWORD kPathBufferCapacity = 32768;

// A path, or an empty path and the Win32 error of the call that failed.
struct PathResult {
  std::wstring path;
  DWORD error = ERROR_SUCCESS;
};

// The final path in prefixed form ("\\?\C:\..." or "\\?\UNC\server\share\..."). On failure the
// path is empty, and the error is also left as the thread's last error.
PathResult ResolveFinalPath(const std::wstring& path);

// The plain form of a prefixed path, as the Restart Manager takes it: "\\?\UNC\" becomes "\\",
// "\\?\" is removed, anything else is returned unchanged. The prefixes are case-sensitive.
std::wstring ToPlainPath(const std::wstring& path);

}  // namespace procsweep
