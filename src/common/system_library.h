// Libraries the tool loads at run time, only ever from the system directory.
#pragma once

#include "common/unique_handle.h"

namespace procsweep {

struct LoadedLibrary {
  UniqueLibrary library;
  DWORD error = ERROR_SUCCESS;  // never ERROR_SUCCESS when `library` is empty
};

// Loads `fileName` (a bare file name such as L"rstrtmgr.dll") from the system directory, never
// from the tool's own folder or the current one: installers run the tool from Downloads and
// TEMP folders, where anyone may have planted a DLL beside it.
LoadedLibrary LoadSystemLibrary(const wchar_t* fileName);

// The thread's last error after a failed load or lookup, or `fallback` when the system left
// none: such a failure must never read as success.
DWORD LastErrorOr(DWORD fallback);

// The function `name` of `library` as a pointer of type Function, or nullptr with the error
// left as the thread's last error.
template <typename Function>
Function FindFunction(HMODULE library, const char* name) {
  return reinterpret_cast<Function>(reinterpret_cast<void*>(platform::GetProcAddress(library, name)));
}

}  // namespace procsweep
