// The Windows side of the benchmarks (make bench, tools/bench). Run under Wine, or on
// Windows, it starts and times programs from inside the system, so that the figures leave out
// how a Linux process becomes a Wine one.
//
//   bench_runner wait <semaphore>
//       Releases the named semaphore once and then waits until it is ended: the stand-in for
//       other processes and for the installation's running helpers (copied to their names).
//   bench_runner spawn <semaphore> <exe> <count> [<exe> <count> ...]
//       Starts <count> copies of "<exe> wait <semaphore>" for each pair, waits until every one
//       has released the semaphore, and exits; the copies keep running.
//   bench_runner time <iterations> <command line> [<command line> ...]
//       Runs the command lines one after the other, <iterations> rounds (each round starting
//       with the next command, so that no command always runs first), with standard output and
//       error on NUL, and prints one line per run: "<command index> <milliseconds> <exit code>".
//   bench_runner memory <command line>
//       Runs the command line once, with standard output and error on NUL, asking the system
//       for the process's peak working set all the while, and prints the highest answer in
//       KiB and the exit code: "<KiB> <exit code>".
#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <cwchar>
#include <cstdlib>

namespace {

constexpr DWORD kReadyTimeoutMs = 120000;
constexpr int kStartAttempts = 10;
constexpr DWORD kStartRetryMs = 500;

int Wait(const wchar_t* semaphoreName) {
  HANDLE semaphore = OpenSemaphoreW(SEMAPHORE_MODIFY_STATE, FALSE, semaphoreName);
  if (semaphore == nullptr) return 2;
  ReleaseSemaphore(semaphore, 1, nullptr);
  CloseHandle(semaphore);
  Sleep(INFINITE);
  return 0;
}

bool Start(wchar_t* commandLine, HANDLE output, PROCESS_INFORMATION& process) {
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = nullptr;
  startup.hStdOutput = output;
  startup.hStdError = output;
  return CreateProcessW(nullptr, commandLine, nullptr, nullptr, output != nullptr,
                        output != nullptr ? 0 : DETACHED_PROCESS, nullptr, nullptr, &startup,
                        &process) != FALSE;
}

int Spawn(int argc, wchar_t** argv) {
  const wchar_t* semaphoreName = argv[2];
  HANDLE semaphore = CreateSemaphoreW(nullptr, 0, 1 << 20, semaphoreName);
  if (semaphore == nullptr) return 2;
  long started = 0;
  for (int i = 3; i + 1 < argc; i += 2) {
    const long count = std::wcstol(argv[i + 1], nullptr, 10);
    for (long n = 0; n < count; ++n) {
      wchar_t commandLine[1024];
      std::swprintf(commandLine, 1024, L"\"%ls\" wait %ls", argv[i], semaphoreName);
      PROCESS_INFORMATION process{};
      // Wine now and then refuses a start while it is still bringing up its services
      // (ERROR_INTERNAL_ERROR); a later attempt succeeds.
      int attempts = 0;
      while (!Start(commandLine, nullptr, process)) {
        if (++attempts == kStartAttempts) {
          std::fwprintf(stderr, L"cannot start %ls: %lu\n", argv[i], GetLastError());
          return 2;
        }
        Sleep(kStartRetryMs);
      }
      CloseHandle(process.hThread);
      CloseHandle(process.hProcess);
      ++started;
    }
  }
  for (long n = 0; n < started; ++n) {
    if (WaitForSingleObject(semaphore, kReadyTimeoutMs) != WAIT_OBJECT_0) {
      std::fwprintf(stderr, L"only %ld of %ld started\n", n, started);
      return 2;
    }
  }
  CloseHandle(semaphore);
  std::wprintf(L"spawned %ld\n", started);
  return 0;
}

int Time(int argc, wchar_t** argv) {
  const long iterations = std::wcstol(argv[2], nullptr, 10);
  const int commands = argc - 3;
  SECURITY_ATTRIBUTES inheritable{sizeof(inheritable), nullptr, TRUE};
  HANDLE nul = CreateFileW(L"NUL", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                           &inheritable, OPEN_EXISTING, 0, nullptr);
  if (nul == INVALID_HANDLE_VALUE) return 2;
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  for (long round = 0; round < iterations; ++round) {
    for (int k = 0; k < commands; ++k) {
      const int index = static_cast<int>((round + k) % commands);
      wchar_t commandLine[8192];
      std::wcsncpy(commandLine, argv[3 + index], 8191);
      commandLine[8191] = L'\0';
      LARGE_INTEGER begin;
      LARGE_INTEGER end;
      QueryPerformanceCounter(&begin);
      PROCESS_INFORMATION process{};
      if (!Start(commandLine, nul, process)) {
        std::fwprintf(stderr, L"cannot start %ls: %lu\n", argv[3 + index], GetLastError());
        return 2;
      }
      WaitForSingleObject(process.hProcess, INFINITE);
      QueryPerformanceCounter(&end);
      DWORD exitCode = 0;
      GetExitCodeProcess(process.hProcess, &exitCode);
      CloseHandle(process.hThread);
      CloseHandle(process.hProcess);
      const double ms = 1000.0 * static_cast<double>(end.QuadPart - begin.QuadPart) /
                        static_cast<double>(frequency.QuadPart);
      std::wprintf(L"%d %.3f %lu\n", index, ms, exitCode);
      std::fflush(stdout);
    }
  }
  CloseHandle(nul);
  return 0;
}

int Memory(const wchar_t* command) {
  SECURITY_ATTRIBUTES inheritable{sizeof(inheritable), nullptr, TRUE};
  HANDLE nul = CreateFileW(L"NUL", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                           &inheritable, OPEN_EXISTING, 0, nullptr);
  if (nul == INVALID_HANDLE_VALUE) return 2;
  wchar_t commandLine[8192];
  std::wcsncpy(commandLine, command, 8191);
  commandLine[8191] = L'\0';
  PROCESS_INFORMATION process{};
  if (!Start(commandLine, nul, process)) {
    std::fwprintf(stderr, L"cannot start %ls: %lu\n", command, GetLastError());
    return 2;
  }
  // The counters can only be read while the process runs; its last moments may be missed,
  // which the high-water mark, taken early by a short program's loading, hardly notices.
  SIZE_T peak = 0;
  do {
    PROCESS_MEMORY_COUNTERS counters{};
    if (K32GetProcessMemoryInfo(process.hProcess, &counters, sizeof(counters)) &&
        counters.PeakWorkingSetSize > peak) {
      peak = counters.PeakWorkingSetSize;
    }
  } while (WaitForSingleObject(process.hProcess, 0) == WAIT_TIMEOUT);
  DWORD exitCode = 0;
  GetExitCodeProcess(process.hProcess, &exitCode);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  CloseHandle(nul);
  if (peak == 0) {
    std::fwprintf(stderr, L"no memory reading of %ls\n", command);
    return 2;
  }
  std::wprintf(L"%llu %lu\n", static_cast<unsigned long long>(peak / 1024), exitCode);
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc == 3 && std::wcscmp(argv[1], L"wait") == 0) return Wait(argv[2]);
  if (argc >= 5 && argc % 2 == 1 && std::wcscmp(argv[1], L"spawn") == 0) return Spawn(argc, argv);
  if (argc >= 4 && std::wcscmp(argv[1], L"time") == 0) return Time(argc, argv);
  if (argc == 3 && std::wcscmp(argv[1], L"memory") == 0) return Memory(argv[2]);
  std::fwprintf(stderr, L"usage: bench_runner wait|spawn|time|memory ...\n");
  return 2;
}
