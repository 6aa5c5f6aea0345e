// The simulated Restart Manager: processes that hold files, and the sessions that ask about them,
// reached the way the tool reaches the real one (simulated_loader.cpp loads the library).
#include <cstring>

#include "support/simulated_internals.h"

namespace sim {
namespace {

constexpr DWORD kFirstSession = 40;

RestartManager& Rm() { return TheWorld().restartManager; }

bool IsOpenSession(DWORD session) {
  return session >= kFirstSession && session - kFirstSession < Rm().sessionOpen.size() &&
         Rm().sessionOpen[session - kFirstSession];
}

DWORD WINAPI RmStartSession(DWORD* session, DWORD flags, WCHAR key[]) {
  Enter("RmStartSession");
  if (Rm().rmStartSessionError != 0) return Rm().rmStartSessionError;
  if (flags != 0 || key == nullptr) return ERROR_INVALID_PARAMETER;
  *session = kFirstSession + static_cast<DWORD>(Rm().sessionsStarted++);
  Rm().registeredFiles.emplace_back();
  Rm().sessionOpen.push_back(true);
  std::wcscpy(key, L"0123456789abcdef0123456789abcdef");
  return ERROR_SUCCESS;
}

DWORD WINAPI RmRegisterResources(DWORD session, UINT fileCount, LPCWSTR files[],
                                 UINT applicationCount, RM_UNIQUE_PROCESS[], UINT serviceCount,
                                 LPCWSTR[]) {
  Enter("RmRegisterResources");
  if (!IsOpenSession(session)) return ERROR_INVALID_HANDLE;
  if (applicationCount != 0 || serviceCount != 0) return ERROR_INVALID_PARAMETER;
  for (UINT i = 0; i < fileCount; ++i) {
    Rm().registeredFiles[session - kFirstSession].push_back(files[i]);
  }
  return Rm().rmRegisterResourcesError;
}

bool HoldsRegisteredFile(const Holder& holder, const std::wstring& registered) {
  if (registered.compare(0, 4, L"\\\\?\\") == 0) return false;
  return NormalizedKey(registered) == NormalizedKey(holder.file);
}

// Each process that holds one of the session's files, once, in the order they turned up.
std::vector<RM_PROCESS_INFO> AffectedApplications(DWORD session) {
  std::vector<RM_PROCESS_INFO> list;
  for (const Holder& holder : Rm().holders) {
    bool holds = false;
    for (const std::wstring& file : Rm().registeredFiles[session - kFirstSession]) {
      holds = holds || HoldsRegisteredFile(holder, file);
    }
    bool listed = false;
    for (const RM_PROCESS_INFO& record : list) {
      listed = listed || (record.Process.dwProcessId == holder.info.Process.dwProcessId &&
                          ::CompareFileTime(&record.Process.ProcessStartTime,
                                            &holder.info.Process.ProcessStartTime) == 0);
    }
    if (holds && !listed) list.push_back(holder.info);
  }
  return list;
}

DWORD WINAPI RmGetList(DWORD session, UINT* needed, UINT* count, RM_PROCESS_INFO records[],
                       LPDWORD rebootReasons) {
  Enter("RmGetList");
  RestartManager& rm = Rm();
  ++rm.listCalls;
  if (!IsOpenSession(session) || needed == nullptr || count == nullptr ||
      rebootReasons == nullptr) {
    return ERROR_INVALID_PARAMETER;
  }
  const std::vector<std::wstring>& files = rm.registeredFiles[session - kFirstSession];
  for (int i = 0; i < rm.holdersAddedPerCall && !files.empty(); ++i) {
    AddHolder(9000 + static_cast<DWORD>(rm.holders.size()), L"Latecomer", files.front());
  }
  if (!rm.rmGetListErrors.empty()) {
    const DWORD error = rm.rmGetListErrors.front();
    rm.rmGetListErrors.pop_front();
    if (error != 0) return error;
  }
  const std::vector<RM_PROCESS_INFO> affected = AffectedApplications(session);
  *rebootReasons = 0;
  *needed = static_cast<UINT>(affected.size());
  if (*count < affected.size()) return ERROR_MORE_DATA;
  if (records == nullptr && !affected.empty()) return ERROR_INVALID_PARAMETER;
  std::copy(affected.begin(), affected.end(), records);
  *count = static_cast<UINT>(affected.size());
  return ERROR_SUCCESS;
}

DWORD WINAPI RmEndSession(DWORD session) {
  Enter("RmEndSession");
  if (!IsOpenSession(session)) return ERROR_INVALID_HANDLE;
  ++Rm().sessionsEnded;
  Rm().sessionOpen[session - kFirstSession] = false;
  return Rm().rmEndSessionError;
}

}  // namespace

RM_PROCESS_INFO& AddHolder(DWORD pid, const std::wstring& appName, const std::wstring& file) {
  Holder holder;
  holder.info.Process.dwProcessId = pid;
  const Process* process = LatestProcess(pid);
  const ULONGLONG startTime = process != nullptr ? process->creationTime : 1;
  holder.info.Process.ProcessStartTime.dwLowDateTime = static_cast<DWORD>(startTime);
  holder.info.Process.ProcessStartTime.dwHighDateTime = static_cast<DWORD>(startTime >> 32);
  appName.copy(holder.info.strAppName, CCH_RM_MAX_APP_NAME);
  holder.file = file;
  Rm().holders.push_back(holder);
  return Rm().holders.back().info;
}

FARPROC RestartManagerExport(const std::string& name) {
  void* function = name == "RmStartSession"        ? reinterpret_cast<void*>(&RmStartSession)
                   : name == "RmRegisterResources" ? reinterpret_cast<void*>(&RmRegisterResources)
                   : name == "RmGetList"           ? reinterpret_cast<void*>(&RmGetList)
                   : name == "RmEndSession"        ? reinterpret_cast<void*>(&RmEndSession)
                                                   : nullptr;
  return reinterpret_cast<FARPROC>(function);
}

}  // namespace sim
