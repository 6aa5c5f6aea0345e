#include "driver/command_line.h"

#include "driver/sweep_plan.h"
#include "report/report_event.h"
#include "restart_manager/owner_reports.h"
#include "targets/final_path.h"

namespace procsweep {
namespace {

constexpr wchar_t kLogOption[] = L"--log";
constexpr wchar_t kOwnersWord[] = L"owners";
constexpr wchar_t kLegacyOwnersWord[] = L"legacy-owners";

// The main executable name must be one path component and no pattern. Windows drops the dots and
// spaces at the end of a plain path's last component, but the candidates are built below the
// "\\?\" root, which keeps them: no file of such a name can be there, and a typo such as
// "App.exe " would make the main executable silently no target at all.
bool IsAcceptedExecutableName(const std::wstring& name) {
  return !name.empty() && name.find_first_of(L"\\/:*?") == std::wstring::npos &&
         name.back() != L'.' && name.back() != L' ';
}

// NSIS names an installation at a drive's root "R:", without the backslash; Windows would read
// that as the current folder of drive R (the folder the installer was started from, say), and
// the tool would look at the wrong files. An installation directory is never meant that way.
std::wstring DriveRootIfBareDrive(const std::wstring& directory) {
  const bool bareDrive = directory.size() == 2 && directory[1] == L':' &&
                         ((directory[0] >= L'A' && directory[0] <= L'Z') ||
                          (directory[0] >= L'a' && directory[0] <= L'z'));
  return bareDrive ? directory + L'\\' : directory;
}

void RestrictLibrarySearch() {
  // Installers run this tool from Downloads and TEMP folders, where anyone may have planted a
  // DLL beside it: from here on, every library the system loads for the tool comes from the
  // system directory. Windows 7 without KB2533623 lacks the call; the tool then goes on, and
  // loads its libraries by their full path in the system directory.
  platform::SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
}

}  // namespace

ExitCode RunCommandLine(std::vector<std::wstring> arguments) {
  RestrictLibrarySearch();

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
  // An empty directory is what an installer passes when its variable was never set: a
  // malformed command line, never "nothing is installed". Nothing is looked at before both
  // arguments have passed.
  if (installationDirectory.empty() || !IsAcceptedExecutableName(mainExecutableName)) {
    return ExitCode::Failure;
  }
  const PathResult installationRoot =
      ResolveDirectoryFinalPath(DriveRootIfBareDrive(installationDirectory));
  if (installationRoot.path.empty()) {
    // Only a directory that cannot even be opened is absent; one that opened but whose final
    // path cannot be read exists, and the application may well run there.
    if (installationRoot.missing) return ExitCode::Success;
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
