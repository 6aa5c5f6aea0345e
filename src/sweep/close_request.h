// Asking a process of the main executable to close, the way a user would.
#pragma once

#include "common/unique_handle.h"

namespace procsweep {

// The five USER32 functions a close request needs. USER32 is loaded only when a close request
// is made: a program that imports it pays for its start-up (about 25 ms under Wine) on every
// run, and "probe" must cost no more than a walk over the process list.
struct WindowFunctions {
  BOOL(WINAPI* enumWindows)(WNDENUMPROC, LPARAM) = nullptr;
  DWORD(WINAPI* getWindowThreadProcessId)(HWND, LPDWORD) = nullptr;
  HWND(WINAPI* getWindow)(HWND, UINT) = nullptr;
  BOOL(WINAPI* isWindowVisible)(HWND) = nullptr;
  BOOL(WINAPI* postMessage)(HWND, UINT, WPARAM, LPARAM) = nullptr;
};

// USER32 for the close requests of one sweep pass: loaded at the first request, kept until
// the pass ends.
struct WindowLibrary {
  bool attempted = false;
  UniqueLibrary library;
  WindowFunctions functions;
  DWORD error = ERROR_SUCCESS;  // why USER32 or one of its functions could not be had
};

// What the EnumWindows callback gets as its LPARAM.
struct CloseRequest {
  const WindowFunctions* functions;
  DWORD pid;
};

// The EnumWindows callback; `request` points to a CloseRequest. Posts WM_CLOSE to a visible,
// unowned top-level window of the request's process. Always goes on with the enumeration.
BOOL CALLBACK PostCloseToProcessWindows(HWND window, LPARAM request);

// Posts WM_CLOSE to every visible unowned top-level window of the process; waits for nothing.
// Returns ERROR_SUCCESS, or the error that kept USER32 from being loaded (nothing was posted).
DWORD RequestClose(WindowLibrary& user32, DWORD pid);

}  // namespace procsweep
