// The tool's one decision point: what a run does, given its arguments.
#pragma once

#include <string>
#include <vector>

#include "sweep/exit_code.h"

namespace procsweep {

// First thing at start-up, before anything can load a library: restricts the system's library
// search to the system directory.
void RestrictLibrarySearch();

// Runs the tool in-process, RestrictLibrarySearch first. `arguments` are the command-line arguments after the program name.
ExitCode RunCommandLine(std::vector<std::wstring> arguments);

}  // namespace procsweep
