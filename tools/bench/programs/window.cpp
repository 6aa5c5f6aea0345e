// The main executable of the benchmarks' installation (make bench, tools/bench) while
// `close` is measured. Started by bench_runner's spawn mode as "<exe> wait <semaphore>", it
// shows one visible, unowned top-level window, releases the named semaphore once and runs its
// message loop until it is ended. It answers WM_CLOSE as an application that first asks its
// user about unsaved work does: it stays. So every `close` run finds the same window, posts
// to it, and the next run has the same process to look at.
#include <windows.h>

namespace {

LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_CLOSE) return 0;
  return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 3) return 2;
  HINSTANCE instance = GetModuleHandleW(nullptr);
  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = WindowProcedure;
  windowClass.hInstance = instance;
  windowClass.lpszClassName = L"ProcsweepBenchWindow";
  if (RegisterClassW(&windowClass) == 0) return 2;
  HWND window = CreateWindowExW(0, windowClass.lpszClassName, L"procsweep bench",
                                WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT, 320, 200,
                                nullptr, nullptr, instance, nullptr);
  if (window == nullptr) return 2;
  ShowWindow(window, SW_SHOW);

  HANDLE semaphore = OpenSemaphoreW(SEMAPHORE_MODIFY_STATE, FALSE, argv[2]);
  if (semaphore == nullptr) return 2;
  ReleaseSemaphore(semaphore, 1, nullptr);
  CloseHandle(semaphore);

  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return 0;
}
