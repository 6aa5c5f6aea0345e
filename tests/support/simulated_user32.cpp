// The simulated USER32: the five window functions a close request uses, reached the way the
// tool reaches the real ones (simulated_libraries.cpp loads the library).
#include "support/simulated_windows.h"

namespace sim {
namespace {

Window* FindWindowRecord(HWND window) {
  for (Window& candidate : TheWorld().windows) {
    if (candidate.hwnd == window) return &candidate;
  }
  return nullptr;
}

BOOL WINAPI EnumWindows(WNDENUMPROC enumFunc, LPARAM lParam) {
  Enter("EnumWindows");
  const size_t count = TheWorld().windows.size();
  for (size_t i = 0; i < count; ++i) {
    if (!enumFunc(TheWorld().windows[i].hwnd, lParam)) break;
  }
  Succeed();
  return TRUE;
}

DWORD WINAPI GetWindowThreadProcessId(HWND window, LPDWORD processId) {
  Enter("GetWindowThreadProcessId");
  Window* record = FindWindowRecord(window);
  if (record == nullptr) {
    Fail(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  if (processId != nullptr) *processId = record->pid;
  Succeed();
  return 0x100 + record->pid;
}

HWND WINAPI GetWindow(HWND window, UINT command) {
  Enter("GetWindow");
  Window* record = FindWindowRecord(window);
  if (record == nullptr || command != GW_OWNER) {
    Fail(ERROR_INVALID_WINDOW_HANDLE);
    return nullptr;
  }
  Succeed();
  return record->owner;
}

BOOL WINAPI IsWindowVisible(HWND window) {
  Enter("IsWindowVisible");
  Window* record = FindWindowRecord(window);
  return record != nullptr && record->visible;
}

BOOL WINAPI PostMessageW(HWND window, UINT message, WPARAM, LPARAM) {
  Enter("PostMessageW");
  Window* record = FindWindowRecord(window);
  if (record == nullptr || record->postError != 0) {
    Fail(record == nullptr ? ERROR_INVALID_WINDOW_HANDLE : record->postError);
    return FALSE;
  }
  record->posted.push_back(message);
  Succeed();
  return TRUE;
}

}  // namespace

FARPROC User32Function(const std::string& name) {
  void* function = name == "EnumWindows" ? reinterpret_cast<void*>(&EnumWindows)
                   : name == "GetWindowThreadProcessId"
                       ? reinterpret_cast<void*>(&GetWindowThreadProcessId)
                   : name == "GetWindow"       ? reinterpret_cast<void*>(&GetWindow)
                   : name == "IsWindowVisible" ? reinterpret_cast<void*>(&IsWindowVisible)
                   : name == "PostMessageW"    ? reinterpret_cast<void*>(&PostMessageW)
                                               : nullptr;
  if (function == nullptr || TheWorld().libraries.user32.missingFunction == name) return nullptr;
  return reinterpret_cast<FARPROC>(function);
}

}  // namespace sim
