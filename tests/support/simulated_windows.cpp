#include "support/simulated_windows.h"

#include <algorithm>
#include <cwctype>

namespace sim {
namespace {

World* g_world = nullptr;
const HANDLE kStandardOutput = reinterpret_cast<HANDLE>(static_cast<uintptr_t>(0x77));

bool StartsWith(const std::wstring& text, const std::wstring& prefix) {
  return text.compare(0, prefix.size(), prefix) == 0;
}

bool IsAbsolute(const std::wstring& path) {
  return (path.size() >= 3 && path[1] == L':' && path[2] == L'\\') || StartsWith(path, L"\\\\");
}

// Like the system's clean-up of a plain path: relative to the current directory, repeated
// backslashes collapsed. A prefixed path is taken literally.
std::wstring CleanPlainPath(const std::wstring& path) {
  std::wstring full = IsAbsolute(path) ? path : TheWorld().currentDirectory + L"\\" + path;
  std::wstring cleaned;
  for (size_t i = 0; i < full.size(); ++i) {
    if (i >= 2 && full[i] == L'\\' && cleaned.back() == L'\\') continue;
    cleaned.push_back(full[i]);
  }
  return cleaned;
}

std::wstring Parent(const std::wstring& key) {
  const size_t slash = key.rfind(L'\\');
  if (slash == std::wstring::npos || slash < 2 || key.size() <= 3) return std::wstring();
  std::wstring parent = key.substr(0, slash);
  if (parent.size() == 2 && parent[1] == L':') parent += L'\\';  // a volume's root
  return parent;
}

DWORD MissingError(const std::wstring& key) {
  const File* parent = nullptr;
  auto it = TheWorld().files.find(Parent(key));
  if (it != TheWorld().files.end()) parent = &it->second;
  return parent != nullptr && (parent->attributes & FILE_ATTRIBUTE_DIRECTORY) != 0
             ? ERROR_FILE_NOT_FOUND
             : ERROR_PATH_NOT_FOUND;
}

HANDLE NewHandle(HandleEntry entry) {
  World& world = TheWorld();
  HANDLE handle = reinterpret_cast<HANDLE>(world.nextHandle);
  world.nextHandle += 4;
  world.handles.emplace(handle, std::move(entry));
  return handle;
}

HandleEntry* Find(HANDLE handle, HandleKind kind) {
  auto it = TheWorld().handles.find(handle);
  if (it == TheWorld().handles.end() || it->second.kind != kind) return nullptr;
  return &it->second;
}

Process* LatestProcess(DWORD pid) {
  auto& processes = TheWorld().processes;
  for (auto it = processes.rbegin(); it != processes.rend(); ++it) {
    if (it->pid == pid) return &*it;
  }
  return nullptr;
}

// A process scheduled to end has ended once the clock has reached its time.
void Settle(Process& process) {
  if (!process.exited && process.endsAt <= TheWorld().now) process.exited = true;
}

}  // namespace

World& TheWorld() {
  if (g_world == nullptr) g_world = new World();
  return *g_world;
}

void Reset() {
  delete g_world;
  g_world = new World();
}

void Enter(const char* function) {
  World& world = TheWorld();
  const int count = ++world.calls[function];
  auto range = world.scheduled.equal_range({function, count});
  std::vector<std::function<void()>> actions;
  for (auto it = range.first; it != range.second; ++it) actions.push_back(it->second);
  for (auto& action : actions) action();
}

void Succeed() { TheWorld().lastError = kStaleError; }
void Fail(DWORD error) { TheWorld().lastError = error; }

void At(const std::string& function, int nth, std::function<void()> action) {
  TheWorld().scheduled.emplace(std::make_pair(function, nth), std::move(action));
}

std::wstring NormalizedKey(const std::wstring& path) {
  std::wstring key;
  // "\\?\" and "\??\" hand the rest to the file system verbatim; "\\.\", "//?/" and "//./" name a
  // device too, but the rest is cleaned up like a plain path (forward slashes included).
  const bool verbatim = StartsWith(path, L"\\\\?\\") || StartsWith(path, L"\\??\\");
  const bool device = !verbatim && path.size() >= 4 && (path[0] == L'\\' || path[0] == L'/') &&
                      (path[1] == L'\\' || path[1] == L'/') && (path[2] == L'?' || path[2] == L'.') &&
                      (path[3] == L'\\' || path[3] == L'/');
  if (verbatim || device) {
    std::wstring rest = path.substr(4);
    if (device) {
      std::replace(rest.begin(), rest.end(), L'/', L'\\');
      rest.erase(std::unique(rest.begin(), rest.end(),
                             [](wchar_t a, wchar_t b) { return a == L'\\' && b == L'\\'; }),
                 rest.end());
    }
    key = rest.compare(0, 4, L"UNC\\") == 0 ? L"\\\\" + rest.substr(4) : rest;
  } else {
    std::wstring plain = path;
    std::replace(plain.begin(), plain.end(), L'/', L'\\');
    key = CleanPlainPath(plain);
  }
  if (key.size() > 3 && key.back() == L'\\') key.pop_back();
  for (wchar_t& c : key) c = static_cast<wchar_t>(std::towlower(c));
  return key;
}

static File& AddEntry(const std::wstring& path, DWORD attributes) {
  World& world = TheWorld();
  const std::wstring key = NormalizedKey(path);
  const std::wstring parent = Parent(key);
  if (!parent.empty() && world.files.count(parent) == 0) {
    std::wstring parentPath = path.substr(0, path.rfind(L'\\'));
    if (parentPath.size() == 2 && parentPath[1] == L':') parentPath += L'\\';
    if (parentPath.size() == 6 && parentPath.compare(0, 4, L"\\\\?\\") == 0) parentPath += L'\\';
    AddEntry(parentPath, FILE_ATTRIBUTE_DIRECTORY);
  }
  File& file = world.files[key];
  file.path = path;
  file.attributes = attributes;
  std::wstring stored = path;
  if (stored.size() > 3 && stored.back() == L'\\') stored.pop_back();
  file.finalPath = StartsWith(stored, L"\\\\?\\") ? stored
                   : StartsWith(stored, L"\\\\")  ? L"\\\\?\\UNC\\" + stored.substr(2)
                                                  : L"\\\\?\\" + stored;
  return file;
}

File& AddFile(const std::wstring& path) { return AddEntry(path, FILE_ATTRIBUTE_NORMAL); }
File& AddDirectory(const std::wstring& path) { return AddEntry(path, FILE_ATTRIBUTE_DIRECTORY); }

File* FindFile(const std::wstring& path) {
  auto it = TheWorld().files.find(NormalizedKey(path));
  return it == TheWorld().files.end() ? nullptr : &it->second;
}

Process& AddProcess(DWORD pid, const std::wstring& imagePath) {
  Process process;
  process.pid = pid;
  process.imagePath = imagePath;
  process.exeName = imagePath.substr(imagePath.rfind(L'\\') + 1);
  process.creationTime = 1000 + TheWorld().processes.size();
  TheWorld().processes.push_back(process);
  return TheWorld().processes.back();
}

Process& ProcessById(DWORD pid) { return *LatestProcess(pid); }

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

void AddHolder(DWORD pid, const std::wstring& appName) {
  RM_PROCESS_INFO info{};
  info.Process.dwProcessId = pid;
  appName.copy(info.strAppName, CCH_RM_MAX_APP_NAME);
  TheWorld().restartManager.holders.push_back(info);
}

size_t OpenHandleCount() { return TheWorld().handles.size(); }

std::vector<std::string> StandardOutputLines() {
  std::vector<std::string> lines;
  const std::string& text = TheWorld().standardOutput;
  size_t start = 0;
  for (size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
    lines.push_back(text.substr(start, end - start));
  }
  if (start < text.size()) lines.push_back(text.substr(start));  // an unterminated rest
  return lines;
}

}  // namespace sim

