// The tool's one decision point: what a run does, given its arguments.
#pragma once

#include <string>
#include <vector>

#include "sweep/exit_code.h"

namespace procsweep {

// Runs the tool in-process. `arguments` are the command-line arguments after the program name.
// Its first act, before anything can load a library, restricts the library search to the
// system directory.
ExitCode RunCommandLine(std::vector<std::wstring> arguments);

}  // namespace procsweep
