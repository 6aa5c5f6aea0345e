// The floors of the benchmarks (make bench): the least that any tool looking for running
// executables has to do.
//
//   bench_floor <name> ...
//       Takes one process snapshot and walks it, comparing each entry's name, ordinally and
//       ignoring case, with every name on its command line, and does nothing else: no process
//       is opened. The floor of a look that finds nothing of the installation running.
//   bench_floor --resolve <name> ...
//       The same walk, and for every namesake the least that tells whose it is: the process
//       opened with PROCESS_QUERY_LIMITED_INFORMATION, its image path read, and that path
//       resolved to its final path (opened for its attributes, then asked for its final
//       name). The floor of a look that finds the installation's processes running.
//
// Exit code 0 when no name matched, 1 otherwise, 2 when the snapshot or a namesake's path
// could not be had.
#include <windows.h>
#include <tlhelp32.h>

#include <cwchar>

namespace {

constexpr DWORD kPathCapacity = 32768;
wchar_t imagePath[kPathCapacity];
wchar_t finalPath[kPathCapacity];

bool ResolveImage(DWORD pid) {
  HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
  if (process == nullptr) return false;
  DWORD size = kPathCapacity;
  const BOOL read = QueryFullProcessImageNameW(process, 0, imagePath, &size);
  CloseHandle(process);
  if (!read) return false;
  HANDLE file = CreateFileW(imagePath, FILE_READ_ATTRIBUTES,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  const DWORD length = GetFinalPathNameByHandleW(file, finalPath, kPathCapacity,
                                                 FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
  CloseHandle(file);
  return length != 0 && length < kPathCapacity;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const bool resolve = argc > 1 && std::wcscmp(argv[1], L"--resolve") == 0;
  const int firstName = resolve ? 2 : 1;
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return 2;
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof(entry);
  bool matched = false;
  bool failed = false;
  for (BOOL more = Process32FirstW(snapshot, &entry); more;
       more = Process32NextW(snapshot, &entry)) {
    for (int i = firstName; i < argc; ++i) {
      if (CompareStringOrdinal(entry.szExeFile, -1, argv[i], -1, TRUE) == CSTR_EQUAL) {
        matched = true;
        if (resolve && !ResolveImage(entry.th32ProcessID)) failed = true;
      }
    }
  }
  CloseHandle(snapshot);
  if (failed) return 2;
  return matched ? 1 : 0;
}
