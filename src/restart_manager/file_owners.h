// Which running processes hold any of a list of files, as the Restart Manager sees it.
#pragma once

#include <vector>

#include "platform/windows_api.h"

namespace procsweep {

inline constexpr int kMaxRmGetListCalls = 4;

// One self-contained Restart Manager session. Returns ERROR_SUCCESS with `owners` holding the
// holders in the order reported, or the error code of the step that failed (then `owners`
// means nothing). `files` are passed as given, in order.
DWORD QueryFileOwners(const std::vector<const wchar_t*>& files,
                      std::vector<RM_PROCESS_INFO>& owners);

}  // namespace procsweep
