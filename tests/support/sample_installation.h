// The sample installation that the sweep's tests run against: the main executable and the node
// helper with their final paths, the system's and the tool's own processes, and the event lines
// the sweep writes about them.
#pragma once

#include <string>

#include "support/sim_test.h"
#include "sweep/sweep.h"

namespace sample {

inline const std::wstring kRoot = L"C:\\App";
inline const std::wstring kMainImage = L"C:\\App\\App.exe";
inline const std::wstring kNodeImage = L"C:\\App\\resources\\runtime\\node\\node.exe";
inline const std::wstring kMainFinal = L"\\\\?\\" + kMainImage;
inline const std::wstring kNodeFinal = L"\\\\?\\" + kNodeImage;
inline const std::string kMainText = "C:\\App\\App.exe";
inline const std::string kNodeText = "C:\\App\\resources\\runtime\\node\\node.exe";
inline constexpr DWORD kQueryAccess = PROCESS_QUERY_LIMITED_INFORMATION;
inline constexpr procsweep::SweepMode kAllModes[] = {
    procsweep::SweepMode::Probe, procsweep::SweepMode::Close,
    procsweep::SweepMode::TerminateHelpers, procsweep::SweepMode::TerminateAll};

// One event line as the tool writes it, without its line end.
inline std::string Event(const char* name, DWORD pid, DWORD error,
                         const std::string& text = kMainText) {
  return std::string(name) + " pid=" + std::to_string(pid) + " win32-error=" +
         std::to_string(error) + " " + text;
}

inline std::string Matched(DWORD pid, const std::string& text = kMainText) {
  return Event("matched", pid, 0, text);
}

inline std::string Narrow(const std::wstring& text) {
  std::string narrow;
  for (wchar_t c : text) narrow.push_back(c < 0x80 ? static_cast<char>(c) : '?');
  return narrow;
}

}  // namespace sample

class SampleInstallationTest : public SimTest {
 protected:
  void SetUp() override {
    SimTest::SetUp();
    Install();
  }
  static void Fresh() {
    SimTest::Fresh();
    Install();
  }
  // A real snapshot is never empty: it holds at least the system and the tool itself.
  static void Install() {
    sim::AddFile(sample::kMainImage);
    sim::AddFile(sample::kNodeImage);
    sim::AddProcess(4, L"System");
    sim::AddProcess(7000, L"C:\\Tools\\procsweep.exe");
  }
  static procsweep::TargetList Targets() {
    return {{L"App.exe", sample::kMainFinal, true}, {L"node.exe", sample::kNodeFinal, false}};
  }
  static int Sweep(procsweep::SweepMode mode, const procsweep::TargetList& list = Targets()) {
    return static_cast<int>(procsweep::SweepProcesses(list, mode));
  }
  // The whole tool on the sample installation, as an installer calls it.
  static int RunWord(const std::wstring& word) { return Run({word, sample::kRoot, L"App.exe"}); }
  static int Snapshots() { return World().calls["CreateToolhelp32Snapshot"]; }
};
