// The plans of the four sweep words: which passes run, and how their results combine.
#pragma once

#include <string>

#include "sweep/exit_code.h"

namespace procsweep {

ExitCode RunSweepPlan(const std::wstring& modeWord, const std::wstring& installationRoot,
                      const std::wstring& mainExecutableName);

}  // namespace procsweep
