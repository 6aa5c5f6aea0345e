#include "restart_manager/file_owners.h"

#include <algorithm>

#include "common/system_library.h"

namespace procsweep {
namespace {

using RmStartSessionFunction = DWORD(WINAPI*)(DWORD*, DWORD, WCHAR[]);
using RmRegisterResourcesFunction = DWORD(WINAPI*)(DWORD, UINT, LPCWSTR[], UINT,
                                                   RM_UNIQUE_PROCESS[], UINT, LPCWSTR[]);
using RmGetListFunction = DWORD(WINAPI*)(DWORD, UINT*, UINT*, RM_PROCESS_INFO[], LPDWORD);
using RmEndSessionFunction = DWORD(WINAPI*)(DWORD);

struct RestartManagerFunctions {
  RmStartSessionFunction startSession = nullptr;
  RmRegisterResourcesFunction registerResources = nullptr;
  RmGetListFunction getList = nullptr;
  RmEndSessionFunction endSession = nullptr;
};

// A started session, ended on every path out of the query.
class RestartManagerSession {
 public:
  RestartManagerSession(RmEndSessionFunction endSession, DWORD session)
      : endSession_(endSession), session_(session) {}
  RestartManagerSession(const RestartManagerSession&) = delete;
  RestartManagerSession& operator=(const RestartManagerSession&) = delete;
  ~RestartManagerSession() { endSession_(session_); }
  DWORD get() const { return session_; }

 private:
  RmEndSessionFunction endSession_;
  DWORD session_;
};

DWORD FindFunctions(HMODULE library, RestartManagerFunctions& functions) {
  functions.startSession = FindFunction<RmStartSessionFunction>(library, "RmStartSession");
  if (functions.startSession == nullptr) return LastErrorOr(ERROR_PROC_NOT_FOUND);
  functions.registerResources =
      FindFunction<RmRegisterResourcesFunction>(library, "RmRegisterResources");
  if (functions.registerResources == nullptr) return LastErrorOr(ERROR_PROC_NOT_FOUND);
  functions.getList = FindFunction<RmGetListFunction>(library, "RmGetList");
  if (functions.getList == nullptr) return LastErrorOr(ERROR_PROC_NOT_FOUND);
  functions.endSession = FindFunction<RmEndSessionFunction>(library, "RmEndSession");
  if (functions.endSession == nullptr) return LastErrorOr(ERROR_PROC_NOT_FOUND);
  return ERROR_SUCCESS;
}

}  // namespace

DWORD QueryFileOwners(const std::vector<const wchar_t*>& files,
                      std::vector<RM_PROCESS_INFO>& owners) {
  // The Restart Manager library is not one of the system's known DLLs, so it is never imported:
  // an import would load a rstrtmgr.dll planted beside the tool. It is loaded for one query.
  const LoadedLibrary loaded = LoadSystemLibrary(L"rstrtmgr.dll");
  if (!loaded.library) return loaded.error;
  RestartManagerFunctions rm;
  const DWORD found = FindFunctions(loaded.library.get(), rm);
  if (found != ERROR_SUCCESS) return found;

  DWORD sessionHandle = 0;
  WCHAR sessionKey[CCH_RM_SESSION_KEY + 1] = {};
  // The Rm* functions return their error; they are not read through the thread's last error.
  const DWORD started = rm.startSession(&sessionHandle, 0, sessionKey);
  if (started != ERROR_SUCCESS) return started;
  UINT recordCount = 0;
  DWORD result = ERROR_SUCCESS;
  {
    const RestartManagerSession session(rm.endSession, sessionHandle);
    std::vector<LPCWSTR> paths(files.begin(), files.end());
    result = rm.registerResources(session.get(), static_cast<UINT>(paths.size()), paths.data(), 0,
                                  nullptr, 0, nullptr);
    if (result == ERROR_SUCCESS) {
      UINT neededCount = 0;
      DWORD rebootReasons = 0;
      for (int call = 0; call < kMaxRmGetListCalls; ++call) {
        recordCount = static_cast<UINT>(owners.size());
        result = rm.getList(session.get(), &neededCount, &recordCount,
                            owners.empty() ? nullptr : owners.data(), &rebootReasons);
        if (result != ERROR_MORE_DATA) break;
        owners.resize(neededCount, RM_PROCESS_INFO{});
      }
    }
  }
  // Never more records than the array holds, whatever count comes back.
  if (result == ERROR_SUCCESS) owners.resize(std::min<size_t>(recordCount, owners.size()));
  return result;
}

}  // namespace procsweep
