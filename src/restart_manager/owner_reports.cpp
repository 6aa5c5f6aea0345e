#include "restart_manager/owner_reports.h"

#include <cwchar>

#include "report/report_event.h"
#include "restart_manager/file_owners.h"
#include "targets/target_list.h"

namespace procsweep {
namespace {

// The holder's application name, read no further than its array even when the Restart Manager
// left it without a terminating NUL.
std::wstring HolderName(const RM_PROCESS_INFO& owner) {
  const size_t capacity = sizeof(owner.strAppName) / sizeof(owner.strAppName[0]);
  return std::wstring(owner.strAppName, wcsnlen(owner.strAppName, capacity));
}

}  // namespace

void ReportFileOwners(const std::vector<const wchar_t*>& files) {
  if (files.empty()) return;
  std::vector<RM_PROCESS_INFO> owners;
  const DWORD result = QueryFileOwners(files, owners);
  if (result != ERROR_SUCCESS) {
    ReportEvent(events::kRestartManagerQueryFailed, 0, result, std::wstring());
    return;
  }
  if (owners.empty()) {
    ReportEvent(events::kRestartManagerNoOwnerReported, 0, 0, std::wstring());
    return;
  }
  for (const RM_PROCESS_INFO& owner : owners) {
    ReportEvent(events::kRestartManagerOwner, owner.Process.dwProcessId, 0, HolderName(owner));
  }
}

void RunOwnersMode(const std::wstring& file) {
  ReportEvent(events::kRestartManagerFile, 0, 0, file);
  ReportFileOwners({file.c_str()});
}

void RunLegacyOwnersMode(const std::wstring& installationDirectory,
                         const std::wstring& mainExecutableName) {
  ReportEvent(events::kRestartManagerLegacySample, 0, 0, installationDirectory);
  std::vector<std::wstring> samples;
  samples.reserve(2 + HelperExecutables.size());
  // Plain concatenation: an argument that ends in a backslash gives a doubled one, which the
  // system cleans up in a plain path.
  samples.push_back(installationDirectory + L"\\" + mainExecutableName);
  samples.push_back(installationDirectory + L"\\" + kMarkerFile);
  for (const wchar_t* helper : HelperExecutables) {
    samples.push_back(installationDirectory + L"\\" + helper);
  }
  std::vector<const wchar_t*> files;
  for (const std::wstring& sample : samples) {
    if (!IsExistingFile(sample)) continue;
    ReportEvent(events::kRestartManagerSampledFile, 0, 0, sample);
    files.push_back(sample.c_str());
  }
  ReportFileOwners(files);
}

}  // namespace procsweep
