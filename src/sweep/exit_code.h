// What a sweep pass does with its matches, and what it returns (also the tool's exit code).
#pragma once

#include <cstdint>

namespace procsweep {

enum class ExitCode : std::uint32_t {
  Success = 0,
  Failure = 2,
  MainRunning = 10,
  HelpersRunning = 11,
};

enum class SweepMode : std::uint32_t {
  Probe = 0,
  Close = 1,
  TerminateHelpers = 2,
  TerminateAll = 3,
};

}  // namespace procsweep
