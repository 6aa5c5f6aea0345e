#include "driver/sweep_plan.h"

#include "sweep/sweep.h"
#include "targets/target_list.h"

namespace procsweep {
namespace {

// A terminate pass that failed decides the exit code; otherwise the closing look does.
ExitCode AfterTermination(ExitCode terminatePass, ExitCode closingProbe) {
  return terminatePass == ExitCode::Failure ? ExitCode::Failure : closingProbe;
}

}  // namespace

ExitCode RunSweepPlan(const std::wstring& modeWord, const std::wstring& installationRoot,
                      const std::wstring& mainExecutableName) {
  TargetList list;
  if (!BuildTargetList(installationRoot, mainExecutableName, list)) return ExitCode::Failure;

  if (modeWord == L"probe") return SweepProcesses(list, SweepMode::Probe);
  if (modeWord == L"close") return SweepProcesses(list, SweepMode::Close);
  if (modeWord == L"clean") {
    const ExitCode first = SweepProcesses(list, SweepMode::Probe);
    if (first != ExitCode::HelpersRunning) return first;
    const ExitCode terminated = SweepProcesses(list, SweepMode::TerminateHelpers);
    return AfterTermination(terminated, SweepProcesses(list, SweepMode::Probe));
  }
  if (modeWord == L"force") {
    const ExitCode terminated = SweepProcesses(list, SweepMode::TerminateAll);
    return AfterTermination(terminated, SweepProcesses(list, SweepMode::Probe));
  }
  return ExitCode::Failure;
}

}  // namespace procsweep
