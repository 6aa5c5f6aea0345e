// The simulated Restart Manager library (rstrtmgr.dll); simulated_libraries.cpp loads it.
#include <cstring>

#include "support/simulated_windows.h"

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
  if (Rm().startError != 0) return Rm().startError;
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
  return Rm().registerError;
}

DWORD WINAPI RmGetList(DWORD session, UINT* needed, UINT* count, RM_PROCESS_INFO records[],
                       LPDWORD rebootReasons) {
  Enter("RmGetList");
  RestartManager& rm = Rm();
  ++rm.listCalls;
  rm.listBufferSizes.push_back(*count);
  if (!IsOpenSession(session) || needed == nullptr || rebootReasons == nullptr) {
    return ERROR_INVALID_PARAMETER;
  }
  for (int i = 0; i < rm.holdersAddedPerCall; ++i) {
    RM_PROCESS_INFO info{};
    info.Process.dwProcessId = 9000 + static_cast<DWORD>(rm.holders.size());
    std::wcscpy(info.strAppName, L"Latecomer");
    rm.holders.push_back(info);
  }
  if (!rm.listErrors.empty()) {
    const DWORD error = rm.listErrors.front();
    rm.listErrors.pop_front();
    if (error != 0) return error;
  }
  *rebootReasons = 0;
  *needed = static_cast<UINT>(rm.holders.size());
  if (*count < rm.holders.size()) return ERROR_MORE_DATA;
  if (records == nullptr && !rm.holders.empty()) return ERROR_INVALID_PARAMETER;
  std::copy(rm.holders.begin(), rm.holders.end(), records);
  *count = static_cast<UINT>(rm.holders.size());
  return ERROR_SUCCESS;
}

DWORD WINAPI RmEndSession(DWORD session) {
  Enter("RmEndSession");
  if (!IsOpenSession(session)) return ERROR_INVALID_HANDLE;
  ++Rm().sessionsEnded;
  Rm().sessionOpen[session - kFirstSession] = false;
  return Rm().endError;
}

}  // namespace

void* RestartManagerFunction(const std::string& name) {
  return name == "RmStartSession"        ? reinterpret_cast<void*>(&RmStartSession)
         : name == "RmRegisterResources" ? reinterpret_cast<void*>(&RmRegisterResources)
         : name == "RmGetList"           ? reinterpret_cast<void*>(&RmGetList)
         : name == "RmEndSession"        ? reinterpret_cast<void*>(&RmEndSession)
                                         : nullptr;
}

}  // namespace sim

