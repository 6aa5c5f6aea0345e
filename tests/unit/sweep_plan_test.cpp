#include "driver/sweep_plan.h"

#include <set>
#include <string>
#include <vector>

#include "support/sample_installation.h"

using sample::Event;
using sample::kMainImage;
using sample::kMainText;
using sample::kNodeImage;
using sample::kNodeText;
using sample::Narrow;
using sim::EndOnItsOwn;

namespace {

const wchar_t* const kSweepWords[] = {L"probe", L"close", L"clean", L"force"};

}  // namespace

class SweepPlanTest : public SampleInstallationTest {
 protected:
  static std::set<DWORD> Terminated() {
    std::set<DWORD> pids;
    for (const sim::Process& process : World().processes) {
      if (process.terminateCalls > 0) pids.insert(process.pid);
    }
    return pids;
  }
};

// Each word's passes, and how their results make the exit code, over the same running worlds.
TEST_F(SweepPlanTest, RunsThePassesOfEachWordAndCombinesTheirResults) {
  struct Running {
    const char* name;
    void (*script)();
  } worlds[] = {
      {"nothing", [] {}},
      {"main", [] { sim::AddProcess(10, kMainImage); }},
      {"helper", [] { sim::AddProcess(20, kNodeImage); }},
      {"main and helper",
       [] {
         sim::AddProcess(20, kNodeImage);
         sim::AddProcess(10, kMainImage);
       }},
      {"a failure", [] { sim::AddProcess(30, kMainImage).openProcessError = ERROR_GEN_FAILURE; }},
      {"a helper that never ends",
       [] { sim::AddProcess(20, kNodeImage).onTerminate = sim::OnTerminate::NeverEnds; }},
  };
  struct Case {
    const wchar_t* word;
    const char* world;
    int exitCode;
    int passes;
    std::set<DWORD> terminated;
  } cases[] = {
      {L"probe", "nothing", 0, 1, {}},
      {L"probe", "main", 10, 1, {}},
      {L"probe", "helper", 11, 1, {}},
      {L"probe", "main and helper", 10, 1, {}},
      {L"probe", "a failure", 2, 1, {}},
      {L"probe", "a helper that never ends", 11, 1, {}},
      // A close pass counts nothing: 0 or 2, never 10 or 11.
      {L"close", "nothing", 0, 1, {}},
      {L"close", "main", 0, 1, {}},
      {L"close", "helper", 0, 1, {}},
      {L"close", "main and helper", 0, 1, {}},
      {L"close", "a failure", 2, 1, {}},
      // Only helpers alone are terminated, then looked for again.
      {L"clean", "nothing", 0, 1, {}},
      {L"clean", "main", 10, 1, {}},
      {L"clean", "helper", 0, 3, {20}},
      {L"clean", "main and helper", 10, 1, {}},
      {L"clean", "a failure", 2, 1, {}},
      {L"clean", "a helper that never ends", 2, 3, {20}},
      // No look first: terminate everything, then look.
      {L"force", "nothing", 0, 2, {}},
      {L"force", "main", 0, 2, {10}},
      {L"force", "helper", 0, 2, {20}},
      {L"force", "main and helper", 0, 2, {10, 20}},
      {L"force", "a failure", 2, 2, {}},
      {L"force", "a helper that never ends", 2, 2, {20}},
  };
  for (const Case& c : cases) {
    Fresh();
    SCOPED_TRACE(testing::Message() << Narrow(c.word) << " with " << c.world);
    for (const Running& running : worlds) {
      if (std::string(running.name) == c.world) running.script();
    }
    sim::AddWindow(10);
    EXPECT_EQ(RunWord(c.word), c.exitCode);
    EXPECT_EQ(Snapshots(), c.passes);
    EXPECT_EQ(Terminated(), c.terminated);
    EXPECT_EQ(World().windows[0].posted.size(),
              std::wstring(c.word) == L"close" && std::string(c.world).find("main") == 0 ? 1u
                                                                                         : 0u);
  }
}

TEST_F(SweepPlanTest, ForceReportsWhatItEnded) {
  sim::AddProcess(10, kMainImage);
  sim::AddProcess(20, kNodeImage);
  EXPECT_EQ(RunWord(L"force"), 0);
  EXPECT_EQ(Lines(), (std::vector<std::string>{Event("matched", 10, 0), Event("exited", 10, 0),
                                               Event("matched", 20, 0, kNodeText),
                                               Event("exited", 20, 0, kNodeText)}));
}

