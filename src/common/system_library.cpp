#include "common/system_library.h"

#include <string>

namespace procsweep {

DWORD LastErrorOr(DWORD fallback) {
  const DWORD error = platform::GetLastError();
  return error != ERROR_SUCCESS ? error : fallback;
}

LoadedLibrary LoadSystemLibrary(const wchar_t* fileName) {
  HMODULE library = platform::LoadLibraryExW(fileName, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
  if (library != nullptr) return LoadedLibrary{UniqueLibrary(library), ERROR_SUCCESS};
  const DWORD error = LastErrorOr(ERROR_MOD_NOT_FOUND);
  if (error != ERROR_INVALID_PARAMETER) return LoadedLibrary{UniqueLibrary(), error};

  // Windows 7 without KB2533623 knows no LOAD_LIBRARY_SEARCH_ flags and refuses them as an
  // invalid parameter. The full path names the same file; with LOAD_WITH_ALTERED_SEARCH_PATH
  // the library's own dependencies are looked for beside it, in the system directory, too.
  wchar_t directory[MAX_PATH] = {};
  const UINT length = platform::GetSystemDirectoryW(directory, MAX_PATH);
  if (length == 0) return LoadedLibrary{UniqueLibrary(), LastErrorOr(ERROR_MOD_NOT_FOUND)};
  if (length >= MAX_PATH) return LoadedLibrary{UniqueLibrary(), ERROR_INSUFFICIENT_BUFFER};
  std::wstring path(directory, length);
  if (path.back() != L'\\') path += L'\\';
  path += fileName;
  library = platform::LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
  if (library == nullptr) return LoadedLibrary{UniqueLibrary(), LastErrorOr(ERROR_MOD_NOT_FOUND)};
  return LoadedLibrary{UniqueLibrary(library), ERROR_SUCCESS};
}

}  // namespace procsweep
