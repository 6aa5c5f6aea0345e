#include "sweep/close_request.h"

#include <utility>

#include "common/system_library.h"

namespace procsweep {
namespace {

DWORD FindWindowFunctions(HMODULE library, WindowFunctions& functions) {
  functions.enumWindows = FindFunction<decltype(functions.enumWindows)>(library, "EnumWindows");
  functions.getWindowThreadProcessId = FindFunction<decltype(functions.getWindowThreadProcessId)>(
      library, "GetWindowThreadProcessId");
  functions.getWindow = FindFunction<decltype(functions.getWindow)>(library, "GetWindow");
  functions.isWindowVisible =
      FindFunction<decltype(functions.isWindowVisible)>(library, "IsWindowVisible");
  functions.postMessage = FindFunction<decltype(functions.postMessage)>(library, "PostMessageW");
  if (functions.enumWindows != nullptr && functions.getWindowThreadProcessId != nullptr &&
      functions.getWindow != nullptr && functions.isWindowVisible != nullptr &&
      functions.postMessage != nullptr) {
    return ERROR_SUCCESS;
  }
  return LastErrorOr(ERROR_PROC_NOT_FOUND);
}

void LoadWindowLibrary(WindowLibrary& user32) {
  user32.attempted = true;
  LoadedLibrary loaded = LoadSystemLibrary(L"user32.dll");
  if (!loaded.library) {
    user32.error = loaded.error;
    return;
  }
  user32.error = FindWindowFunctions(loaded.library.get(), user32.functions);
  if (user32.error == ERROR_SUCCESS) user32.library = std::move(loaded.library);
}

}  // namespace

BOOL CALLBACK PostCloseToProcessWindows(HWND window, LPARAM request) {
  const CloseRequest& close = *reinterpret_cast<const CloseRequest*>(request);
  const WindowFunctions& user32 = *close.functions;
  DWORD windowProcessId = 0;
  user32.getWindowThreadProcessId(window, &windowProcessId);
  // Owned windows (dialogs, tool windows) close with their owner; invisible ones are not
  // what a user would close.
  if (windowProcessId == close.pid && user32.getWindow(window, GW_OWNER) == nullptr &&
      user32.isWindowVisible(window)) {
    user32.postMessage(window, WM_CLOSE, 0, 0);
  }
  return TRUE;
}

DWORD RequestClose(WindowLibrary& user32, DWORD pid) {
  if (!user32.attempted) LoadWindowLibrary(user32);
  if (!user32.library) return user32.error;
  const CloseRequest request{&user32.functions, pid};
  user32.functions.enumWindows(PostCloseToProcessWindows, reinterpret_cast<LPARAM>(&request));
  return ERROR_SUCCESS;
}

}  // namespace procsweep