// A terminate pass that failed makes the exit code 2 even when everything is gone by the closing
// look, which still runs and writes what it finds (here: nothing).
TEST_F(SweepPlanTest, AFailedTerminatePassDecidesTheExitCodeWhateverTheClosingLookFinds) {
  struct Case {
    const char* name;
    // `closingSnapshot`: the number of the closing look's CreateToolhelp32Snapshot call.
    void (*script)(sim::Process&, int closingSnapshot);
    const char* event;
    DWORD error;
  } cases[] = {
      // An updater moved the installation aside between the examination and the termination:
      // the image no longer resolves to the target, and what is gone is not looked for again.
      {"the image was moved away",
       [](sim::Process& p, int) {
         sim::At("GetProcessTimes", 1, [&p] {
           sim::FindFile(p.imagePath)->finalPath = L"\\\\?\\C:\\App.old\\" +
                                                   p.imagePath.substr(p.imagePath.rfind(L'\\') + 1);
         });
       },
       "identity-changed", 0},
      {"the wait ran out",
       [](sim::Process& p, int closingSnapshot) {
         p.onTerminate = sim::OnTerminate::NeverEnds;
         sim::At("CreateToolhelp32Snapshot", closingSnapshot, [&p] { EndOnItsOwn(p); });
       },
       "wait-failed", 258},
      {"the termination was refused",
       [](sim::Process& p, int closingSnapshot) {
         p.onTerminate = sim::OnTerminate::Refuses;
         sim::At("CreateToolhelp32Snapshot", closingSnapshot, [&p] { EndOnItsOwn(p); });
       },
       "terminate-failed", 5},
      {"the termination open was refused",
       [](sim::Process& p, int closingSnapshot) {
         p.openProcessToTerminateError = ERROR_ACCESS_DENIED;
         sim::At("CreateToolhelp32Snapshot", closingSnapshot, [&p] { EndOnItsOwn(p); });
       },
       "terminate-open-failed", 5},
  };
  for (const wchar_t* word : {L"force", L"clean"}) {
    for (const Case& c : cases) {
      Fresh();
      SCOPED_TRACE(testing::Message() << Narrow(word) << ": " << c.name);
      const bool clean = std::wstring(word) == L"clean";
      const std::wstring image = clean ? kNodeImage : kMainImage;
      const std::string text = clean ? kNodeText : kMainText;
      sim::Process& process = sim::AddProcess(10, image);
      c.script(process, clean ? 3 : 2);
      EXPECT_EQ(RunWord(word), 2);
      std::vector<std::string> lines;
      if (clean) lines.push_back(Event("matched", 10, 0, text));  // the first look
      lines.push_back(Event("matched", 10, 0, text));
      lines.push_back(Event(c.event, 10, c.error, text));
      EXPECT_EQ(Lines(), lines);
      EXPECT_EQ(Snapshots(), clean ? 3 : 2);
      EXPECT_EQ(process.terminateCalls, std::string(c.event) == "terminate-failed" ||
                                                std::string(c.event) == "wait-failed"
                                            ? 1
                                            : 0);
    }
  }
}

// The closing look still runs after the deadline ended the terminate pass, and reports what
// is left.
TEST_F(SweepPlanTest, ForceStoppedByTheDeadlineStillLooksAgain) {
  sim::AddProcess(10, kMainImage).onTerminate = sim::OnTerminate::NeverEnds;
  sim::AddProcess(11, kMainImage);
  sim::At("GetTickCount64", 2, [] { World().now += 7000; });
  EXPECT_EQ(RunWord(L"force"), 2);
  EXPECT_EQ(Lines(), (std::vector<std::string>{
                         Event("matched", 10, 0), Event("wait-failed", 10, 258),
                         Event("matched", 11, 0), Event("cleanup-deadline", 11, 258),
                         Event("matched", 10, 0), Event("matched", 11, 0)}));
}

// Without a failure, the closing look decides: what started meanwhile still runs.
TEST_F(SweepPlanTest, TheClosingLookDecidesAfterASuccessfulTerminatePass) {
  sim::AddProcess(20, kNodeImage);
  sim::At("CreateToolhelp32Snapshot", 3, [] { sim::AddProcess(21, kNodeImage); });
  EXPECT_EQ(RunWord(L"clean"), 11);
  EXPECT_EQ(Terminated(), std::set<DWORD>{20});

  Fresh();
  sim::AddProcess(20, kNodeImage);
  sim::At("CreateToolhelp32Snapshot", 2, [] { sim::AddProcess(11, kMainImage); });
  EXPECT_EQ(RunWord(L"force"), 10);
  EXPECT_EQ(Terminated(), std::set<DWORD>{20});
}

