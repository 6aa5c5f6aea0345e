// The simulated processes and clock: who holds which pid, the Toolhelp snapshot, process handles
// and what they may do, termination, waits, and time.
#include <gtest/gtest.h>

#include <algorithm>

#include "support/simulated_internals.h"

namespace sim {
namespace {

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

Process* LatestProcess(DWORD pid) {
  auto& processes = TheWorld().processes;
  for (auto it = processes.rbegin(); it != processes.rend(); ++it) {
    if (it->pid == pid) return &*it;
  }
  return nullptr;
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

}  // namespace sim

namespace platform {

HANDLE CreateToolhelp32Snapshot(DWORD flags, DWORD) {
  Enter("CreateToolhelp32Snapshot");
  sim::World& world = TheWorld();
  if (world.createToolhelp32SnapshotError != 0 || flags != TH32CS_SNAPPROCESS) {
    Fail(world.createToolhelp32SnapshotError != 0 ? world.createToolhelp32SnapshotError
                                                  : ERROR_INVALID_PARAMETER);
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
  sim::HandleEntry* handle = sim::FindHandle(snapshot, sim::HandleKind::Snapshot);
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
  if (TheWorld().process32FirstError != 0) {
    Fail(TheWorld().process32FirstError);
    return FALSE;
  }
  return NextEntry(snapshot, entry, true);
}

BOOL Process32NextW(HANDLE snapshot, LPPROCESSENTRY32W entry) {
  Enter("Process32NextW");
  sim::World& world = TheWorld();
  auto it = world.process32NextErrors.find(world.calls["Process32NextW"]);
  if (it != world.process32NextErrors.end()) {
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
  DWORD error = (desiredAccess & PROCESS_TERMINATE) != 0 ? process->openProcessToTerminateError
                                                         : process->openProcessError;
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

// The process a handle reaches, when the handle grants `neededAccess` and the call has not been
// made to fail with the process's `fault` (null: none).
static sim::Process* ProcessOf(HANDLE handle, DWORD neededAccess, DWORD sim::Process::*fault) {
  sim::HandleEntry* entry = sim::FindHandle(handle, sim::HandleKind::Process);
  if (entry == nullptr) {
    Fail(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  if ((entry->access & neededAccess) != neededAccess) {
    Fail(ERROR_ACCESS_DENIED);
    return nullptr;
  }
  sim::Process* process = entry->process;
  if (fault != nullptr && process->*fault != 0) {
    Fail(process->*fault);
    return nullptr;
  }
  sim::Settle(*process);
  return process;
}

BOOL QueryFullProcessImageNameW(HANDLE handle, DWORD flags, LPWSTR exeName, PDWORD size) {
  Enter("QueryFullProcessImageNameW");
  sim::Process* process = ProcessOf(handle, PROCESS_QUERY_LIMITED_INFORMATION,
                                    &sim::Process::queryFullProcessImageNameError);
  if (process == nullptr) return FALSE;
  if (flags != 0) {
    Fail(ERROR_INVALID_PARAMETER);
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
  sim::Process* process = ProcessOf(handle, PROCESS_QUERY_LIMITED_INFORMATION,
                                    &sim::Process::getExitCodeProcessError);
  if (process == nullptr) return FALSE;
  *exitCode = process->exited ? process->exitCode : STILL_ACTIVE;
  Succeed();
  return TRUE;
}

BOOL GetProcessTimes(HANDLE handle, LPFILETIME creationTime, LPFILETIME exitTime,
                     LPFILETIME kernelTime, LPFILETIME userTime) {
  Enter("GetProcessTimes");
  sim::Process* process = ProcessOf(handle, PROCESS_QUERY_LIMITED_INFORMATION,
                                    &sim::Process::getProcessTimesError);
  if (process == nullptr) return FALSE;
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
  sim::Process* process = ProcessOf(handle, PROCESS_TERMINATE, nullptr);
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
      Fail(process->terminateProcessError);
      return FALSE;
  }
  process->exitCode = exitCode;
  Succeed();
  return TRUE;
}

DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds) {
  Enter("WaitForSingleObject");
  sim::Process* process =
      ProcessOf(handle, SYNCHRONIZE, &sim::Process::waitForSingleObjectError);
  if (process == nullptr) return WAIT_FAILED;
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
