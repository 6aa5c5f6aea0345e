// The simulated USER32: top-level windows and the five functions a close request uses, reached
// the way the tool reaches the real ones (simulated_loader.cpp loads the library).
#include "support/simulated_internals.h"

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
  if (record == nullptr || record->postMessageError != 0) {
    Fail(record == nullptr ? ERROR_INVALID_WINDOW_HANDLE : record->postMessageError);
    return FALSE;
  }
  record->posted.push_back(message);
  Succeed();
  return TRUE;
}

}  // namespace

Window& AddWindow(DWORD pid, bool visible, HWND owner) {
  World& world = TheWorld();
  Window window;
  window.hwnd = reinterpret_cast<HWND>(static_cast<uintptr_t>(0x9000 + 0x10 * world.windows.size()));
  window.pid = pid;
  window.visible = visible;
  window.owner = owner;
  world.windows.push_back(window);
  return world.windows.back();
}

FARPROC User32Export(const std::string& name) {
  void* function = name == "EnumWindows" ? reinterpret_cast<void*>(&EnumWindows)
                   : name == "GetWindowThreadProcessId"
                       ? reinterpret_cast<void*>(&GetWindowThreadProcessId)
                   : name == "GetWindow"       ? reinterpret_cast<void*>(&GetWindow)
                   : name == "IsWindowVisible" ? reinterpret_cast<void*>(&IsWindowVisible)
                   : name == "PostMessageW"    ? reinterpret_cast<void*>(&PostMessageW)
                                               : nullptr;
  return reinterpret_cast<FARPROC>(function);
}

}  // namespace sim
