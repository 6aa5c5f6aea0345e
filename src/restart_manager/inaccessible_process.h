// Settles a process the sweep cannot examine by asking who holds the target's file.
#pragma once

#include <string>

#include "platform/windows_api.h"

namespace procsweep {

// True when the process still counts as a match: the Restart Manager lists `pid` among the
// holders of the file, or could not answer. False, after an event, when it answered without it.
bool ConfirmInaccessibleProcess(const std::wstring& finalPath, DWORD pid);

}  // namespace procsweep
