#include "sweep/termination.h"

#include <string>
#include <vector>

#include "support/sample_installation.h"
#include "sweep/sweep.h"

using procsweep::SweepMode;
using procsweep::SweepProcesses;
using procsweep::TargetList;

using sample::Event;
using sample::kMainFinal;
using sample::kMainImage;
using sample::kNodeFinal;
using sample::kNodeImage;
using sample::kNodeText;
using sim::EndOnItsOwn;

namespace {

constexpr DWORD kTerminationAccess = PROCESS_TERMINATE | PROCESS_QUERY_LIMITED_INFORMATION | SYNCHRONIZE;

size_t OpensOf(DWORD pid, DWORD access) {
  size_t count = 0;
  for (const auto& [openedPid, openedAccess] : sim::TheWorld().processOpens) {
    count += openedPid == pid && openedAccess == access ? 1 : 0;
  }
  return count;
}

}  // namespace

class TerminationTest : public SampleInstallationTest {
 protected:
  static ULONGLONG Now() { return World().now; }
};

// Each step of the procedure, each way it fails, and each way a process that ended by itself
// meanwhile is passed over without a word. After every case the sweep goes on to the next
// process, which is ended as usual.
TEST_F(TerminationTest, FollowsEveryStepOfTheProcedure) {
  using Script = void (*)(sim::Process&);
  struct Case {
    const char* name;
    Script script;
    std::vector<std::string> events;  // after "matched"
    int result;
    int terminateCalls;
  } cases[] = {
      // The wait
      {"ends at once", [](sim::Process&) {}, {Event("exited", 42, 0)}, 0, 1},
      {"ends within the wait",
       [](sim::Process& p) {
         p.onTerminate = sim::OnTerminate::EndsLater;
         p.endDelayMs = 2999;
       },
       {Event("exited", 42, 0)}, 0, 1},
      {"ends as the wait runs out",
       [](sim::Process& p) {
         p.onTerminate = sim::OnTerminate::EndsLater;
         p.endDelayMs = 3000;
       },
       {Event("exited", 42, 0)}, 0, 1},
      {"outlasts the wait",
       [](sim::Process& p) {
         p.onTerminate = sim::OnTerminate::EndsLater;
         p.endDelayMs = 3001;
       },
       {Event("wait-failed", 42, 258)}, 2, 1},
      {"never ends", [](sim::Process& p) { p.onTerminate = sim::OnTerminate::NeverEnds; },
       {Event("wait-failed", 42, 258)}, 2, 1},
      // Also the wait for "already gone" fails; that one only lets the procedure go on.
      {"the wait fails", [](sim::Process& p) { p.waitForSingleObjectError = ERROR_INVALID_HANDLE; },
       {Event("wait-failed", 42, 6)}, 2, 1},
      // Opening for termination
      {"termination open denied",
       [](sim::Process& p) { p.openProcessToTerminateError = ERROR_ACCESS_DENIED; },
       {Event("terminate-open-failed", 42, 5)}, 2, 0},
      {"termination open fails",
       [](sim::Process& p) { p.openProcessToTerminateError = ERROR_NOT_ENOUGH_MEMORY; },
       {Event("terminate-open-failed", 42, 8)}, 2, 0},
      {"ended, then the termination open denied",
       [](sim::Process& p) {
         p.openProcessToTerminateError = ERROR_ACCESS_DENIED;
         sim::At("OpenProcess", 2, [&p] { EndOnItsOwn(p); });
       },
       {}, 0, 0},
      // Already gone
      {"ended before the identity check",
       [](sim::Process& p) { sim::At("OpenProcess", 2, [&p] { EndOnItsOwn(p, 1); }); }, {}, 0, 0},
      {"signalled with exit code 259",
       [](sim::Process& p) { sim::At("OpenProcess", 2, [&p] { EndOnItsOwn(p, STILL_ACTIVE); }); },
       {}, 0, 0},
      {"signalled, its exit code unreadable",
       [](sim::Process& p) {
         sim::At("OpenProcess", 2, [&p] {
           EndOnItsOwn(p);
           p.getExitCodeProcessError = ERROR_ACCESS_DENIED;
         });
       },
       {}, 0, 0},
      // The identity check
      {"creation time unreadable through the query handle",
       [](sim::Process& p) { p.getProcessTimesError = ERROR_ACCESS_DENIED; },
       {Event("identity-changed", 42, 0)}, 2, 0},
      {"creation time unreadable through the termination handle",
       [](sim::Process& p) {
         sim::At("GetProcessTimes", 2, [&p] { p.getProcessTimesError = ERROR_ACCESS_DENIED; });
       },
       {Event("identity-changed", 42, 0)}, 2, 0},
      {"image unreadable through the termination handle",
       [](sim::Process& p) {
         sim::At("QueryFullProcessImageNameW", 2,
                 [&p] { p.queryFullProcessImageNameError = ERROR_PARTIAL_COPY; });
       },
       {Event("identity-changed", 42, 0)}, 2, 0},
      {"image no longer resolves",
       [](sim::Process&) {
         sim::At("CreateFileW", 2,
                 [] { sim::FindFile(kMainImage)->createFileError = ERROR_SHARING_VIOLATION; });
       },
       {Event("identity-changed", 42, 0)}, 2, 0},
      {"image now resolves elsewhere",
       [](sim::Process&) {
         sim::At("CreateFileW", 2,
                 [] { sim::FindFile(kMainImage)->finalPath = L"\\\\?\\D:\\Other\\App.exe"; });
       },
       {Event("identity-changed", 42, 0)}, 2, 0},
      {"image resolves in other letter case",
       [](sim::Process&) {
         sim::At("CreateFileW", 2,
                 [] { sim::FindFile(kMainImage)->finalPath = L"\\\\?\\c:\\APP\\app.EXE"; });
       },
       {Event("exited", 42, 0)}, 0, 1},
      {"identity unprovable, then ended",
       [](sim::Process& p) {
         p.getProcessTimesError = ERROR_ACCESS_DENIED;
         sim::At("GetExitCodeProcess", 3, [&p] { EndOnItsOwn(p); });
       },
       {}, 0, 0},
      // TerminateProcess refused: a process that is exiting refuses with ERROR_ACCESS_DENIED
      // and is signalled a moment later; only one that stays is a failure.
      {"refused while exiting, signalled within the wait",
       [](sim::Process& p) {
         p.onTerminate = sim::OnTerminate::Refuses;
         p.endsAt = Now() + 2999;
       },
       {}, 0, 1},
      {"refused while exiting, signalled as the wait runs out",
       [](sim::Process& p) {
         p.onTerminate = sim::OnTerminate::Refuses;
         p.endsAt = Now() + 3000;
       },
       {}, 0, 1},
      {"refused while exiting, signalled after the wait",
       [](sim::Process& p) {
         p.onTerminate = sim::OnTerminate::Refuses;
         p.endsAt = Now() + 3001;
       },
       {Event("terminate-failed", 42, 5)}, 2, 1},
      {"refused, stays", [](sim::Process& p) { p.onTerminate = sim::OnTerminate::Refuses; },
       {Event("terminate-failed", 42, 5)}, 2, 1},
      {"fails otherwise",
       [](sim::Process& p) {
         p.onTerminate = sim::OnTerminate::Refuses;
         p.terminateProcessError = ERROR_GEN_FAILURE;
       },
       {Event("terminate-failed", 42, 31)}, 2, 1},
      {"refused, and the wait fails",
       [](sim::Process& p) {
         p.onTerminate = sim::OnTerminate::Refuses;
         p.waitForSingleObjectError = ERROR_INVALID_HANDLE;
       },
       {Event("terminate-failed", 42, 5)}, 2, 1},
      {"ended just before the termination",
       [](sim::Process& p) { sim::At("TerminateProcess", 1, [&p] { EndOnItsOwn(p); }); }, {}, 0,
       1},
  };
  for (const Case& c : cases) {
    Fresh();
    SCOPED_TRACE(c.name);
    sim::Process& process = sim::AddProcess(42, kMainImage);
    sim::Process& next = sim::AddProcess(43, kNodeImage);
    c.script(process);
    EXPECT_EQ(Sweep(SweepMode::TerminateAll), c.result);
    std::vector<std::string> lines = {Event("matched", 42, 0)};
    lines.insert(lines.end(), c.events.begin(), c.events.end());
    lines.push_back(Event("matched", 43, 0, kNodeText));
    lines.push_back(Event("exited", 43, 0, kNodeText));
    EXPECT_EQ(Lines(), lines);
    EXPECT_EQ(process.terminateCalls, c.terminateCalls);
    EXPECT_EQ(next.terminateCalls, 1);
    EXPECT_EQ(OpensOf(42, kTerminationAccess), 1u);
  }
}

