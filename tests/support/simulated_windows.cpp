#include "support/simulated_windows.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cwchar>
#include <cwctype>

namespace sim {
namespace {

World* g_world = nullptr;

struct PathResultSim {
  std::wstring path;
  DWORD error;
};
const HANDLE kStandardOutput = reinterpret_cast<HANDLE>(static_cast<uintptr_t>(0x77));

bool StartsWith(const std::wstring& text, const std::wstring& prefix) {
  return text.compare(0, prefix.size(), prefix) == 0;
}

bool IsAbsolute(const std::wstring& path) {
  return (path.size() >= 3 && path[1] == L':' && path[2] == L'\\') || StartsWith(path, L"\\\\");
}

bool IsDriveRelative(const std::wstring& path) {
  return path.size() >= 2 && path[1] == L':' && std::iswalpha(path[0]) &&
         (path.size() == 2 || path[2] != L'\\');
}

// The current folder of a drive: the process's own on its drive; on another drive the one it
// last had there (Windows keeps it in the environment), else the drive's root.
std::wstring DriveCurrentDirectory(wchar_t drive) {
  const World& world = TheWorld();
  const wchar_t letter = static_cast<wchar_t>(std::towupper(drive));
  if (std::towupper(world.currentDirectory[0]) == letter) return world.currentDirectory;
  auto it = world.driveCurrentDirectories.find(letter);
  return it != world.driveCurrentDirectories.end() ? it->second : std::wstring{letter, L':', L'\\'};
}

// Like the system's clean-up of a plain path: relative to the current directory ("X:name" to
// drive X's current folder, "\\name" to the current drive's root), repeated backslashes
// collapsed. A prefixed path is taken literally.
std::wstring CleanPlainPath(const std::wstring& path) {
  std::wstring full;
  if (IsAbsolute(path)) {
    full = path;
  } else if (IsDriveRelative(path)) {
    full = DriveCurrentDirectory(path[0]) + L"\\" + path.substr(2);
  } else if (!path.empty() && path[0] == L'\\') {
    full = TheWorld().currentDirectory.substr(0, 2) + path;
  } else {
    full = TheWorld().currentDirectory + L"\\" + path;
  }
  std::wstring cleaned;
  for (size_t i = 0; i < full.size(); ++i) {
    if (i >= 2 && full[i] == L'\\' && cleaned.back() == L'\\') continue;
    cleaned.push_back(full[i]);
  }
  return cleaned;
}

bool IsVerbatimForm(const std::wstring& path) {
  return StartsWith(path, L"\\\\?\\") || StartsWith(path, L"\\??\\");
}

bool IsDeviceForm(const std::wstring& path) {
  const auto separator = [](wchar_t c) { return c == L'\\' || c == L'/'; };
  return IsVerbatimForm(path) ||
         (path.size() >= 4 && separator(path[0]) && separator(path[1]) &&
          (path[2] == L'?' || path[2] == L'.') && separator(path[3]));
}

// The full path, as GetFullPathNameW gives it: "\\?\" and "\??\" forms untouched; "\\.\",
// "//?/" and "//./" keep their device prefix (its slashes turned) and the rest is cleaned up like
// a plain path, forward slashes included; a plain path is made absolute and cleaned up.
std::wstring FullPath(const std::wstring& path) {
  if (IsVerbatimForm(path)) return path;
  std::wstring turned = path;
  std::replace(turned.begin(), turned.end(), L'/', L'\\');
  if (!IsDeviceForm(path)) return CleanPlainPath(turned);
  std::wstring rest = turned.substr(4);
  rest.erase(std::unique(rest.begin(), rest.end(),
                         [](wchar_t a, wchar_t b) { return a == L'\\' && b == L'\\'; }),
             rest.end());
  return turned.substr(0, 4) + rest;
}

// The path as the file system gets it, in its given letter case, as a drive or UNC path. No
// trailing backslash except on a volume's root.
std::wstring DosForm(const std::wstring& path) {
  std::wstring form = FullPath(path);
  if (IsDeviceForm(form)) {
    const std::wstring rest = form.substr(4);
    form = rest.compare(0, 4, L"UNC\\") == 0 ? L"\\\\" + rest.substr(4) : rest;
  }
  if (form.size() > 3 && form.back() == L'\\') form.pop_back();
  return form;
}

// The "\\?\" form of a path.
std::wstring PrefixedForm(const std::wstring& path) {
  const std::wstring form = DosForm(path);
  return StartsWith(form, L"\\\\") ? L"\\\\?\\UNC\\" + form.substr(2) : L"\\\\?\\" + form;
}

// Without long paths enabled, a path of MAX_PATH characters or more does not open once the
// system has cleaned it up: a plain path, and a device form other than "\\?\" and "\??\",
// which alone hand the rest over as it is.
bool IsHeldToMaxPath(const std::wstring& path) {
  return !TheWorld().longPathsEnabled && !IsVerbatimForm(path) && FullPath(path).size() >= MAX_PATH;
}

// Generic rights as the file system sees them.
DWORD SpecificRights(DWORD access) {
  if ((access & GENERIC_READ) != 0) access |= FILE_GENERIC_READ;
  if ((access & GENERIC_WRITE) != 0) access |= FILE_GENERIC_WRITE;
  if ((access & GENERIC_EXECUTE) != 0) access |= FILE_GENERIC_EXECUTE;
  if ((access & GENERIC_ALL) != 0) access |= FILE_ALL_ACCESS;
  return access & ~(GENERIC_READ | GENERIC_WRITE | GENERIC_EXECUTE | GENERIC_ALL);
}

bool Reads(DWORD access) { return (access & (FILE_READ_DATA | FILE_EXECUTE)) != 0; }
bool Writes(DWORD access) { return (access & (FILE_WRITE_DATA | FILE_APPEND_DATA)) != 0; }
bool Deletes(DWORD access) { return (access & DELETE) != 0; }

// The file system's share check between an existing open and a new one. An open that asks for
// none of reading, writing or deleting (attributes only) takes no part in it either way.
bool Conflicts(const OtherOpen& existing, DWORD access, DWORD share) {
  const auto counts = [](DWORD rights) { return Reads(rights) || Writes(rights) || Deletes(rights); };
  if (!counts(access) || !counts(existing.access)) return false;
  return (Reads(access) && (existing.share & FILE_SHARE_READ) == 0) ||
         (Writes(access) && (existing.share & FILE_SHARE_WRITE) == 0) ||
         (Deletes(access) && (existing.share & FILE_SHARE_DELETE) == 0) ||
         (Reads(existing.access) && (share & FILE_SHARE_READ) == 0) ||
         (Writes(existing.access) && (share & FILE_SHARE_WRITE) == 0) ||
         (Deletes(existing.access) && (share & FILE_SHARE_DELETE) == 0);
}

// Every open of the file but the one being made: the tool's own handles, other programs', and
// the image mapping of each running process started from it (read and execute, sharing read
// and delete, as the loader maps an executable).
std::vector<OtherOpen> OpensOf(const File& file) {
  World& world = TheWorld();
  std::vector<OtherOpen> opens = file.openedByOthers;
  for (const auto& [handle, entry] : world.handles) {
    if (entry.kind == HandleKind::File && entry.file == &file) {
      opens.push_back({entry.access, entry.share});
    }
  }
  const std::wstring key = NormalizedKey(file.path);
  for (const Process& process : world.processes) {
    if (!process.exited && NormalizedKey(process.imagePath) == key) {
      opens.push_back({FILE_READ_DATA | FILE_EXECUTE, FILE_SHARE_READ | FILE_SHARE_DELETE});
    }
  }
  return opens;
}

bool IsLink(const File& file) { return NormalizedKey(file.finalPath) != NormalizedKey(file.path); }

// A prefixed drive-letter or UNC path in the volume form that `volumeFlag` asks for.
PathResultSim InVolumeForm(const std::wstring& path, DWORD volumeFlag) {
  const bool unc = StartsWith(path, L"\\\\?\\UNC\\");
  size_t restStart = 6;  // after "\\?\X:"
  if (unc) {
    const size_t server = path.find(L'\\', 8);
    const size_t share = server == std::wstring::npos ? server : path.find(L'\\', server + 1);
    restStart = share == std::wstring::npos ? path.size() : share;
  }
  const std::wstring rest = path.substr(restStart);
  const unsigned volumeNumber = unc ? 0 : static_cast<unsigned>(std::towupper(path[4]) - L'A');
  switch (volumeFlag) {
    case VOLUME_NAME_DOS:
      return {path, ERROR_SUCCESS};
    case VOLUME_NAME_GUID: {
      // No volume GUID path is made for a network share.
      if (unc) return {std::wstring(), ERROR_PATH_NOT_FOUND};
      wchar_t guid[64];
      swprintf(guid, 64, L"\\\\?\\Volume{5eed%04x-0000-4000-8000-000000000000}", volumeNumber);
      return {guid + rest, ERROR_SUCCESS};
    }
    case VOLUME_NAME_NT:
      if (unc) return {L"\\Device\\Mup\\" + path.substr(8), ERROR_SUCCESS};
      return {L"\\Device\\HarddiskVolume" + std::to_wstring(volumeNumber + 1) + rest, ERROR_SUCCESS};
    case VOLUME_NAME_NONE:
      return {rest, ERROR_SUCCESS};
    default:
      return {std::wstring(), ERROR_INVALID_PARAMETER};
  }
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

bool HasOpenHandle(const Process& process) {
  for (const auto& [handle, entry] : TheWorld().handles) {
    if (entry.kind == HandleKind::Process && entry.process == &process) return true;
  }
  return false;
}

// A process holds its pid while it runs and, once ended, while any handle to it is open.
bool HoldsItsPid(Process& process) {
  Settle(process);
  return !process.exited || HasOpenHandle(process);
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
  std::wstring key = DosForm(path);
  for (wchar_t& c : key) c = static_cast<wchar_t>(std::towlower(c));
  for (bool expanded = true; expanded;) {
    expanded = false;
    for (const auto& [shortKey, longKey] : TheWorld().shortNames) {
      if (StartsWith(key, shortKey) &&
          (key.size() == shortKey.size() || key[shortKey.size()] == L'\\')) {
        key = longKey + key.substr(shortKey.size());
        expanded = true;
      }
    }
  }
  return key;
}

void AddShortName(const std::wstring& shortPath, const std::wstring& longPath) {
  TheWorld().shortNames[NormalizedKey(shortPath)] = NormalizedKey(longPath);
}

void OpenElsewhere(const std::wstring& path, DWORD access, DWORD share) {
  File* file = FindFile(path);
  if (file != nullptr) file->openedByOthers.push_back({SpecificRights(access), share});
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
  file.finalPath = PrefixedForm(path);
  return file;
}

File& AddFile(const std::wstring& path) { return AddEntry(path, FILE_ATTRIBUTE_NORMAL); }
File& AddDirectory(const std::wstring& path) { return AddEntry(path, FILE_ATTRIBUTE_DIRECTORY); }

File* FindFile(const std::wstring& path) {
  auto it = TheWorld().files.find(NormalizedKey(path));
  return it == TheWorld().files.end() ? nullptr : &it->second;
}

bool PidIsFree(DWORD pid) {
  Process* holder = LatestProcess(pid);
  return holder == nullptr || !HoldsItsPid(*holder);
}

Process& AddProcess(DWORD pid, const std::wstring& imagePath) {
  // Windows keeps the pid of an ended process reserved while any handle to it is open, so a
  // handle never reaches a process other than the one it was opened on.
  EXPECT_TRUE(PidIsFree(pid)) << "pid " << pid
                              << " still belongs to a process that runs or has an open handle";
  Process process;
  process.pid = pid;
  process.imagePath = imagePath;
  process.exeName = imagePath.substr(imagePath.rfind(L'\\') + 1);
  process.creationTime = 1000 + TheWorld().processes.size();
  TheWorld().processes.push_back(process);
  return TheWorld().processes.back();
}

Process& ProcessById(DWORD pid) { return *LatestProcess(pid); }

void EndOnItsOwn(Process& process, DWORD exitCode) {
  process.exited = true;
  process.exitCode = exitCode;
}

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

RM_PROCESS_INFO& AddHolder(DWORD pid, const std::wstring& appName, const std::wstring& file) {
  Holder holder;
  holder.info.Process.dwProcessId = pid;
  const Process* process = LatestProcess(pid);
  const ULONGLONG startTime = process != nullptr ? process->creationTime : 1;
  holder.info.Process.ProcessStartTime.dwLowDateTime = static_cast<DWORD>(startTime);
  holder.info.Process.ProcessStartTime.dwHighDateTime = static_cast<DWORD>(startTime >> 32);
  appName.copy(holder.info.strAppName, CCH_RM_MAX_APP_NAME);
  holder.file = file;
  TheWorld().restartManager.holders.push_back(holder);
  return TheWorld().restartManager.holders.back().info;
}

size_t OpenHandleCount() { return TheWorld().handles.size(); }

std::vector<std::string> LeftOpen() {
  const World& world = TheWorld();
  std::vector<std::string> faults;
  if (!world.handles.empty()) {
    faults.push_back(std::to_string(world.handles.size()) + " handle(s) left open");
  }
  if (world.badCloses != 0) faults.push_back("a handle was closed twice or never opened");
  if (!world.libraries.loaded.empty()) faults.push_back("a library was not freed");
  if (world.restartManager.sessionsStarted != world.restartManager.sessionsEnded) {
    faults.push_back("a Restart Manager session was not ended");
  }
  return faults;
}

std::wstring Decoded(UINT codePage, const std::string& bytes) {
  if (bytes.empty()) return std::wstring();
  const int size = ::MultiByteToWideChar(codePage, 0, bytes.data(), static_cast<int>(bytes.size()),
                                         nullptr, 0);
  std::wstring text(static_cast<size_t>(size), L'\0');
  ::MultiByteToWideChar(codePage, 0, bytes.data(), static_cast<int>(bytes.size()), text.data(),
                        size);
  return text;
}

std::vector<std::wstring> ConsoleLines() {
  std::vector<std::wstring> lines;
  const std::wstring& text = TheWorld().console;
  size_t start = 0;
  for (size_t end; (end = text.find(L"\r\n", start)) != std::wstring::npos; start = end + 2) {
    lines.push_back(text.substr(start, end - start));
  }
  if (start < text.size()) lines.push_back(text.substr(start));  // an unterminated rest
  return lines;
}

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
  if (creationDisposition < CREATE_NEW || creationDisposition > TRUNCATE_EXISTING) {
    Fail(ERROR_INVALID_PARAMETER);
    return INVALID_HANDLE_VALUE;
  }
  if (sim::IsHeldToMaxPath(fileName)) {
    Fail(ERROR_PATH_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  const DWORD access = sim::SpecificRights(desiredAccess);
  const std::wstring key = sim::NormalizedKey(fileName);
  auto it = world.files.find(key);
  const bool created = it == world.files.end();
  if (created) {
    const DWORD missing = sim::MissingError(key);
    const bool creates = creationDisposition == CREATE_NEW ||
                         creationDisposition == CREATE_ALWAYS || creationDisposition == OPEN_ALWAYS;
    if (!creates || missing != ERROR_FILE_NOT_FOUND) {
      Fail(missing);
      return INVALID_HANDLE_VALUE;
    }
    sim::AddFile(sim::DosForm(fileName));
    it = world.files.find(key);
  } else if (creationDisposition == CREATE_NEW) {
    Fail(ERROR_FILE_EXISTS);
    return INVALID_HANDLE_VALUE;
  }
  sim::File& file = it->second;
  if (file.openError != 0) {
    Fail(file.openError);
    return INVALID_HANDLE_VALUE;
  }
  const bool directory = (file.attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  const bool truncates = creationDisposition == CREATE_ALWAYS ||
                         creationDisposition == TRUNCATE_EXISTING;
  if (directory && ((flagsAndAttributes & FILE_FLAG_BACKUP_SEMANTICS) == 0 ||
                    sim::Writes(access) || truncates)) {
    Fail(ERROR_ACCESS_DENIED);
    return INVALID_HANDLE_VALUE;
  }
  if (creationDisposition == TRUNCATE_EXISTING && (access & FILE_WRITE_DATA) == 0) {
    Fail(ERROR_INVALID_PARAMETER);
    return INVALID_HANDLE_VALUE;
  }
  for (const sim::OtherOpen& other : sim::OpensOf(file)) {
    if (sim::Conflicts(other, access, shareMode)) {
      Fail(ERROR_SHARING_VIOLATION);
      return INVALID_HANDLE_VALUE;
    }
  }
  if (truncates) file.content.clear();
  sim::HandleEntry entry{};
  entry.kind = sim::HandleKind::File;
  entry.file = &file;
  entry.access = access;
  entry.share = shareMode;
  entry.openedAs = fileName;
  entry.reachesLink = (flagsAndAttributes & FILE_FLAG_OPEN_REPARSE_POINT) != 0 && sim::IsLink(file);
  HANDLE handle = sim::NewHandle(std::move(entry));
  // Opening or replacing a file that was there is told apart from making a new one.
  if (creationDisposition == OPEN_ALWAYS || creationDisposition == CREATE_ALWAYS) {
    SetLastError(created ? ERROR_SUCCESS : ERROR_ALREADY_EXISTS);
  } else {
    Succeed();
  }
  return handle;
}

DWORD GetFinalPathNameByHandleW(HANDLE handle, LPWSTR filePath, DWORD filePathLength, DWORD flags) {
  Enter("GetFinalPathNameByHandleW");
  sim::HandleEntry* entry = sim::Find(handle, sim::HandleKind::File);
  if (entry == nullptr) {
    Fail(ERROR_INVALID_HANDLE);
    return 0;
  }
  const DWORD volumeFlag = flags & (VOLUME_NAME_GUID | VOLUME_NAME_NT | VOLUME_NAME_NONE);
  if ((flags & ~(FILE_NAME_OPENED | VOLUME_NAME_GUID | VOLUME_NAME_NT | VOLUME_NAME_NONE)) != 0 ||
      (volumeFlag & (volumeFlag - 1)) != 0) {
    Fail(ERROR_INVALID_PARAMETER);
    return 0;
  }
  const sim::File& file = *entry->file;
  if (file.finalPathError != 0) {
    Fail(file.finalPathError);
    return 0;
  }
  // The normalized name has every component in its stored letter case and long form; the
  // opened name is the path as it was opened (after any link was followed), spelled as given.
  std::wstring name;
  if (entry->reachesLink) {
    name = sim::PrefixedForm(file.path);
  } else if ((flags & FILE_NAME_OPENED) == 0 || sim::IsLink(file)) {
    name = file.finalPath;
  } else {
    name = sim::PrefixedForm(entry->openedAs);
  }
  const sim::PathResultSim form = sim::InVolumeForm(name, volumeFlag);
  if (form.error != ERROR_SUCCESS) {
    Fail(form.error);
    return 0;
  }
  const std::wstring& finalPath = form.path;
  // Too small a buffer: the size needed comes back, and the last error is left alone.
  if (finalPath.size() >= filePathLength) return static_cast<DWORD>(finalPath.size() + 1);
  std::copy(finalPath.begin(), finalPath.end(), filePath);
  filePath[finalPath.size()] = L'\0';
  Succeed();
  return static_cast<DWORD>(finalPath.size());
}

DWORD GetFileAttributesW(LPCWSTR fileName) {
  Enter("GetFileAttributesW");
  if (sim::IsHeldToMaxPath(fileName)) {
    Fail(ERROR_PATH_NOT_FOUND);
    return INVALID_FILE_ATTRIBUTES;
  }
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
  const std::wstring full = sim::FullPath(fileName);
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
  if (handle == sim::kStandardOutput && world.standardOutputIsConsole) {
    // A console shows the bytes in its own code page.
    world.console += sim::Decoded(world.consoleCodePage, std::string(bytes, bytesToWrite));
  } else if (handle == sim::kStandardOutput) {
    world.standardOutput.append(bytes, bytesToWrite);
  } else {
    sim::HandleEntry* entry = sim::Find(handle, sim::HandleKind::File);
    if (entry == nullptr || !sim::Writes(entry->access)) {
      Fail(entry == nullptr ? ERROR_INVALID_HANDLE : ERROR_ACCESS_DENIED);
      return FALSE;
    }
    std::string& content = entry->file->content;
    if ((entry->access & FILE_WRITE_DATA) == 0) {
      // Append access only: the write lands at the end of the file as it is at that moment.
      content.append(bytes, bytesToWrite);
    } else {
      // Write access: at the file pointer, over whatever is there.
      if (content.size() < entry->filePointer) content.resize(entry->filePointer, '\0');
      content.replace(entry->filePointer, std::min<size_t>(bytesToWrite, content.size() - entry->filePointer),
                      bytes, bytesToWrite);
      entry->filePointer += bytesToWrite;
    }
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

BOOL GetConsoleMode(HANDLE console, LPDWORD mode) {
  Enter("GetConsoleMode");
  if (console != sim::kStandardOutput || !TheWorld().standardOutputIsConsole) {
    Fail(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  *mode = ENABLE_PROCESSED_OUTPUT | ENABLE_WRAP_AT_EOL_OUTPUT;
  Succeed();
  return TRUE;
}

BOOL WriteConsoleW(HANDLE console, const VOID* buffer, DWORD charsToWrite, LPDWORD charsWritten,
                   LPVOID) {
  Enter("WriteConsoleW");
  sim::World& world = TheWorld();
  if (console != sim::kStandardOutput || !world.standardOutputIsConsole) {
    Fail(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (charsToWrite > sim::kConsoleWriteLimit) {
    Fail(ERROR_NOT_ENOUGH_MEMORY);
    return FALSE;
  }
  const wchar_t* text = static_cast<const wchar_t*>(buffer);
  // Each write is shown by itself: half of a surrogate pair shows as a replacement character.
  std::wstring shown(text, charsToWrite);
  if (!shown.empty() && IS_HIGH_SURROGATE(shown.back())) shown.back() = L'\xFFFD';
  if (!shown.empty() && IS_LOW_SURROGATE(shown.front())) shown.front() = L'\xFFFD';
  world.console += shown;
  if (charsWritten != nullptr) *charsWritten = charsToWrite;
  Succeed();
  return TRUE;
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
    if (process.exited) continue;
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
  if (process == nullptr || !sim::HoldsItsPid(*process)) {
    Fail(ERROR_INVALID_PARAMETER);  // no process has this pid
    return nullptr;
  }
  DWORD error =
      (desiredAccess & PROCESS_TERMINATE) != 0 ? process->terminateOpenError : process->openError;
  if (error == 0 && (desiredAccess & ~process->allowedAccess) != 0) error = ERROR_ACCESS_DENIED;
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

}  // namespace platform
