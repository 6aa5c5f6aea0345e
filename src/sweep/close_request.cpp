#include "sweep/close_request.h"

namespace procsweep {

BOOL CALLBACK PostCloseToProcessWindows(HWND window, LPARAM processId) {
  DWORD windowProcessId = 0;
  platform::GetWindowThreadProcessId(window, &windowProcessId);
  // Owned windows (dialogs, tool windows) close with their owner; invisible ones are not
  // what a user would close.
  if (windowProcessId == static_cast<DWORD>(processId) &&
      platform::GetWindow(window, GW_OWNER) == nullptr && platform::IsWindowVisible(window)) {
    platform::PostMessageW(window, WM_CLOSE, 0, 0);
  }
  return TRUE;
}

void RequestClose(DWORD pid) {
  platform::EnumWindows(PostCloseToProcessWindows, static_cast<LPARAM>(pid));
}

}  // namespace procsweep
