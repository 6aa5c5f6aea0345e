// A simulated Windows behind the seam, scripted by the unit tests: files with attributes and final
// paths, processes, top-level windows, a clock, the Restart Manager, and failures of any call.
// It keeps Windows' own rules where the tool depends on them, so that a test sees what the tool
// would bring about on Windows rather than which arguments it passed:
// - the last error means something only right after a failed call (a successful call leaves a
//   stale value behind), and handles must be closed exactly once;
// - CreateFileW honours the creation disposition and checks the share mode against every other
//   open of the file (the tool's own, other programs', a running process's image); WriteFile
//   appends through an append-only handle and writes at the file pointer otherwise;
// - a plain path of MAX_PATH characters or more does not open (long paths are not enabled), nor
//   does a "\\.\", "//?/" or "//./" form of that length: only "\\?\" and "\??\" pass the rest
//   over untouched; "X:" alone names drive X's current folder, not its root;
// - a console shows WriteFile's bytes in its own (OEM) code page, and refuses a WriteConsoleW
//   larger than its heap;
// - GetFinalPathNameByHandleW answers in the form its flags ask for, and a handle opened with
//   FILE_FLAG_OPEN_REPARSE_POINT reaches the link, not its target;
// - a pid belongs to its process until the process has ended and every handle to it is closed:
//   only then can another process get it (a test that tries earlier fails), and a process
//   handle always reaches the process it was opened on;
// - a process that ends by itself has a real exit code, and OpenProcess grants no more than the
//   process allows;
// - the loader searches where Windows would: a library loaded without search flags, and
//   whatever a loaded library loads by itself, through the process's default search order,
//   which begins with the tool's own folder until SetDefaultDllDirectories restricts it.
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
// A console write shares a heap of 64 KiB with the console's other calls: one larger than this
// fails as a whole with ERROR_NOT_ENOUGH_MEMORY.
inline constexpr DWORD kConsoleWriteLimit = 16383;

// An open of a file by another program: it takes part in every share-mode check.
struct OtherOpen {
  DWORD access = 0;  // specific rights (FILE_READ_DATA, FILE_APPEND_DATA, DELETE, ...)
  DWORD share = 0;
};

struct File {
  std::wstring path;        // as added, in its stored letter case
  std::wstring finalPath;   // normalized, with a drive letter; another path makes it a link
  DWORD attributes = FILE_ATTRIBUTE_NORMAL;
  DWORD attributesError = 0;  // GetFileAttributesW fails with it
  DWORD openError = 0;        // CreateFileW fails with it
  DWORD finalPathError = 0;   // GetFinalPathNameByHandleW fails with it
  std::string content;
  std::vector<OtherOpen> openedByOthers;
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
  DWORD exitCode = 0;            // when it ends by itself; STILL_ACTIVE only if a test asks
  bool exited = false;
  ULONGLONG endsAt = kNever;     // on the simulated clock
  DWORD allowedAccess = PROCESS_ALL_ACCESS;  // OpenProcess asking for more fails with 5
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
};

struct Window {
  HWND hwnd = nullptr;
  DWORD pid = 0;
  HWND owner = nullptr;
  bool visible = true;
  // PostMessageW fails with it: UIPI refuses messages into a process of higher integrity.
  DWORD postError = 0;
  std::vector<UINT> posted;  // the messages queued
};

// A process that holds a file open, as the Restart Manager sees it.
struct Holder {
  RM_PROCESS_INFO info{};  // pid, start time and application name
  std::wstring file;       // a plain path
};

// The Restart Manager answers per registered file: a session lists each process that holds one
// of its files, once. A registered path is taken as a plain path (relative to the current
// directory, repeated backslashes cleaned up); one in "\\?\" form names no file it knows.
struct RestartManager {
  DWORD loadError = 0;             // loading rstrtmgr.dll fails with it
  std::string missingFunction;     // GetProcAddress fails for this name
  DWORD startError = 0;
  DWORD registerError = 0;
  std::deque<DWORD> listErrors;    // one per RmGetList call, taken in order, 0 = answer
  std::vector<Holder> holders;
  int holdersAddedPerCall = 0;     // new holders of a registered file turn up at every call
  DWORD endError = 0;
  // What happened.
  int sessionsStarted = 0;
  int sessionsEnded = 0;
  int listCalls = 0;
  std::vector<std::vector<std::wstring>> registeredFiles;  // per session
  std::vector<bool> sessionOpen;                           // per session
};

// Faults of one system library the tool loads at run time.
struct Library {
  DWORD loadError = 0;             // LoadLibraryExW fails with it
  std::string missingFunction;     // GetProcAddress fails for this name
};

enum class LoadedFrom { System32, ToolsFolder };

