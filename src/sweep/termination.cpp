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

// The query handle stays open from the examination until here, and Windows never gives a pid to
// another process while any handle to it is open, so the second OpenProcess reaches the process
// that was matched. The check proves it from the termination handle's side (the same creation
// time, an image that still resolves to the target) rather than trusting the pid: a
// termination must never rest on a number alone, and an image whose path no longer leads to the
// target (the installation moved or replaced meanwhile) is not ended either.
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
