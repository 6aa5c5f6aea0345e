#include "targets/target_list.h"

#include "common/text_compare.h"
#include "platform/windows_api.h"
#include "report/report_event.h"
#include "targets/final_path.h"

namespace procsweep {

std::wstring JoinBelowRoot(const std::wstring& root, const std::wstring& relativePath) {
  std::wstring path = root;
  if (path.empty() || path.back() != L'\\') path += L'\\';
  path += relativePath;
  return path;
}

bool IsExistingFile(const std::wstring& path) {
  const DWORD attributes = platform::GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool AddTargetExecutable(TargetList& list, const std::wstring& installationRoot,
                         const std::wstring& relativePath, bool isMainExecutable) {
  const std::wstring candidate = JoinBelowRoot(installationRoot, relativePath);
  const DWORD attributes = platform::GetFileAttributesW(candidate.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    const DWORD error = platform::GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return true;
    ReportEvent(events::kExecutableAttributesFailed, 0, error, candidate);
    return false;
  }
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return true;

  PathResult finalPath = ResolveFinalPath(candidate);
  if (finalPath.path.empty()) {
    ReportEvent(events::kExecutablePathFailed, 0, finalPath.error, candidate);
    return false;
  }
  // The root is itself a final path, so any difference below it means a link, a junction,
  // a short name or another spelling that leads elsewhere: never a target.
  if (!EqualIgnoringCase(finalPath.path, candidate)) {
    ReportEvent(events::kRedirectedExecutableSkipped, 0, 0, candidate);
    return true;
  }
  const size_t lastBackslash = relativePath.rfind(L'\\');
  std::wstring imageName =
      lastBackslash == std::wstring::npos ? relativePath : relativePath.substr(lastBackslash + 1);
  list.push_back(TargetExecutable{std::move(imageName), std::move(finalPath.path), isMainExecutable});
  return true;
}

bool BuildTargetList(const std::wstring& installationRoot, const std::wstring& mainExecutableName,
                     TargetList& list) {
  list.clear();
  bool built = AddTargetExecutable(list, installationRoot, mainExecutableName, true);
  if (built && (!list.empty() || IsExistingFile(JoinBelowRoot(installationRoot, kMarkerFile)))) {
    for (const wchar_t* helper : HelperExecutables) {
      built = AddTargetExecutable(list, installationRoot, helper, false);
      if (!built) break;
    }
  }
  if (!built) list.clear();
  return built;
}

}  // namespace procsweep
