// A simulated Windows behind the seam, scripted by the unit tests: files with attributes and final
// paths, processes, top-level windows, a clock, the loader, the Restart Manager, and failures of
// any call. It keeps Windows' own rules where the tool depends on them, so that a test sees what
// the tool would bring about on Windows rather than which arguments it passed:
// - the last error means something only right after a failed call (a successful call leaves a
//   stale value behind); a test may have a library load or a function lookup fail with no error
//   left at all, which must never read as success;
// - every handle must be closed exactly once, by its own call: CloseHandle for a kernel handle
//   (file, snapshot, process), FreeLibrary once for each load of a module;
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
// - the loader searches where Windows would. A full path names one file, and a known DLL always
//   comes from System32. Any other library asked for by name is looked for in the folders its
//   LOAD_LIBRARY_SEARCH_* flags name (which LOAD_WITH_ALTERED_SEARCH_PATH may not join) or,
//   without them, through the process's default search order, which begins with the tool's own
//   folder until SetDefaultDllDirectories restricts it. A library's imports are looked for as
//   its own load asked: with the same flags, from the library's own folder first when it was
//   loaded by full path with LOAD_WITH_ALTERED_SEARCH_PATH, and through the default search
//   order otherwise. What a library loads by itself later always goes through the default
//   search order.
//
// The simulation is split as the seam is, one file a section:
//   simulated_world.cpp            the world, call counting, the last error, the handle table
//   simulated_console.cpp          standard output: a pipe, a file or a console
//   simulated_strings.cpp          code pages, string comparison, filling a caller's buffer
//   simulated_paths.cpp            path forms: plain, device and verbatim paths, short names
//   simulated_files.cpp            files and their opens, final paths, attributes, writes
//   simulated_processes.cpp        processes, the snapshot, termination, waits and the clock
//   simulated_loader.cpp           the libraries the tool loads at run time, where they come from
//   simulated_user32.cpp           top-level windows, reached through the loader
//   simulated_restart_manager.cpp  file holders and sessions, reached through the loader
//   simulated_internals.h          what these files share among themselves
// A fault is kept with the record its call works on and named after that call.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <optional>
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

// ---- Files and paths (simulated_paths.cpp, simulated_files.cpp) ----

// An open of a file by another program: it takes part in every share-mode check.
struct OtherOpen {
  DWORD access = 0;  // specific rights (FILE_READ_DATA, FILE_APPEND_DATA, DELETE, ...)
  DWORD share = 0;
};

struct File {
  std::wstring path;        // as added, in its stored letter case
  std::wstring finalPath;   // normalized, with a drive letter; another path makes it a link
  DWORD attributes = FILE_ATTRIBUTE_NORMAL;
  DWORD createFileError = 0;                // CreateFileW fails with it
  DWORD getFileAttributesError = 0;         // GetFileAttributesW fails with it
  DWORD getFinalPathNameByHandleError = 0;  // GetFinalPathNameByHandleW fails with it
  std::string content;
  std::vector<OtherOpen> openedByOthers;
};

// ---- Processes and the clock (simulated_processes.cpp) ----

enum class OnTerminate {
  EndsAtOnce,   // TerminateProcess succeeds and the process is signalled at once
  EndsLater,    // TerminateProcess succeeds; signalled after `endDelayMs`
  NeverEnds,    // TerminateProcess succeeds; never signalled
  Refuses,      // TerminateProcess fails with `terminateProcessError`; see `endDelayMs` for "exiting"
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
  DWORD openProcessError = 0;             // OpenProcess for querying fails with it
  DWORD openProcessToTerminateError = 0;  // OpenProcess with PROCESS_TERMINATE fails with it
  DWORD queryFullProcessImageNameError = 0;
  DWORD getProcessTimesError = 0;
  DWORD getExitCodeProcessError = 0;
  DWORD waitForSingleObjectError = 0;     // WaitForSingleObject returns WAIT_FAILED with it
  OnTerminate onTerminate = OnTerminate::EndsAtOnce;
  ULONGLONG endDelayMs = 0;
  DWORD terminateProcessError = ERROR_ACCESS_DENIED;
  int terminateCalls = 0;
};

// ---- The loader (simulated_loader.cpp) ----

