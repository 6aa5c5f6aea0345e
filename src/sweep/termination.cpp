#include "sweep/termination.h"

#include "common/text_compare.h"
#include "common/unique_handle.h"
#include "report/report_event.h"
#include "sweep/process_query.h"
#include "targets/final_path.h"

namespace procsweep {
namespace {

constexpr DWORD kTerminationAccess =
    PROCESS_TERMINATE | PROCESS_QUERY_LIMITED_INFORMATION | SYNCHRONIZE;

// The pid may have been given to another process since the pair was examined. The same creation
// time on both handles, and an image that still resolves to the target, show that the
// termination handle reaches the very process that was matched.
bool IsSameProcess(const MatchedProcess& match, HANDLE terminationHandle) {
  FILETIME matchedCreation{}, currentCreation{}, exitTime{}, kernelTime{}, userTime{};
  if (!platform::GetProcessTimes(match.queryHandle, &matchedCreation, &exitTime, &kernelTime,
                                 &userTime)) {
    return false;
  }
  if (!platform::GetProcessTimes(terminationHandle, &currentCreation, &exitTime, &kernelTime,
                                 &userTime)) {
    return false;
  }
  if (platform::CompareFileTime(&matchedCreation, &currentCreation) != 0) return false;
  const PathResult imagePath = QueryImagePath(terminationHandle);
  if (imagePath.path.empty()) return false;
  const PathResult finalPath = ResolveFinalPath(imagePath.path);
  return !finalPath.path.empty() && EqualIgnoringCase(finalPath.path, match.target.finalPath);
}

void Fail(const wchar_t* eventName, const MatchedProcess& match, DWORD error, ExitCode& result) {
  ReportEvent(eventName, match.pid, error, match.imagePath);
  result = ExitCode::Failure;
}

}  // namespace

TerminationOutcome TerminateMatchedProcess(const MatchedProcess& match, ULONGLONG deadline,
                                           ExitCode& result) {
  if (platform::GetTickCount64() >= deadline) {
    Fail(events::kCleanupDeadline, match, WAIT_TIMEOUT, result);
    return TerminationOutcome::DeadlinePassed;
  }

  UniqueHandle process(platform::OpenProcess(kTerminationAccess, FALSE, match.pid));
  if (!process) {
    const DWORD error = platform::GetLastError();
    if (!HasExited(match.queryHandle)) Fail(events::kTerminateOpenFailed, match, error, result);
    return TerminationOutcome::Continue;
  }
  if (HasExited(match.queryHandle) ||
      platform::WaitForSingleObject(process.get(), 0) == WAIT_OBJECT_0) {
    return TerminationOutcome::Continue;
  }
  if (!IsSameProcess(match, process.get())) {
    if (!HasExited(match.queryHandle)) Fail(events::kIdentityChanged, match, 0, result);
    return TerminationOutcome::Continue;
  }

  if (!platform::TerminateProcess(process.get(), 0)) {
    const DWORD error = platform::GetLastError();
    // A process that is already exiting refuses termination with ERROR_ACCESS_DENIED and is
    // signalled only a moment later; in "force" that is every further process of the
    // application once its main process has gone. Only one that stays is a failure.
    if (platform::WaitForSingleObject(process.get(), kTerminateWaitMs) != WAIT_OBJECT_0) {
      Fail(events::kTerminateFailed, match, error, result);
    }
    return TerminationOutcome::Continue;
  }

  const DWORD wait = platform::WaitForSingleObject(process.get(), kTerminateWaitMs);
  if (wait == WAIT_OBJECT_0) {
    ReportEvent(events::kExited, match.pid, 0, match.imagePath);
  } else {
    Fail(events::kWaitFailed, match, wait == WAIT_FAILED ? platform::GetLastError() : wait, result);
  }
  return TerminationOutcome::Continue;
}

}  // namespace procsweep
