#include "restart_manager/inaccessible_process.h"

#include <vector>

#include "report/report_event.h"
#include "restart_manager/file_owners.h"
#include "targets/final_path.h"

namespace procsweep {

bool ConfirmInaccessibleProcess(const std::wstring& finalPath, DWORD pid) {
  const std::wstring plainPath = ToPlainPath(finalPath);
  std::vector<RM_PROCESS_INFO> owners;
  const DWORD result = QueryFileOwners({plainPath.c_str()}, owners);
  if (result != ERROR_SUCCESS) {
    ReportEvent(events::kRestartManagerProcessCheckFailed, pid, result, plainPath);
    return true;
  }
  for (const RM_PROCESS_INFO& owner : owners) {
    if (owner.Process.dwProcessId == pid) return true;
  }
  ReportEvent(events::kInaccessibleProcessNotReported, pid, 0, plainPath);
  return false;
}

}  // namespace procsweep
