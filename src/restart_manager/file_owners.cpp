#include "restart_manager/file_owners.h"

#include <algorithm>

namespace procsweep {
namespace {

using RmStartSessionFunction = DWORD(WINAPI*)(DWORD*, DWORD, WCHAR[]);
using RmRegisterResourcesFunction = DWORD(WINAPI*)(DWORD, UINT, LPCWSTR[], UINT,
                                                   RM_UNIQUE_PROCESS[], UINT, LPCWSTR[]);
using RmGetListFunction = DWORD(WINAPI*)(DWORD, UINT*, UINT*, RM_PROCESS_INFO[], LPDWORD);
using RmEndSessionFunction = DWORD(WINAPI*)(DWORD);

// The Restart Manager library is not one of the system's known DLLs, so it is never imported:
// an import would load a rstrtmgr.dll planted beside the tool. It is loaded from the system
// directory only, for the duration of one query.
class RestartManagerLibrary {
 public:
  RestartManagerLibrary()
      : module_(platform::LoadLibraryExW(L"rstrtmgr.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32)) {}
  RestartManagerLibrary(const RestartManagerLibrary&) = delete;
  RestartManagerLibrary& operator=(const RestartManagerLibrary&) = delete;
  ~RestartManagerLibrary() {
    if (module_ != nullptr) platform::FreeLibrary(module_);
  }
  HMODULE get() const { return module_; }

 private:
  HMODULE module_;
};

template <typename Function>
Function Find(HMODULE module, const char* name) {
  return reinterpret_cast<Function>(reinterpret_cast<void*>(platform::GetProcAddress(module, name)));
}

// A failure to load must never read as success, even if the system left no error behind.
DWORD LoadError(DWORD fallback) {
  const DWORD error = platform::GetLastError();
  return error != ERROR_SUCCESS ? error : fallback;
}

}  // namespace

DWORD QueryFileOwners(const std::vector<const wchar_t*>& files,
                      std::vector<RM_PROCESS_INFO>& owners) {
  RestartManagerLibrary library;
  if (library.get() == nullptr) return LoadError(ERROR_MOD_NOT_FOUND);
  const auto startSession = Find<RmStartSessionFunction>(library.get(), "RmStartSession");
  if (startSession == nullptr) return LoadError(ERROR_PROC_NOT_FOUND);
  const auto registerResources =
      Find<RmRegisterResourcesFunction>(library.get(), "RmRegisterResources");
  if (registerResources == nullptr) return LoadError(ERROR_PROC_NOT_FOUND);
  const auto getList = Find<RmGetListFunction>(library.get(), "RmGetList");
  if (getList == nullptr) return LoadError(ERROR_PROC_NOT_FOUND);
  const auto endSession = Find<RmEndSessionFunction>(library.get(), "RmEndSession");
  if (endSession == nullptr) return LoadError(ERROR_PROC_NOT_FOUND);

  DWORD session = 0;
  WCHAR sessionKey[CCH_RM_SESSION_KEY + 1] = {};
  const DWORD started = startSession(&session, 0, sessionKey);
  if (started != ERROR_SUCCESS) return started;

  // The Rm* functions return their error; they are not read through the thread's last error.
  std::vector<LPCWSTR> paths(files.begin(), files.end());
  DWORD result = registerResources(session, static_cast<UINT>(paths.size()), paths.data(), 0,
                                   nullptr, 0, nullptr);
  UINT recordCount = 0;
  if (result == ERROR_SUCCESS) {
    UINT neededCount = 0;
    DWORD rebootReasons = 0;
    for (int call = 0; call < kMaxRmGetListCalls; ++call) {
      recordCount = static_cast<UINT>(owners.size());
      result = getList(session, &neededCount, &recordCount, owners.empty() ? nullptr : owners.data(),
                       &rebootReasons);
      if (result != ERROR_MORE_DATA) break;
      owners.resize(neededCount, RM_PROCESS_INFO{});
    }
  }
  endSession(session);
  // Never more records than the array holds, whatever count comes back.
  if (result == ERROR_SUCCESS) owners.resize(std::min<size_t>(recordCount, owners.size()));
  return result;
}

}  // namespace procsweep
