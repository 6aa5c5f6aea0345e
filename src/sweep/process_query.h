// Questions asked of a process through a handle with PROCESS_QUERY_LIMITED_INFORMATION.
#pragma once

#include "common/path_result.h"
#include "platform/windows_api.h"

namespace procsweep {

// The Win32 path of the process's executable, or an empty path and the error of the query.
PathResult QueryImagePath(HANDLE process);

// True only when the process has ended with an exit code other than STILL_ACTIVE; a failed
// query counts as still running.
bool HasExited(HANDLE process);

}  // namespace procsweep
