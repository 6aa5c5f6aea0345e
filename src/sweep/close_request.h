// Asking a process of the main executable to close, the way a user would.
#pragma once

#include "platform/windows_api.h"

namespace procsweep {

// The EnumWindows callback: posts WM_CLOSE to a visible, unowned top-level window of the process
// whose id is `processId`. Always goes on with the enumeration.
BOOL CALLBACK PostCloseToProcessWindows(HWND window, LPARAM processId);

// Posts WM_CLOSE to every visible unowned top-level window of the process; waits for nothing.
void RequestClose(DWORD pid);

}  // namespace procsweep
