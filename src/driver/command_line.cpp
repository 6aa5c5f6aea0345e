#include "driver/command_line.h"

#include <clocale>

#include "driver/sweep_plan.h"
#include "report/report_event.h"
#include "restart_manager/owner_reports.h"
#include "targets/final_path.h"

namespace procsweep {
namespace {

constexpr wchar_t kLogOption[] = L"--log";
constexpr wchar_t kOwnersWord[] = L"owners";
constexpr wchar_t kLegacyOwnersWord[] = L"legacy-owners";

// The main executable name must be one path component and no pattern.
bool IsAcceptedExecutableName(const std::wstring& name) {
  return !name.empty() && name.find_first_of(L"\\/:*?") == std::wstring::npos;
}

}  // namespace

ExitCode RunCommandLine(std::vector<std::wstring> arguments) {
  // Event lines reach standard output in the ANSI code page.
  platform::setlocale(LC_CTYPE, ".ACP");

  std::wstring logFilePath;
  if (arguments.size() >= 3 && arguments[0] == kLogOption) {
    logFilePath = arguments[1];
    arguments.erase(arguments.begin(), arguments.begin() + 2);
  }
  SetLogFilePath(logFilePath);

  if (arguments.size() < 2) return ExitCode::Failure;
  const std::wstring& modeWord = arguments[0];
  if (modeWord == kOwnersWord && arguments.size() == 2) {
    RunOwnersMode(arguments[1]);
    return ExitCode::Success;
  }
  if (arguments.size() != 3) return ExitCode::Failure;

  const std::wstring& installationDirectory = arguments[1];
  const std::wstring& mainExecutableName = arguments[2];
  const PathResult installationRoot = ResolveFinalPath(installationDirectory);
  if (!IsAcceptedExecutableName(mainExecutableName)) return ExitCode::Failure;
  if (installationRoot.path.empty()) {
    if (installationRoot.error == ERROR_FILE_NOT_FOUND ||
        installationRoot.error == ERROR_PATH_NOT_FOUND) {
      return ExitCode::Success;
    }
    ReportEvent(events::kInstallationPathFailed, 0, installationRoot.error, installationDirectory);
    return ExitCode::Failure;
  }

  if (modeWord == kLegacyOwnersWord) {
    RunLegacyOwnersMode(installationDirectory, mainExecutableName);
    return ExitCode::Success;
  }
  return RunSweepPlan(modeWord, installationRoot.path, mainExecutableName);
}

}  // namespace procsweep