// What the application's own code would have ended with is replaced by 0.
TEST_F(TerminationTest, EndsTheProcessWithExitCodeZero) {
  sim::Process& process = sim::AddProcess(42, kMainImage);
  process.exitCode = 77;
  EXPECT_EQ(Sweep(SweepMode::TerminateAll), 0);
  EXPECT_TRUE(process.exited);
  EXPECT_EQ(process.exitCode, 0u);
}

// A process of another user, or of higher integrity, may allow others little more than a
// limited query and termination; the sweep asks for nothing beyond what it needs.
TEST_F(TerminationTest, NeedsNoMoreAccessThanQueryingTerminatingAndWaiting) {
  sim::Process& process = sim::AddProcess(42, kMainImage);
  process.allowedAccess = PROCESS_QUERY_LIMITED_INFORMATION | PROCESS_TERMINATE | SYNCHRONIZE;
  sim::Process& watched = sim::AddProcess(43, kNodeImage);
  watched.allowedAccess = PROCESS_QUERY_LIMITED_INFORMATION;
  EXPECT_EQ(Sweep(SweepMode::Probe), 10);
  EXPECT_EQ(Sweep(SweepMode::TerminateAll), 2);
  EXPECT_EQ(Lines(), (std::vector<std::string>{
                         Event("matched", 42, 0), Event("matched", 43, 0, kNodeText),
                         Event("matched", 42, 0), Event("exited", 42, 0),
                         Event("matched", 43, 0, kNodeText),
                         Event("terminate-open-failed", 43, 5, kNodeText)}));
  EXPECT_TRUE(process.exited);
  EXPECT_FALSE(watched.exited);
}