// One library brought into the process, by the tool or by a library on its own.
struct LibraryLoad {
  std::wstring name;
  DWORD flags = 0;                 // LoadLibraryExW's; 0 for what a library loads by itself
  bool byTheTool = true;
  DWORD defaultDirectories = 0;    // the process's default search order then; 0: never set
  LoadedFrom from = LoadedFrom::System32;
};

// Installers run the tool from Downloads and TEMP folders, where anyone may have put a DLL
// beside it: whatever name is looked for in the tool's folder is found there, and its code runs.
// Known DLLs (kernel32, user32, ...) always come from System32. Each library the simulation
// offers also loads one library by itself (as process-attach code and delay-loaded imports do),
// through the process's default search order at the time it is loaded.
struct Libraries {
  std::wstring systemDirectory = L"C:\\Windows\\system32";
  std::wstring toolsFolder = L"C:\\Users\\User\\Downloads";
  // Windows 7 without KB2533623: no SetDefaultDllDirectories, and LoadLibraryExW refuses the
  // LOAD_LIBRARY_SEARCH_* flags with ERROR_INVALID_PARAMETER.
  bool lacksSearchFlags = false;
  DWORD defaultDirectories = 0;    // as SetDefaultDllDirectories last set it; 0: never
  std::vector<LibraryLoad> loads;
  std::map<HMODULE, int> loaded;   // loaded by the tool and not freed, per module
  Library user32;
};

enum class HandleKind { File, Snapshot, Process };

struct HandleEntry {
  HandleKind kind;
  File* file = nullptr;
  Process* process = nullptr;
  DWORD access = 0;                      // generic rights mapped to specific ones
  // Files
  DWORD share = 0;
  std::wstring openedAs;                 // the path as CreateFileW was given it
  bool reachesLink = false;              // opened with FILE_FLAG_OPEN_REPARSE_POINT on a link
  size_t filePointer = 0;
  // Snapshots
  std::vector<PROCESSENTRY32W> entries;  // a snapshot's picture
  size_t next = 0;
};

struct World {
  DWORD lastError = 0;
  std::map<std::string, int> calls;
  std::multimap<std::pair<std::string, int>, std::function<void()>> scheduled;

  // Standard output: a pipe or a file, whose bytes are kept as written, or a console, which
  // shows what is written to it (WriteFile's bytes read in its own code page).
  bool hasStandardOutput = true;
  std::string standardOutput;
  bool standardOutputIsConsole = false;
  std::wstring console;
  UINT consoleCodePage = 437;
  UINT ansiCodePage = 1252;
  bool comparisonFails = false;

  // Files
  std::wstring currentDirectory = L"C:\\Work";
  // The current folder of each other drive (by upper-case letter), as the process last had it
  // there; a drive without one has its root.
  std::map<wchar_t, std::wstring> driveCurrentDirectories;
  std::map<std::wstring, File> files;  // by normalized path
  std::map<std::wstring, std::wstring> shortNames;  // normalized short path -> long one
  bool longPathsEnabled = false;

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
// `shortPath` (such as C:\PROGRA~1) names the existing `longPath` and everything below it.
void AddShortName(const std::wstring& shortPath, const std::wstring& longPath);
// Another program keeps the file open with these (generic or specific) rights and share mode.
void OpenElsewhere(const std::wstring& path, DWORD access, DWORD share);

// Processes and windows. A pid can be given only when no process holds it (see PidIsFree).
bool PidIsFree(DWORD pid);
Process& AddProcess(DWORD pid, const std::wstring& imagePath);
Process& ProcessById(DWORD pid);  // the newest one with this pid
// The process ends by itself, with a real exit code (STILL_ACTIVE only when a test asks).
void EndOnItsOwn(Process& process, DWORD exitCode = 0);
Window& AddWindow(DWORD pid, bool visible = true, HWND owner = nullptr);

// A process holding `file`, as the Restart Manager reports it; its start time is that of the
// newest process with this pid, if any.
RM_PROCESS_INFO& AddHolder(DWORD pid, const std::wstring& appName, const std::wstring& file);

// The libraries from the tool's folder whose code ran, by name; empty when none.
std::vector<std::wstring> LibrariesRunFromTheToolsFolder();
// The exported functions of the simulated libraries, by name; null for any other name or one
// that a test made missing.
FARPROC RestartManagerFunction(const std::string& name);
FARPROC User32Function(const std::string& name);

size_t OpenHandleCount();
// What the tool left open or closed twice, one line each; empty when nothing.
std::vector<std::string> LeftOpen();
std::vector<std::string> StandardOutputLines();  // split at CR LF
std::vector<std::wstring> ConsoleLines();        // what the console shows, split at CR LF
// Bytes in a code page, as text.
std::wstring Decoded(UINT codePage, const std::string& bytes);

}  // namespace sim
