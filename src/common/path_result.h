// A path handed back by a system query, or the reason there is none. Every layer that asks the
// system for a path (final paths, process images) answers with one.
#pragma once

#include <string>

#include "platform/windows_api.h"

namespace procsweep {

// UTF-16 code units in every path buffer the tool hands to the system: the longest path Windows
// knows (32,767 units) and its terminating NUL.
inline constexpr DWORD kPathBufferCapacity = 32768;

// The prefixes of the two prefixed forms, "\\?\" and "\\?\UNC\", and their lengths.
inline constexpr wchar_t kPrefix[] = L"\\\\?\\";
inline constexpr wchar_t kUncPrefix[] = L"\\\\?\\UNC\\";
inline constexpr size_t kPrefixLength = 4;
inline constexpr size_t kUncPrefixLength = 8;

struct PathResult {
  std::wstring path;               // empty on failure
  DWORD error = ERROR_SUCCESS;     // the Win32 error of the call that failed
  // The path, or a folder on its way, does not exist: the open itself failed with
  // ERROR_FILE_NOT_FOUND or ERROR_PATH_NOT_FOUND. The same codes from any later call mean
  // something else (a volume without a drive letter, say) and leave this false.
  bool missing = false;
};

}  // namespace procsweep