// Mode words are compared exactly; a word that names no plan is refused once the target list
// was built and its events written, before any process is looked at.
TEST_F(SweepPlanTest, RefusesAWordThatNamesNoPlanAfterBuildingTheTargets) {
  const std::wstring redirected =
      L"C:\\App\\resources\\app.asar.unpacked\\node_modules\\ffmpeg-static\\ffmpeg.exe";
  for (const wchar_t* word : {L"PROBE", L"Force", L"probe ", L" clean", L"close\n", L"", L"owners",
                              L"terminate"}) {
    Fresh();
    SCOPED_TRACE(Narrow(word));
    sim::AddFile(redirected).finalPath = L"\\\\?\\D:\\ffmpeg.exe";
    sim::AddProcess(10, kMainImage);
    EXPECT_EQ(RunWord(word), 2);
    EXPECT_EQ(Lines(), std::vector<std::string>{Event("redirected-executable-skipped", 0, 0,
                                                      "\\\\?\\" + Narrow(redirected))});
    EXPECT_EQ(Snapshots(), 0);
  }
}

TEST_F(SweepPlanTest, AnInstallationWithoutExecutablesEndsQuietly) {
  for (const wchar_t* word : kSweepWords) {
    SimTest::Fresh();
    sim::AddDirectory(L"C:\\App");
    sim::AddFile(L"C:\\App\\resources\\runtime\\node\\node.exe");  // no marker, no main
    sim::AddProcess(10, L"C:\\App\\resources\\runtime\\node\\node.exe");
    EXPECT_EQ(RunWord(word), 0);
    EXPECT_EQ(Snapshots(), 0);
    EXPECT_TRUE(World().standardOutput.empty());
  }
}

// Whichever candidate cannot be read, the run ends with its one event before any pass.
TEST_F(SweepPlanTest, AFailedTargetListBuildEndsTheRunBeforeAnyPass) {
  struct Case {
    const char* name;
    void (*script)();
    std::string line;
  } cases[] = {
      {"main executable's attributes",
       [] { sim::FindFile(kMainImage)->getFileAttributesError = ERROR_ACCESS_DENIED; },
       "executable-attributes-failed pid=0 win32-error=5 \\\\?\\" + kMainText},
      {"helper's final path",
       [] { sim::FindFile(kNodeImage)->getFinalPathNameByHandleError = ERROR_NOT_SUPPORTED; },
       "executable-path-failed pid=0 win32-error=50 \\\\?\\" + kNodeText},
  };
  for (const Case& c : cases) {
    for (const wchar_t* word : kSweepWords) {
      Fresh();
      SCOPED_TRACE(testing::Message() << c.name << ", " << Narrow(word));
      c.script();
      sim::AddProcess(10, kMainImage);
      EXPECT_EQ(RunWord(word), 2);
      EXPECT_EQ(Lines(), std::vector<std::string>{c.line});
      EXPECT_EQ(Snapshots(), 0);
    }
  }
}

// However the installation directory is named (through a link, by its short name, in another
// letter case, with a trailing backslash, in prefixed form), it is the installation itself: its
// processes are the ones ended, reported by their own image paths.
TEST_F(SweepPlanTest, ActsOnTheInstallationHoweverItsDirectoryIsNamed) {
  for (const wchar_t* directory : {L"C:\\Link", L"C:\\APP~1", L"c:\\app", L"C:\\App\\",
                                   L"\\\\?\\C:\\App"}) {
    Fresh();
    SCOPED_TRACE(Narrow(directory));
    sim::AddDirectory(L"C:\\Link").finalPath = L"\\\\?\\C:\\App";
    sim::AddShortName(L"C:\\APP~1", L"C:\\App");
    sim::Process& main = sim::AddProcess(10, kMainImage);
    EXPECT_EQ(Run({L"force", directory, L"App.exe"}), 0);
    EXPECT_EQ(main.terminateCalls, 1);
    EXPECT_EQ(Lines(), (std::vector<std::string>{Event("matched", 10, 0), Event("exited", 10, 0)}));
  }
}

// The tool may itself be one of the installation's executables: an installer that copies it into
// the installation, or names it as the main executable. It never ends its own process, and the
// closing look counts it, so the exit code says that it runs.
TEST_F(SweepPlanTest, NeverEndsItsOwnProcess) {
  struct Case {
    const char* name;
    std::wstring ownImage;
    std::wstring word;
    int exitCode;
  } cases[] = {
      {"tool at a helper's place, force", kNodeImage, L"force", 11},
      {"tool at a helper's place, clean", kNodeImage, L"clean", 11},
      {"tool as the main executable, force", kMainImage, L"force", 10},
  };
  for (const Case& c : cases) {
    Fresh();
    World().ownPid = 7100;
    sim::AddProcess(7100, c.ownImage);
    sim::AddProcess(20, kNodeImage);  // a helper that is not the tool ends as usual
    EXPECT_EQ(RunWord(c.word), c.exitCode) << c.name;
    EXPECT_EQ(Terminated(), std::set<DWORD>{20}) << c.name;
    EXPECT_FALSE(sim::ProcessById(7100).exited) << c.name;
  }
}
