// A simulated Windows behind the seam, scripted by the unit tests: files with attributes and final
// paths, processes, top-level windows, a clock, the Restart Manager, and failures of any call.
// It keeps Windows' own rules where the tool depends on them: the last error means something
// only right after a failed call (a successful call leaves a stale value behind), handles must
// be closed exactly once, and a process handle keeps reaching its process after the pid has
// been given to another one.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/windows_api.h"

namespace sim {

// What a successful call leaves in the last error: reading it proves a read at the wrong time.
inline constexpr DWORD kStaleError = 0x0BADF00D;
inline constexpr ULONGLONG kNever = ~0ULL;

struct File {
  std::wstring path;        // as added, in its stored letter case
  std::wstring finalPath;   // what GetFinalPathNameByHandleW reports
  DWORD attributes = FILE_ATTRIBUTE_NORMAL;
  DWORD attributesError = 0;  // GetFileAttributesW fails with it
  DWORD openError = 0;        // CreateFileW fails with it
  DWORD finalPathError = 0;   // GetFinalPathNameByHandleW fails with it
  std::string content;        // WriteFile appends here
  int opens = 0;
  int writes = 0;
};

struct CreateFileCall {
  std::wstring path;
  DWORD access, share, disposition, flags;
};

enum class OnTerminate {
  EndsAtOnce,   // TerminateProcess succeeds and the process is signalled at once
  EndsLater,    // TerminateProcess succeeds; signalled after `endDelayMs`
  NeverEnds,    // TerminateProcess succeeds; never signalled
  Refuses,      // TerminateProcess fails with `terminateError`; see `endDelayMs` for "exiting"
};

struct Process {
  DWORD pid = 0;
  std::wstring exeName;    // the snapshot's entry name
  std::wstring imagePath;  // QueryFullProcessImageNameW
  ULONGLONG creationTime = 1;
  DWORD exitCode = STILL_ACTIVE;
  bool exited = false;
  bool gone = false;             // the pid no longer exists: OpenProcess fails with 87
  ULONGLONG endsAt = kNever;     // on the simulated clock
  DWORD openError = 0;           // OpenProcess for querying fails with it
  DWORD terminateOpenError = 0;  // OpenProcess with PROCESS_TERMINATE fails with it
  DWORD imageError = 0;          // QueryFullProcessImageNameW fails with it
  DWORD timesError = 0;          // GetProcessTimes fails with it
  DWORD exitCodeError = 0;       // GetExitCodeProcess fails with it
  DWORD waitError = 0;           // WaitForSingleObject returns WAIT_FAILED with it
  OnTerminate onTerminate = OnTerminate::EndsAtOnce;
  ULONGLONG endDelayMs = 0;
  DWORD terminateError = ERROR_ACCESS_DENIED;
  int terminateCalls = 0;
  UINT terminatedWith = 0;
};

struct Window {
  HWND hwnd = nullptr;
  DWORD pid = 0;
  HWND owner = nullptr;
  bool visible = true;
  std::vector<UINT> posted;
};

// A system DLL the tool loads at run time.
struct Library {
  DWORD loadError = 0;             // LoadLibraryExW fails with it
  std::string missingFunction;     // GetProcAddress fails for this name
  int loadedModules = 0;           // loaded and not freed
};

struct Libraries {
  std::wstring systemDirectory = L"C:\\Windows\\system32";
  // Windows 7 without KB2533623: no SetDefaultDllDirectories, and LoadLibraryExW refuses the
  // LOAD_LIBRARY_SEARCH_ flags with ERROR_INVALID_PARAMETER.
  bool lacksSearchFlags = false;
  std::vector<std::pair<std::wstring, DWORD>> loads;  // (file name as passed, flags)
  Library user32;
};

struct RestartManager {
  DWORD loadError = 0;             // LoadLibraryExW fails with it
  std::string missingFunction;     // GetProcAddress fails for this name
  DWORD startError = 0;
  DWORD registerError = 0;
  std::deque<DWORD> listErrors;    // one per RmGetList call, taken in order, 0 = answer
  std::vector<RM_PROCESS_INFO> holders;
  int holdersAddedPerCall = 0;     // the list keeps growing between calls
  DWORD endError = 0;
  // What happened.
  int sessionsStarted = 0;
  int sessionsEnded = 0;
  int listCalls = 0;
  std::vector<UINT> listBufferSizes;  // the record count passed to each RmGetList call
  std::vector<std::vector<std::wstring>> registeredFiles;  // per session
  std::vector<bool> sessionOpen;                           // per session
  std::vector<DWORD> loadFlags;
  std::vector<std::wstring> loadedNames;
  int loadedModules = 0;           // loaded and not freed
};

enum class HandleKind { File, Snapshot, Process };

struct HandleEntry {
  HandleKind kind;
  File* file = nullptr;
  Process* process = nullptr;
  DWORD access = 0;
  std::vector<PROCESSENTRY32W> entries;  // a snapshot's picture
  size_t next = 0;
};

struct World {
  DWORD lastError = 0;
  std::map<std::string, int> calls;
  std::multimap<std::pair<std::string, int>, std::function<void()>> scheduled;

  // Console
  bool hasStandardOutput = true;
  std::string standardOutput;
  UINT ansiCodePage = 1252;
  bool comparisonFails = false;
  std::vector<DWORD> dllDirectoryFlags;

  // Files
  std::wstring currentDirectory = L"C:\\Work";
  std::map<std::wstring, File> files;  // by normalized path
  std::vector<CreateFileCall> createFileCalls;

  // Processes and clock
  std::deque<Process> processes;  // stable addresses; later entries win for a reused pid
  DWORD snapshotError = 0;
  DWORD firstError = 0;
  std::map<int, DWORD> nextErrors;  // the n-th Process32NextW call (1-based) fails with it
  ULONGLONG now = 5'000'000;
  ULONGLONG tickStep = 0;           // each GetTickCount64 call advances the clock by this much
  std::vector<std::pair<DWORD, DWORD>> processOpens;  // (pid, access)
  DWORD ownPid = 7000;              // GetCurrentProcessId

  // Windows
  std::vector<Window> windows;

  RestartManager restartManager;
  Libraries libraries;

  // Handles
  std::map<HANDLE, HandleEntry> handles;
  uintptr_t nextHandle = 0x1000;
  int badCloses = 0;
};

World& TheWorld();
void Reset();

// Marks entry to a simulated call: counts it and runs what was scheduled for it.
void Enter(const char* function);
void Succeed();
void Fail(DWORD error);

// Runs `action` right before the `nth` (1-based) call of `function`.
void At(const std::string& function, int nth, std::function<void()> action);

// Files. Parent directories are added as needed. The final path defaults to the prefixed path.
File& AddFile(const std::wstring& path);
File& AddDirectory(const std::wstring& path);
File* FindFile(const std::wstring& path);
std::wstring NormalizedKey(const std::wstring& path);

// Processes and windows.
Process& AddProcess(DWORD pid, const std::wstring& imagePath);
Process& ProcessById(DWORD pid);  // the newest one with this pid
Window& AddWindow(DWORD pid, bool visible = true, HWND owner = nullptr);

// Holders reported by the Restart Manager.
void AddHolder(DWORD pid, const std::wstring& appName);

size_t OpenHandleCount();
std::vector<std::string> StandardOutputLines();  // split at CR LF

}  // namespace sim