// Windows gives a pid to another process only once the process it belonged to has ended and
// every handle to it was closed: never while a pair is examined and terminated, but between
// two sweeps. The later sweep judges the newcomer by its own image alone.
TEST_F(TerminationTest, APidGivenToAnotherProcessBetweenSweepsIsJudgedByItsOwnImage) {
  struct Newcomer {
    const char* name;
    const wchar_t* image;
    std::vector<std::string> lines;  // of the second sweep
  } newcomers[] = {
      {"the installation's image, started again", L"C:\\App\\App.exe",
       {Event("matched", 42, 0), Event("exited", 42, 0)}},
      {"another program of the same name", L"D:\\Other\\App.exe", {}},
      {"reached through a link elsewhere", L"C:\\Link\\App.exe", {}},
      {"an image that no longer resolves", L"C:\\Gone\\App.exe",
       {Event("inaccessible-process-not-reported-for-target", 42, 0)}},
  };
  for (const Newcomer& n : newcomers) {
    Fresh();
    SCOPED_TRACE(n.name);
    sim::AddFile(L"D:\\Other\\App.exe");
    sim::AddFile(L"C:\\Link\\App.exe").finalPath = L"\\\\?\\D:\\Other\\App.exe";
    sim::Process& old = sim::AddProcess(42, kMainImage);
    EXPECT_EQ(Sweep(SweepMode::Probe), 10);
    EndOnItsOwn(old);
    sim::Process& newcomer = sim::AddProcess(42, n.image);
    World().standardOutput.clear();
    EXPECT_EQ(Sweep(SweepMode::TerminateAll), 0);
    EXPECT_EQ(Lines(), n.lines);
    EXPECT_EQ(newcomer.terminateCalls, n.lines.size() == 2 ? 1 : 0);
    EXPECT_EQ(old.terminateCalls, 0);
  }
}

