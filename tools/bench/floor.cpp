// The floor of the benchmarks (make bench): the least that any tool looking for running
// executables by name has to do. It takes one process snapshot and walks it, comparing each
// entry's name, ordinally and ignoring case, with every name on its command line, and does
// nothing else: no process is opened. Exit code 0 when no name matched, 1 otherwise.
// Built a second time as bench_floor_user32.exe, which also imports USER32 as procsweep.exe
// does for its close requests, to show what loading that library costs by itself.
#include <windows.h>
#include <tlhelp32.h>

int wmain(int argc, wchar_t** argv) {
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return 2;
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof(entry);
  bool matched = false;
  for (BOOL more = Process32FirstW(snapshot, &entry); more;
       more = Process32NextW(snapshot, &entry)) {
    for (int i = 1; i < argc; ++i) {
      if (CompareStringOrdinal(entry.szExeFile, -1, argv[i], -1, TRUE) == CSTR_EQUAL) {
        matched = true;
      }
    }
  }
  CloseHandle(snapshot);
#if defined(BENCH_FLOOR_IMPORTS_USER32)
  if (argc < 0) IsWindowVisible(nullptr);
#endif
  return matched ? 1 : 0;
}