// The simulated side of the seam.
namespace platform {

using sim::Enter;
using sim::Fail;
using sim::Succeed;
using sim::TheWorld;

DWORD GetLastError() { return TheWorld().lastError; }
void SetLastError(DWORD error) { TheWorld().lastError = error; }

HANDLE CreateFileW(LPCWSTR fileName, DWORD desiredAccess, DWORD shareMode, LPSECURITY_ATTRIBUTES,
                   DWORD creationDisposition, DWORD flagsAndAttributes, HANDLE) {
  Enter("CreateFileW");
  sim::World& world = TheWorld();
  world.createFileCalls.push_back(
      {fileName, desiredAccess, shareMode, creationDisposition, flagsAndAttributes});
  const std::wstring key = sim::NormalizedKey(fileName);
  auto it = world.files.find(key);
  if (it == world.files.end()) {
    Fail(sim::MissingError(key));
    return INVALID_HANDLE_VALUE;
  }
  sim::File& file = it->second;
  if (file.openError != 0) {
    Fail(file.openError);
    return INVALID_HANDLE_VALUE;
  }
  const bool directory = (file.attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  if (directory && ((flagsAndAttributes & FILE_FLAG_BACKUP_SEMANTICS) == 0 ||
                    (desiredAccess & FILE_APPEND_DATA) != 0)) {
    Fail(ERROR_ACCESS_DENIED);
    return INVALID_HANDLE_VALUE;
  }
  ++file.opens;
  sim::HandleEntry entry{};
  entry.kind = sim::HandleKind::File;
  entry.file = &file;
  entry.access = desiredAccess;
  Succeed();
  return sim::NewHandle(std::move(entry));
}

DWORD GetFinalPathNameByHandleW(HANDLE handle, LPWSTR filePath, DWORD filePathLength, DWORD) {
  Enter("GetFinalPathNameByHandleW");
  sim::HandleEntry* entry = sim::Find(handle, sim::HandleKind::File);
  if (entry == nullptr) {
    Fail(ERROR_INVALID_HANDLE);
    return 0;
  }
  if (entry->file->finalPathError != 0) {
    Fail(entry->file->finalPathError);
    return 0;
  }
  const std::wstring& finalPath = entry->file->finalPath;
  // Too small a buffer: the size needed comes back, and the last error is left alone.
  if (finalPath.size() >= filePathLength) return static_cast<DWORD>(finalPath.size() + 1);
  std::copy(finalPath.begin(), finalPath.end(), filePath);
  filePath[finalPath.size()] = L'\0';
  Succeed();
  return static_cast<DWORD>(finalPath.size());
}

DWORD GetFileAttributesW(LPCWSTR fileName) {
  Enter("GetFileAttributesW");
  const std::wstring key = sim::NormalizedKey(fileName);
  auto it = TheWorld().files.find(key);
  if (it == TheWorld().files.end()) {
    Fail(sim::MissingError(key));
    return INVALID_FILE_ATTRIBUTES;
  }
  if (it->second.attributesError != 0) {
    Fail(it->second.attributesError);
    return INVALID_FILE_ATTRIBUTES;
  }
  Succeed();
  return it->second.attributes;
}

DWORD GetFullPathNameW(LPCWSTR fileName, DWORD bufferLength, LPWSTR buffer, LPWSTR* filePart) {
  Enter("GetFullPathNameW");
  const std::wstring full = sim::CleanPlainPath(fileName);
  if (filePart != nullptr) *filePart = nullptr;
  if (full.size() >= bufferLength) {
    Succeed();
    return static_cast<DWORD>(full.size() + 1);
  }
  std::copy(full.begin(), full.end(), buffer);
  buffer[full.size()] = L'\0';
  Succeed();
  return static_cast<DWORD>(full.size());
}

BOOL WriteFile(HANDLE handle, LPCVOID buffer, DWORD bytesToWrite, LPDWORD bytesWritten,
               LPOVERLAPPED) {
  Enter("WriteFile");
  sim::World& world = TheWorld();
  const char* bytes = static_cast<const char*>(buffer);
  if (handle == sim::kStandardOutput) {
    world.standardOutput.append(bytes, bytesToWrite);
  } else {
    sim::HandleEntry* entry = sim::Find(handle, sim::HandleKind::File);
    if (entry == nullptr || (entry->access & (FILE_APPEND_DATA | FILE_WRITE_DATA)) == 0) {
      Fail(entry == nullptr ? ERROR_INVALID_HANDLE : ERROR_ACCESS_DENIED);
      return FALSE;
    }
    entry->file->content.append(bytes, bytesToWrite);
    ++entry->file->writes;
  }
  if (bytesWritten != nullptr) *bytesWritten = bytesToWrite;
  Succeed();
  return TRUE;
}

BOOL CloseHandle(HANDLE handle) {
  Enter("CloseHandle");
  sim::World& world = TheWorld();
  if (world.handles.erase(handle) == 0) {
    ++world.badCloses;
    Fail(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  Succeed();
  return TRUE;
}

HANDLE GetStdHandle(DWORD stdHandle) {
  Enter("GetStdHandle");
  Succeed();
  if (stdHandle != STD_OUTPUT_HANDLE || !TheWorld().hasStandardOutput) return nullptr;
  return sim::kStandardOutput;
}

UINT GetACP() {
  Enter("GetACP");
  return TheWorld().ansiCodePage;
}

int WideCharToMultiByte(UINT codePage, DWORD flags, LPCWCH wideText, int wideLength,
                        LPSTR multiByteText, int multiByteLength, LPCCH defaultChar,
                        LPBOOL usedDefaultChar) {
  Enter("WideCharToMultiByte");
  const UINT effective = codePage == CP_ACP ? TheWorld().ansiCodePage : codePage;
  // As Windows does for UTF-8: neither flags nor a default character are accepted.
  if (effective == CP_UTF8 && flags != 0) {
    Fail(ERROR_INVALID_FLAGS);
    return 0;
  }
  if (effective == CP_UTF8 && (defaultChar != nullptr || usedDefaultChar != nullptr)) {
    Fail(ERROR_INVALID_PARAMETER);
    return 0;
  }
  const int result = ::WideCharToMultiByte(effective, flags, wideText, wideLength, multiByteText,
                                           multiByteLength, defaultChar, usedDefaultChar);
  if (result == 0) {
    Fail(::GetLastError());
  } else {
    Succeed();
  }
  return result;
}

int CompareStringOrdinal(LPCWCH string1, int length1, LPCWCH string2, int length2,
                         BOOL ignoreCase) {
  Enter("CompareStringOrdinal");
  if (TheWorld().comparisonFails) {
    Fail(ERROR_INVALID_PARAMETER);
    return 0;
  }
  Succeed();
  return ::CompareStringOrdinal(string1, length1, string2, length2, ignoreCase);
}

HANDLE CreateToolhelp32Snapshot(DWORD flags, DWORD) {
  Enter("CreateToolhelp32Snapshot");
  sim::World& world = TheWorld();
  if (world.snapshotError != 0 || flags != TH32CS_SNAPPROCESS) {
    Fail(world.snapshotError != 0 ? world.snapshotError : ERROR_INVALID_PARAMETER);
    return INVALID_HANDLE_VALUE;
  }
  sim::HandleEntry entry{};
  entry.kind = sim::HandleKind::Snapshot;
  for (sim::Process& process : world.processes) {
    sim::Settle(process);
    if (process.exited || process.gone) continue;
    PROCESSENTRY32W item{};
    item.dwSize = sizeof(item);
    item.th32ProcessID = process.pid;
    process.exeName.copy(item.szExeFile, MAX_PATH - 1);
    entry.entries.push_back(item);
  }
  Succeed();
  return sim::NewHandle(std::move(entry));
}

static BOOL NextEntry(HANDLE snapshot, LPPROCESSENTRY32W entry, bool first) {
  sim::HandleEntry* handle = sim::Find(snapshot, sim::HandleKind::Snapshot);
  if (handle == nullptr || entry->dwSize != sizeof(PROCESSENTRY32W)) {
    Fail(handle == nullptr ? ERROR_INVALID_HANDLE : ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (first) handle->next = 0;
  if (handle->next >= handle->entries.size()) {
    Fail(ERROR_NO_MORE_FILES);
    return FALSE;
  }
  *entry = handle->entries[handle->next++];
  Succeed();
  return TRUE;
}

BOOL Process32FirstW(HANDLE snapshot, LPPROCESSENTRY32W entry) {
  Enter("Process32FirstW");
  if (TheWorld().firstError != 0) {
    Fail(TheWorld().firstError);
    return FALSE;
  }
  return NextEntry(snapshot, entry, true);
}

BOOL Process32NextW(HANDLE snapshot, LPPROCESSENTRY32W entry) {
  Enter("Process32NextW");
  auto it = TheWorld().nextErrors.find(TheWorld().calls["Process32NextW"]);
  if (it != TheWorld().nextErrors.end()) {
    Fail(it->second);
    return FALSE;
  }
  return NextEntry(snapshot, entry, false);
}

HANDLE OpenProcess(DWORD desiredAccess, BOOL, DWORD processId) {
  Enter("OpenProcess");
  sim::World& world = TheWorld();
  world.processOpens.emplace_back(processId, desiredAccess);
  sim::Process* process = sim::LatestProcess(processId);
  if (process == nullptr || process->gone) {
    Fail(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  const DWORD error =
      (desiredAccess & PROCESS_TERMINATE) != 0 ? process->terminateOpenError : process->openError;
  if (error != 0) {
    Fail(error);
    return nullptr;
  }
  sim::HandleEntry entry{};
  entry.kind = sim::HandleKind::Process;
  entry.process = process;
  entry.access = desiredAccess;
  Succeed();
  return sim::NewHandle(std::move(entry));
}

static sim::Process* ProcessOf(HANDLE handle, DWORD neededAccess) {
  sim::HandleEntry* entry = sim::Find(handle, sim::HandleKind::Process);
  if (entry == nullptr) {
    Fail(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  if ((entry->access & neededAccess) != neededAccess) {
    Fail(ERROR_ACCESS_DENIED);
    return nullptr;
  }
  sim::Settle(*entry->process);
  return entry->process;
}

BOOL QueryFullProcessImageNameW(HANDLE handle, DWORD flags, LPWSTR exeName, PDWORD size) {
  Enter("QueryFullProcessImageNameW");
  sim::Process* process = ProcessOf(handle, PROCESS_QUERY_LIMITED_INFORMATION);
  if (process == nullptr) return FALSE;
  if (process->imageError != 0 || flags != 0) {
    Fail(process->imageError != 0 ? process->imageError : ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (process->imagePath.size() >= *size) {
    Fail(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }
  std::copy(process->imagePath.begin(), process->imagePath.end(), exeName);
  exeName[process->imagePath.size()] = L'\0';
  *size = static_cast<DWORD>(process->imagePath.size());
  Succeed();
  return TRUE;
}

BOOL GetExitCodeProcess(HANDLE handle, LPDWORD exitCode) {
  Enter("GetExitCodeProcess");
  sim::Process* process = ProcessOf(handle, PROCESS_QUERY_LIMITED_INFORMATION);
  if (process == nullptr) return FALSE;
  if (process->exitCodeError != 0) {
    Fail(process->exitCodeError);
    return FALSE;
  }
  *exitCode = process->exited ? process->exitCode : STILL_ACTIVE;
  Succeed();
  return TRUE;
}

BOOL GetProcessTimes(HANDLE handle, LPFILETIME creationTime, LPFILETIME exitTime,
                     LPFILETIME kernelTime, LPFILETIME userTime) {
  Enter("GetProcessTimes");
  sim::Process* process = ProcessOf(handle, PROCESS_QUERY_LIMITED_INFORMATION);
  if (process == nullptr) return FALSE;
  if (process->timesError != 0) {
    Fail(process->timesError);
    return FALSE;
  }
  creationTime->dwLowDateTime = static_cast<DWORD>(process->creationTime);
  creationTime->dwHighDateTime = static_cast<DWORD>(process->creationTime >> 32);
  *exitTime = FILETIME{};
  *kernelTime = FILETIME{};
  *userTime = FILETIME{};
  Succeed();
  return TRUE;
}

LONG CompareFileTime(const FILETIME* fileTime1, const FILETIME* fileTime2) {
  Enter("CompareFileTime");
  return ::CompareFileTime(fileTime1, fileTime2);
}

BOOL TerminateProcess(HANDLE handle, UINT exitCode) {
  Enter("TerminateProcess");
  sim::Process* process = ProcessOf(handle, PROCESS_TERMINATE);
  if (process == nullptr) return FALSE;
  ++process->terminateCalls;
  if (process->exited) {
    Fail(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  sim::World& world = TheWorld();
  switch (process->onTerminate) {
    case sim::OnTerminate::EndsAtOnce:
      process->exited = true;
      break;
    case sim::OnTerminate::EndsLater:
      process->endsAt = std::min(process->endsAt, world.now + process->endDelayMs);
      break;
    case sim::OnTerminate::NeverEnds:
      break;
    case sim::OnTerminate::Refuses:
      Fail(process->terminateError);
      return FALSE;
  }
  process->exitCode = exitCode;
  process->terminatedWith = exitCode;
  Succeed();
  return TRUE;
}

DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds) {
  Enter("WaitForSingleObject");
  sim::Process* process = ProcessOf(handle, SYNCHRONIZE);
  if (process == nullptr) return WAIT_FAILED;
  if (process->waitError != 0) {
    Fail(process->waitError);
    return WAIT_FAILED;
  }
  sim::World& world = TheWorld();
  if (process->exited) {
    Succeed();
    return WAIT_OBJECT_0;
  }
  if (process->endsAt != sim::kNever && process->endsAt <= world.now + milliseconds) {
    world.now = std::max(world.now, process->endsAt);
    process->exited = true;
    Succeed();
    return WAIT_OBJECT_0;
  }
  world.now += milliseconds;
  Succeed();
  return WAIT_TIMEOUT;
}

DWORD GetCurrentProcessId() {
  Enter("GetCurrentProcessId");
  return TheWorld().ownPid;
}

ULONGLONG GetTickCount64() {
  Enter("GetTickCount64");
  sim::World& world = TheWorld();
  const ULONGLONG now = world.now;
  world.now += world.tickStep;
  return now;
}

BOOL SetDefaultDllDirectories(DWORD directoryFlags) {
  Enter("SetDefaultDllDirectories");
  if (TheWorld().libraries.lacksSearchFlags) {
    Fail(ERROR_PROC_NOT_FOUND);
    return FALSE;
  }
  TheWorld().dllDirectoryFlags.push_back(directoryFlags);
  Succeed();
  return TRUE;
}

}  // namespace platform