// The deadline is tested when a termination is about to start, and only then. A termination
// that starts in time runs its whole wait; the next one that would start after the deadline ends
// the sweep, and nothing after it is examined: not the entry's other targets, not later entries.
TEST_F(TerminationTest, EndsTheSweepAtTheFirstTerminationThatWouldStartAfterTheDeadline) {
  struct Case {
    const char* name;
    const char* function;  // the clock is moved right before this call
    int nth;
    ULONGLONG advance;
    bool firstNeverEnds;
    std::vector<std::string> lines;
    int result;
    std::vector<int> terminateCalls;  // of 10, 11, 12
    std::vector<size_t> queryOpens;   // of 10, 11, 12
  } cases[] = {
      {"just in time", "GetTickCount64", 2, 7999, false,
       {Event("matched", 10, 0), Event("exited", 10, 0), Event("matched", 11, 0),
        Event("exited", 11, 0), Event("matched", 12, 0, kNodeText),
        Event("exited", 12, 0, kNodeText)},
       0, {1, 1, 1}, {2, 2, 1}},
      {"at the deadline", "GetTickCount64", 2, 8000, false,
       {Event("matched", 10, 0), Event("cleanup-deadline", 10, 258)}, 2, {0, 0, 0}, {1, 0, 0}},
      {"passed during the previous wait", "GetTickCount64", 2, 7000, true,
       {Event("matched", 10, 0), Event("wait-failed", 10, 258), Event("matched", 11, 0),
        Event("cleanup-deadline", 11, 258)},
       2, {1, 0, 0}, {2, 1, 0}},
      // The deadline counts from the start of the enumeration, not from before the snapshot.
      {"time spent before the enumeration", "Process32FirstW", 1, 100000, false,
       {Event("matched", 10, 0), Event("exited", 10, 0), Event("matched", 11, 0),
        Event("exited", 11, 0), Event("matched", 12, 0, kNodeText),
        Event("exited", 12, 0, kNodeText)},
       0, {1, 1, 1}, {2, 2, 1}},
  };
  for (const Case& c : cases) {
    Fresh();
    SCOPED_TRACE(c.name);
    sim::AddFile(L"C:\\App\\copy\\App.exe");
    // A second target with the main executable's name: examined after the first, if at all.
    const TargetList list = {{L"App.exe", kMainFinal, true},
                             {L"App.exe", L"\\\\?\\C:\\App\\copy\\App.exe", false},
                             {L"node.exe", kNodeFinal, false}};
    sim::Process* processes[] = {&sim::AddProcess(10, kMainImage), &sim::AddProcess(11, kMainImage),
                                 &sim::AddProcess(12, kNodeImage)};
    if (c.firstNeverEnds) processes[0]->onTerminate = sim::OnTerminate::NeverEnds;
    const ULONGLONG advance = c.advance;
    sim::At(c.function, c.nth, [advance] { World().now += advance; });
    EXPECT_EQ(Sweep(SweepMode::TerminateAll, list), c.result);
    EXPECT_EQ(Lines(), c.lines);
    for (size_t i = 0; i < 3; ++i) {
      EXPECT_EQ(processes[i]->terminateCalls, c.terminateCalls[i]) << "process " << i;
      EXPECT_EQ(OpensOf(processes[i]->pid, PROCESS_QUERY_LIMITED_INFORMATION), c.queryOpens[i])
          << "process " << i;
    }
  }
}

// Counting and closing never look at the clock.
TEST_F(TerminationTest, TheDeadlineBoundsTerminationsOnly) {
  World().tickStep = 9000;
  sim::AddProcess(10, kMainImage);
  sim::Process& helper = sim::AddProcess(12, kNodeImage);
  sim::AddWindow(10);
  EXPECT_EQ(Sweep(SweepMode::Probe), 10);
  EXPECT_EQ(Sweep(SweepMode::Close), 0);
  EXPECT_EQ(World().windows[0].posted, std::vector<UINT>{WM_CLOSE});
  EXPECT_EQ(Sweep(SweepMode::TerminateHelpers), 2);
  EXPECT_EQ(helper.terminateCalls, 0);
  EXPECT_EQ(Lines(), (std::vector<std::string>{
                         Event("matched", 10, 0), Event("matched", 12, 0, kNodeText),
                         Event("matched", 10, 0), Event("matched", 12, 0, kNodeText),
                         Event("matched", 10, 0), Event("matched", 12, 0, kNodeText),
                         Event("cleanup-deadline", 12, 258, kNodeText)}));
}

// "force" reaches the application's other processes just as they exit with their main process:
// each refuses termination and is signalled a moment later. None of them is a failure.
TEST_F(TerminationTest, ProcessesExitingWithTheApplicationAreNoFailure) {
  sim::Process& main = sim::AddProcess(10, kMainImage);
  std::vector<sim::Process*> others;
  for (DWORD pid : {11u, 12u, 13u}) {
    sim::Process& other = sim::AddProcess(pid, kMainImage);
    other.onTerminate = sim::OnTerminate::Refuses;
    others.push_back(&other);
  }
  sim::At("TerminateProcess", 1, [&] {
    ULONGLONG delay = 0;
    for (sim::Process* other : others) {
      other->endsAt = Now() + (delay += 40);
      other->exitCode = 0;
    }
  });
  EXPECT_EQ(Sweep(SweepMode::TerminateAll), 0);
  EXPECT_EQ(main.terminateCalls, 1);
  EXPECT_EQ(Lines(), (std::vector<std::string>{Event("matched", 10, 0), Event("exited", 10, 0),
                                               Event("matched", 11, 0), Event("matched", 12, 0),
                                               Event("matched", 13, 0)}));
}
