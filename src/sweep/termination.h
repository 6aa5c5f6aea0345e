// Ending a matched process, only after making sure it is still the process that was matched.
#pragma once

#include <string>

#include "platform/windows_api.h"
#include "sweep/exit_code.h"
#include "targets/target_list.h"

namespace procsweep {

inline constexpr ULONGLONG kCleanupDeadlineMs = 8000;
inline constexpr DWORD kTerminateWaitMs = 3000;

// A process that passed both the name and the final-path test, with the handle it was examined
// through (PROCESS_QUERY_LIMITED_INFORMATION), open for as long as the pair is handled.
struct MatchedProcess {
  DWORD pid;
  const TargetExecutable& target;
  HANDLE queryHandle;
  const std::wstring& imagePath;
};

enum class TerminationOutcome { Continue, DeadlinePassed };

// Terminates the process with exit code 0 and waits for it. Sets `result` to Failure when a
// step failed; DeadlinePassed tells the sweep to stop at once.
TerminationOutcome TerminateMatchedProcess(const MatchedProcess& match, ULONGLONG deadline,
                                           ExitCode& result);

}  // namespace procsweep