// Faults of one system library the tool loads at run time.
struct Library {
  // LoadLibraryExW fails and leaves this as the last error, ERROR_SUCCESS included.
  std::optional<DWORD> loadLibraryExError;
  // GetProcAddress finds no function of this name, and leaves `missingExportError` (ERROR_SUCCESS
  // included) as the last error.
  std::string missingExport;
  DWORD missingExportError = ERROR_PROC_NOT_FOUND;
};

enum class LoadedFrom { System32, ToolsFolder };

// One library brought into the process: by the tool, as a library's import, or by a library on
// its own.
struct LibraryLoad {
  std::wstring name;
  DWORD flags = 0;                 // LoadLibraryExW's; 0 for what the tool did not ask for itself
  bool byTheTool = true;
  DWORD defaultDirectories = 0;    // the process's default search order then; 0: never set
  LoadedFrom from = LoadedFrom::System32;
};

// Installers run the tool from Downloads and TEMP folders, where anyone may have put a DLL
// beside it: whatever name is looked for in the tool's folder is found there, and its code runs.
// Known DLLs (kernel32, user32, ...) always come from System32. The libraries System32 offers
// here: rstrtmgr.dll, which imports rstrtmgr-dependency.dll, and the known user32.dll, whose own
// code loads user32-dependency.dll once it runs.
struct Libraries {
  std::wstring systemDirectory = L"C:\\Windows\\system32";
  std::wstring toolsFolder = L"C:\\Users\\User\\Downloads";
  // Windows 7 without KB2533623: no SetDefaultDllDirectories, and LoadLibraryExW refuses the
  // LOAD_LIBRARY_SEARCH_* flags with ERROR_INVALID_PARAMETER.
  bool lacksSearchFlags = false;
  DWORD defaultDirectories = 0;    // as SetDefaultDllDirectories last set it; 0: never
  std::vector<LibraryLoad> loads;
  Library rstrtmgr;
  Library user32;
};

// ---- USER32 windows (simulated_user32.cpp) ----

struct Window {
  HWND hwnd = nullptr;
  DWORD pid = 0;
  HWND owner = nullptr;
  bool visible = true;
  // PostMessageW fails with it: UIPI refuses messages into a process of higher integrity.
  DWORD postMessageError = 0;
  std::vector<UINT> posted;  // the messages queued
};

// ---- The Restart Manager (simulated_restart_manager.cpp) ----

// A process that holds a file open, as the Restart Manager sees it.
struct Holder {
  RM_PROCESS_INFO info{};  // pid, start time and application name
  std::wstring file;       // a plain path
};

// The Restart Manager answers per registered file: a session lists each process that holds one
// of its files, once. A registered path is taken as a plain path (relative to the current
// directory, repeated backslashes cleaned up); one in "\\?\" form names no file it knows.
// Loading rstrtmgr.dll and finding its functions fail as `Libraries::rstrtmgr` says.
struct RestartManager {
  DWORD rmStartSessionError = 0;
  DWORD rmRegisterResourcesError = 0;
  std::deque<DWORD> rmGetListErrors;  // one per RmGetList call, taken in order, 0 = answer
  DWORD rmEndSessionError = 0;
  std::vector<Holder> holders;
  int holdersAddedPerCall = 0;     // new holders of a registered file turn up at every call
  // What happened.
  int sessionsStarted = 0;
  int sessionsEnded = 0;
  int listCalls = 0;
  std::vector<std::vector<std::wstring>> registeredFiles;  // per session
  std::vector<bool> sessionOpen;                           // per session
};

// ---- The handle table (simulated_world.cpp) ----

enum class HandleKind { File, Snapshot, Process, Module };

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
  // Modules
  std::wstring library;                  // System32's file name; empty for the tool's folder
  int loadCount = 0;                     // LoadLibraryExW calls not yet matched by FreeLibrary
};

struct World {
  // Errors, call counting and handles
  DWORD lastError = 0;
  std::map<std::string, int> calls;
  std::multimap<std::pair<std::string, int>, std::function<void()>> scheduled;
  std::map<HANDLE, HandleEntry> handles;  // kernel handles and loaded modules alike
  uintptr_t nextHandle = 0x1000;
  int badCloses = 0;

