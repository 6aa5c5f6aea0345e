// Final paths: the path the file system reports for an open file or directory, with links,
// junctions and short names resolved and every component in its stored letter case.
#pragma once

#include <string>

#include "common/path_result.h"

namespace procsweep {

// The final path in prefixed form ("\\?\C:\..." or "\\?\UNC\server\share\..."). On failure the
// path is empty, and the error is also left as the thread's last error. "\\?\" and "\??\" paths
// are opened exactly as given; the other device forms ("\\.\", "//?/", "\\?/" and every other
// mix of the two separators) and plain paths of MAX_PATH characters or more are made full and
// opened behind "\\?\", so that no length limit applies.
PathResult ResolveFinalPath(const std::wstring& path);

// The same for a directory: anything else there (a file, such as an executable's path given for
// its folder) is refused with ERROR_DIRECTORY.
PathResult ResolveDirectoryFinalPath(const std::wstring& path);

// The plain form of a prefixed path, as the Restart Manager takes it: "\\?\UNC\" becomes "\\",
// "\\?\" is removed, anything else is returned unchanged. The prefixes are case-sensitive.
std::wstring ToPlainPath(const std::wstring& path);

}  // namespace procsweep
