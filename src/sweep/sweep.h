// One pass over a snapshot of the running processes.
#pragma once

#include "sweep/exit_code.h"
#include "targets/target_list.h"

namespace procsweep {

// Finds every process whose image is one of the targets, writes "matched" for each, and counts,
// closes or terminates it as `mode` says. Returns the pass's result.
ExitCode SweepProcesses(const TargetList& list, SweepMode mode);

}  // namespace procsweep