  // Standard output: a pipe or a file, whose bytes are kept as written, or a console, which
  // shows what is written to it (WriteFile's bytes read in its own code page).
  bool hasStandardOutput = true;
  std::string standardOutput;
  bool standardOutputIsConsole = false;
  std::wstring console;
  UINT consoleCodePage = 437;
  std::map<int, DWORD> writeConsoleWErrors;  // the n-th WriteConsoleW call (1-based) fails with it

  // Strings
  UINT ansiCodePage = 1252;
  bool compareStringOrdinalFails = false;  // with ERROR_INVALID_PARAMETER

  // Files and paths
  std::wstring currentDirectory = L"C:\\Work";
  // The current folder of each other drive (by upper-case letter), as the process last had it
  // there; a drive without one has its root.
  std::map<wchar_t, std::wstring> driveCurrentDirectories;
  std::map<std::wstring, File> files;  // by normalized path
  std::map<std::wstring, std::wstring> shortNames;  // normalized short path -> long one
  bool longPathsEnabled = false;

  // Processes and the clock
  std::deque<Process> processes;  // stable addresses; later entries win for a reused pid
  DWORD createToolhelp32SnapshotError = 0;
  DWORD process32FirstError = 0;
  std::map<int, DWORD> process32NextErrors;  // the n-th Process32NextW call (1-based) fails with it
  ULONGLONG now = 5'000'000;
  ULONGLONG tickStep = 0;           // each GetTickCount64 call advances the clock by this much
  std::vector<std::pair<DWORD, DWORD>> processOpens;  // (pid, access)
  DWORD ownPid = 7000;              // GetCurrentProcessId

  Libraries libraries;
  std::vector<Window> windows;
  RestartManager restartManager;
};

// ---- The world (simulated_world.cpp) ----

World& TheWorld();
void Reset();

// Marks entry to a simulated call: counts it and runs what was scheduled for it.
void Enter(const char* function);
void Succeed();
void Fail(DWORD error);

// Runs `action` right before the `nth` (1-based) call of `function`.
void At(const std::string& function, int nth, std::function<void()> action);

size_t OpenHandleCount();
// What the tool left open or closed twice, one line each; empty when nothing.
std::vector<std::string> LeftOpen();

// ---- Console (simulated_console.cpp) ----

std::vector<std::string> StandardOutputLines();  // split at CR LF
std::vector<std::wstring> ConsoleLines();        // what the console shows, split at CR LF
// Bytes in a code page, as text.
std::wstring Decoded(UINT codePage, const std::string& bytes);

// ---- Files and paths (simulated_paths.cpp, simulated_files.cpp) ----

// Files. Parent directories are added as needed. The final path defaults to the prefixed path.
File& AddFile(const std::wstring& path);
File& AddDirectory(const std::wstring& path);
File* FindFile(const std::wstring& path);
std::wstring NormalizedKey(const std::wstring& path);
// `shortPath` (such as C:\PROGRA~1) names the existing `longPath` and everything below it.
void AddShortName(const std::wstring& shortPath, const std::wstring& longPath);
// Another program keeps the file open with these (generic or specific) rights and share mode.
void OpenElsewhere(const std::wstring& path, DWORD access, DWORD share);

// ---- Processes (simulated_processes.cpp) ----

// A pid can be given only when no process holds it (see PidIsFree).
bool PidIsFree(DWORD pid);
Process& AddProcess(DWORD pid, const std::wstring& imagePath);
Process& ProcessById(DWORD pid);  // the newest one with this pid
// The process ends by itself, with a real exit code (STILL_ACTIVE only when a test asks).
void EndOnItsOwn(Process& process, DWORD exitCode = 0);

// ---- The loader (simulated_loader.cpp) ----

// The libraries from the tool's folder whose code ran, by name; empty when none.
std::vector<std::wstring> LibrariesRunFromTheToolsFolder();

// ---- USER32 windows (simulated_user32.cpp) ----

Window& AddWindow(DWORD pid, bool visible = true, HWND owner = nullptr);

// ---- The Restart Manager (simulated_restart_manager.cpp) ----

// A process holding `file`, as the Restart Manager reports it; its start time is that of the
// newest process with this pid, if any.
RM_PROCESS_INFO& AddHolder(DWORD pid, const std::wstring& appName, const std::wstring& file);

}  // namespace sim
