#include "sweep/sweep.h"

#include <string>
#include <vector>

#include "common/unique_handle.h"
#include "support/sample_installation.h"
#include "sweep/close_request.h"
#include "sweep/process_query.h"

using procsweep::ExitCode;
using procsweep::SweepMode;
using procsweep::SweepProcesses;
using procsweep::TargetList;

using sample::Event;
using sample::kAllModes;
using sample::kMainImage;
using sample::kMainText;
using sample::kNodeFinal;
using sample::kNodeImage;
using sample::kNodeText;
using sample::kQueryAccess;
using sample::Matched;
using sim::EndOnItsOwn;

namespace {

// The accesses with which the sweep opened the process, in order.
std::vector<DWORD> OpensOf(DWORD pid) {
  std::vector<DWORD> accesses;
  for (const auto& [openedPid, access] : sim::TheWorld().processOpens) {
    if (openedPid == pid) accesses.push_back(access);
  }
  return accesses;
}

size_t QueryOpensOf(DWORD pid) {
  size_t count = 0;
  for (DWORD access : OpensOf(pid)) count += access == PROCESS_QUERY_LIMITED_INFORMATION ? 1 : 0;
  return count;
}

int ModeNumber(SweepMode mode) { return static_cast<int>(mode); }

}  // namespace

class SweepTest : public SampleInstallationTest {
 protected:
  static sim::Process& Elsewhere(DWORD pid, const std::wstring& image) {
    sim::AddFile(image);
    return sim::AddProcess(pid, image);
  }
};

TEST_F(SweepTest, AnEmptyTargetListTakesNoSnapshotAndWritesNothing) {
  sim::AddProcess(10, kMainImage);
  for (SweepMode mode : kAllModes) {
    EXPECT_EQ(Sweep(mode, TargetList()), 0);
  }
  EXPECT_EQ(World().calls["CreateToolhelp32Snapshot"], 0);
  EXPECT_TRUE(Lines().empty());
}

// The name test needs no access to a process: nothing named otherwise is ever opened.
TEST_F(SweepTest, OpensOnlyProcessesNamedLikeATarget) {
  for (const wchar_t* name : {L"explorer.exe", L"App.exe.exe", L"App", L"pp.exe", L"App.exe ",
                              L"node", L"App.ex"}) {
    sim::AddProcess(static_cast<DWORD>(20 + World().processes.size()), kMainImage).exeName = name;
  }
  for (SweepMode mode : {SweepMode::Probe, SweepMode::TerminateAll}) {
    EXPECT_EQ(Sweep(mode), 0);
  }
  EXPECT_TRUE(World().processOpens.empty());
  EXPECT_TRUE(Lines().empty());
}

TEST_F(SweepTest, TheNameTestIgnoresLetterCase) {
  sim::AddProcess(10, kMainImage).exeName = L"aPP.EXE";
  sim::AddProcess(11, kNodeImage).exeName = L"NODE.exe";
  EXPECT_EQ(Sweep(SweepMode::Probe), 10);
  EXPECT_EQ(Lines(), (std::vector<std::string>{Matched(10), Matched(11, kNodeText)}));
}

// A process matches only when the final path of its image is the target's: a namesake run from
// elsewhere, or through a link that leads elsewhere, is never acted on, while a link that leads
// into the installation reaches the installation's own file.
TEST_F(SweepTest, MatchesOnlyWhenTheFinalPathOfTheImageIsTheTargets) {
  struct Case {
    const wchar_t* image;
    const wchar_t* finalPath;  // of the image file; null: its own path
    bool matches;
  } cases[] = {
      {L"C:\\App\\App.exe", nullptr, true},
      {L"c:\\app\\APP.EXE", nullptr, true},
      {L"C:\\Shortcut\\App.exe", L"\\\\?\\C:\\App\\App.exe", true},
      {L"C:\\Shortcut\\App.exe", L"\\\\?\\c:\\APP\\app.exe", true},
      {L"D:\\Other\\App.exe", nullptr, false},
      {L"C:\\App\\Sub\\App.exe", nullptr, false},
      {L"C:\\Link\\App.exe", L"\\\\?\\D:\\Other\\App.exe", false},
      // The installation's own name is a link that leads elsewhere.
      {L"C:\\App\\App.exe", L"\\\\?\\D:\\Other\\App.exe", false},
      {L"C:\\App\\App.exe", L"\\\\?\\C:\\App\\App.exe.old", false},
      {L"C:\\App\\App.exe", L"\\\\?\\UNC\\server\\share\\App\\App.exe", false},
  };
  for (const Case& c : cases) {
    Fresh();
    SCOPED_TRACE(testing::Message() << std::string(c.image, c.image + wcslen(c.image)));
    sim::File& file = sim::AddFile(c.image);
    if (c.finalPath != nullptr) file.finalPath = c.finalPath;
    sim::Process& process = sim::AddProcess(42, c.image);
    // Another program lets others do no more than look: asking it for more would show.
    if (!c.matches) process.allowedAccess = kQueryAccess;
    sim::AddWindow(42);
    EXPECT_EQ(Sweep(SweepMode::Probe), c.matches ? 10 : 0);
    EXPECT_EQ(Sweep(SweepMode::Close), 0);
    EXPECT_EQ(Sweep(SweepMode::TerminateAll), 0);
    std::string image;
    for (wchar_t ch : std::wstring(c.image)) image.push_back(static_cast<char>(ch));
    if (c.matches) {
      EXPECT_EQ(Lines(), (std::vector<std::string>{Matched(42, image), Matched(42, image),
                                                    Matched(42, image),
                                                    Event("exited", 42, 0, image)}));
      EXPECT_EQ(process.terminateCalls, 1);
      EXPECT_EQ(World().windows[0].posted, std::vector<UINT>{WM_CLOSE});
    } else {
      EXPECT_TRUE(Lines().empty());
      EXPECT_EQ(process.terminateCalls, 0);
      EXPECT_TRUE(World().windows[0].posted.empty());
    }
  }
}

// Same-named programs elsewhere, in every mode: looked at through the query, never touched. They
// allow no more than a look, so that asking them for more would show.
TEST_F(SweepTest, NeverActsOnANamesakeRunFromElsewhere) {
  sim::Process& app = Elsewhere(50, L"D:\\Other\\App.exe");
  sim::Process& node = Elsewhere(51, L"D:\\Tools\\node.exe");
  app.allowedAccess = kQueryAccess;
  node.allowedAccess = kQueryAccess;
  sim::AddWindow(50);
  sim::AddWindow(51);
  for (SweepMode mode : kAllModes) {
    EXPECT_EQ(Sweep(mode), 0) << ModeNumber(mode);
  }
  EXPECT_TRUE(Lines().empty());
  EXPECT_EQ(app.terminateCalls + node.terminateCalls, 0);
  EXPECT_TRUE(World().windows[0].posted.empty());
  EXPECT_TRUE(World().windows[1].posted.empty());
}

// Failure over main over helpers over nothing, whatever the order of the snapshot.
TEST_F(SweepTest, TheProbeTallyFollowsItsPrecedence) {
  // M: the main executable, H: a helper, F: a namesake of the main executable that cannot be
  // opened, O: a namesake run from elsewhere; in snapshot order.
  struct Case {
    const char* running;
    int expected;
  } cases[] = {{"", 0},     {"O", 0},     {"H", 11},    {"HH", 11},   {"OH", 11},
               {"M", 10},   {"HM", 10},   {"MH", 10},   {"HMH", 10},  {"F", 2},
               {"FM", 2},   {"MF", 2},    {"HF", 2},    {"FH", 2},    {"HMF", 2}};
  for (const Case& c : cases) {
    Fresh();
    DWORD pid = 0;  // pid 0 is put to the same test as any other; 4 is the system's
    for (const char* kind = c.running; *kind != '\0'; ++kind, pid += 8) {
      switch (*kind) {
        case 'M': sim::AddProcess(pid, kMainImage); break;
        case 'H': sim::AddProcess(pid, kNodeImage); break;
        case 'F': sim::AddProcess(pid, kMainImage).openProcessError = ERROR_GEN_FAILURE; break;
        case 'O': Elsewhere(pid, L"D:\\Other\\App.exe"); break;
      }
    }
    EXPECT_EQ(Sweep(SweepMode::Probe), c.expected) << c.running;
  }
}

TEST_F(SweepTest, ReportsFailuresOfTheSnapshotAndItsEnumeration) {
  struct Case {
    const char* name;
    void (*script)();
    std::vector<std::string> lines;
  } cases[] = {
      {"snapshot", [] { World().createToolhelp32SnapshotError = ERROR_NOT_ENOUGH_MEMORY; },
       {"snapshot-failed pid=0 win32-error=8 "}},
      {"first entry", [] { World().process32FirstError = ERROR_ACCESS_DENIED; },
       {"enumerate-failed pid=0 win32-error=5 "}},
      // Whatever the error: even an empty snapshot is a failed enumeration.
      {"first entry of an empty snapshot",
       [] {
         World().processes.clear();
         World().process32FirstError = 0;
       },
       {"enumerate-failed pid=0 win32-error=18 "}},
      // Matches counted before it do not save the sweep, and the rest is not examined.
      {"next entry", [] { World().process32NextErrors[3] = ERROR_INVALID_DATA; },
       {Matched(10), "enumerate-failed pid=0 win32-error=13 "}},
  };
  for (const Case& c : cases) {
    Fresh();
    sim::AddProcess(10, kMainImage);
    sim::AddProcess(11, kNodeImage);
    c.script();
    EXPECT_EQ(Sweep(SweepMode::Probe), 2) << c.name;
    EXPECT_EQ(Lines(), c.lines) << c.name;
    EXPECT_TRUE(OpensOf(11).empty()) << c.name;
  }
}

TEST_F(SweepTest, EndsNormallyWhenTheEnumerationRunsOut) {
  sim::AddProcess(10, kNodeImage);
  EXPECT_EQ(Sweep(SweepMode::Probe), 11);
  EXPECT_EQ(World().calls["Process32NextW"], 3) << "System, the tool, the helper, then the end";
  EXPECT_EQ(Lines(), std::vector<std::string>{Matched(10, kNodeText)});
}

// Every way examining a namesake can fail, and every way it is passed over instead: the pid is
// gone, the process has ended meanwhile, or the Restart Manager rules it out. Nothing that fails
// here is ever terminated.
TEST_F(SweepTest, ReportsAFailedExaminationUnlessTheProcessIsGoneOrRuledOut) {
  using Script = void (*)(sim::Process&);
  const Script listed = [](sim::Process&) { sim::AddHolder(42, L"App", kMainImage); };
  const Script notListed = [](sim::Process&) { sim::AddHolder(7, L"Other", kMainImage); };
  const Script rmFails = [](sim::Process&) {
    World().restartManager.rmStartSessionError = ERROR_OUTOFMEMORY;
  };
  const std::string notReported =
      Event("inaccessible-process-not-reported-for-target", 42, 0, kMainText);
  const std::string checkFailed = Event("restart-manager-process-check-failed", 42, 14, kMainText);
  struct Case {
    const char* name;
    Script script;
    Script restartManager;  // null: the Restart Manager is not to be asked
    std::vector<std::string> lines;
    int result;
  } cases[] = {
      // Opening for the query
      {"open fails", [](sim::Process& p) { p.openProcessError = ERROR_GEN_FAILURE; }, nullptr,
       {Event("query-open-failed", 42, 31, "APP.EXE")}, 2},
      // No handle to it is open: its pid is free, and nothing answers to it any more.
      {"ended after the snapshot", [](sim::Process& p) { sim::At("OpenProcess", 1, [&p] { EndOnItsOwn(p); }); },
       nullptr, {}, 0},
      {"open denied, listed", [](sim::Process& p) { p.openProcessError = ERROR_ACCESS_DENIED; }, listed,
       {Event("query-open-failed", 42, 5, "APP.EXE")}, 2},
      {"open denied, not listed", [](sim::Process& p) { p.openProcessError = ERROR_ACCESS_DENIED; },
       notListed, {notReported}, 0},
      {"open denied, query failed", [](sim::Process& p) { p.openProcessError = ERROR_ACCESS_DENIED; },
       rmFails, {checkFailed, Event("query-open-failed", 42, 5, "APP.EXE")}, 2},
      // Reading the image path
      {"image fails",
       [](sim::Process& p) { p.queryFullProcessImageNameError = ERROR_PARTIAL_COPY; }, nullptr,
       {Event("query-image-failed", 42, 299, "APP.EXE")}, 2},
      {"image denied, listed",
       [](sim::Process& p) { p.queryFullProcessImageNameError = ERROR_ACCESS_DENIED; }, listed,
       {Event("query-image-failed", 42, 5, "APP.EXE")}, 2},
      {"image denied, not listed",
       [](sim::Process& p) { p.queryFullProcessImageNameError = ERROR_ACCESS_DENIED; },
       notListed, {notReported}, 0},
      {"image denied, query failed",
       [](sim::Process& p) { p.queryFullProcessImageNameError = ERROR_ACCESS_DENIED; },
       rmFails, {checkFailed, Event("query-image-failed", 42, 5, "APP.EXE")}, 2},
      {"image fails as it ends",
       [](sim::Process& p) {
         p.queryFullProcessImageNameError = ERROR_PARTIAL_COPY;
         sim::At("QueryFullProcessImageNameW", 1, [&p] { EndOnItsOwn(p); });
       },
       nullptr, {}, 0},
      {"image denied as it ends",
       [](sim::Process& p) {
         p.queryFullProcessImageNameError = ERROR_ACCESS_DENIED;
         sim::At("QueryFullProcessImageNameW", 1, [&p] { EndOnItsOwn(p, 0); });
       },
       nullptr, {}, 0},
      // Resolving the image path: any error asks the Restart Manager
      {"resolve fails, listed",
       [](sim::Process&) { sim::FindFile(kMainImage)->createFileError = ERROR_SHARING_VIOLATION; },
       listed, {Event("query-image-path-failed", 42, 32, kMainText)}, 2},
      {"resolve fails, not listed",
       [](sim::Process&) { sim::FindFile(kMainImage)->createFileError = ERROR_SHARING_VIOLATION; },
       notListed, {notReported}, 0},
      {"resolve fails, query failed",
       [](sim::Process&) {
         sim::FindFile(kMainImage)->getFinalPathNameByHandleError = ERROR_NOT_SUPPORTED;
       },
       rmFails, {checkFailed, Event("query-image-path-failed", 42, 50, kMainText)}, 2},
      {"image file gone, listed", [](sim::Process& p) { p.imagePath = L"C:\\App\\Gone\\App.exe"; },
       listed, {Event("query-image-path-failed", 42, 3, "C:\\App\\Gone\\App.exe")}, 2},
      {"image file gone, not listed",
       [](sim::Process& p) { p.imagePath = L"C:\\App\\Gone\\App.exe"; }, notListed, {notReported},
       0},
      {"resolve fails as it ends",
       [](sim::Process& p) {
         sim::FindFile(kMainImage)->createFileError = ERROR_SHARING_VIOLATION;
         sim::At("CreateFileW", 1, [&p] { EndOnItsOwn(p); });
       },
       nullptr, {}, 0},
  };
  for (SweepMode mode : {SweepMode::Probe, SweepMode::TerminateAll}) {
    for (const Case& c : cases) {
      Fresh();
      SCOPED_TRACE(testing::Message() << c.name << ", mode " << ModeNumber(mode));
      sim::Process& process = sim::AddProcess(42, kMainImage);
      process.exeName = L"APP.EXE";
      process.allowedAccess = kQueryAccess;  // asking for more would show
      c.script(process);
      if (c.restartManager != nullptr) c.restartManager(process);
      EXPECT_EQ(Sweep(mode), c.result);
      EXPECT_EQ(Lines(), c.lines);
      EXPECT_EQ(process.terminateCalls, 0);
      if (c.restartManager == nullptr) {
        EXPECT_EQ(World().calls["LoadLibraryExW"], 0);
      }
    }
  }
}

// A main executable named like a helper: a process of either passes the name test of both
// targets, and each pair decides on its own target's file. The process holds its own image, the
// helper's: only the pair of the helper's target keeps it.
TEST_F(SweepTest, EachPairOfAnUnexaminableNamesakeAsksAboutItsOwnTarget) {
  sim::AddFile(L"C:\\App\\node.exe");
  const TargetList list = {{L"node.exe", L"\\\\?\\C:\\App\\node.exe", true},
                           {L"node.exe", kNodeFinal, false}};
  sim::AddProcess(42, kNodeImage).openProcessError = ERROR_ACCESS_DENIED;
  sim::AddHolder(42, L"node", kNodeImage);
  EXPECT_EQ(Sweep(SweepMode::Probe, list), 2);
  EXPECT_EQ(Lines(), (std::vector<std::string>{
                         Event("inaccessible-process-not-reported-for-target", 42, 0,
                               "C:\\App\\node.exe"),
                         Event("query-open-failed", 42, 5, "node.exe")}));
}

// Every target is tried for every entry, even after a name test or a match succeeded, so the
// helper's process is found behind the main executable's namesake target, and each examination
// acts on its own.
TEST_F(SweepTest, TriesEveryTargetForEveryEntry) {
  struct Case {
    SweepMode mode;
    int result;
    bool mainEnds;
    bool helperEnds;
    bool mainWindowClosed;
  } cases[] = {
      {SweepMode::Probe, 10, false, false, false},
      {SweepMode::Close, 0, false, false, true},
      {SweepMode::TerminateHelpers, 10, false, true, false},
      {SweepMode::TerminateAll, 0, true, true, false},
  };
  const std::string mainText = "C:\\App\\node.exe";
  for (const Case& c : cases) {
    Fresh();
    SCOPED_TRACE(testing::Message() << "mode " << ModeNumber(c.mode));
    sim::AddFile(L"C:\\App\\node.exe");
    const TargetList list = {{L"node.exe", L"\\\\?\\C:\\App\\node.exe", true},
                             {L"node.exe", kNodeFinal, false}};
    sim::Process& helper = sim::AddProcess(20, kNodeImage);
    sim::Process& main = sim::AddProcess(10, L"C:\\App\\node.exe");
    sim::AddWindow(10);
    sim::AddWindow(20);
    EXPECT_EQ(Sweep(c.mode, list), c.result);
    std::vector<std::string> lines = {Matched(20, kNodeText)};
    if (c.helperEnds) lines.push_back(Event("exited", 20, 0, kNodeText));
    lines.push_back(Matched(10, mainText));
    if (c.mainEnds) lines.push_back(Event("exited", 10, 0, mainText));
    EXPECT_EQ(Lines(), lines);
    EXPECT_EQ(main.terminateCalls, c.mainEnds ? 1 : 0);
    EXPECT_EQ(helper.terminateCalls, c.helperEnds ? 1 : 0);
    EXPECT_EQ(World().windows[0].posted.size(), c.mainWindowClosed ? 1u : 0u);
    EXPECT_TRUE(World().windows[1].posted.empty());
    // Each process was examined against both targets.
    EXPECT_EQ(QueryOpensOf(10), 2u);
    EXPECT_EQ(QueryOpensOf(20), 2u);
  }
}

// The close request goes to every visible, unowned top-level window of every process of the
// main executable, one message each, and to no other window.
TEST_F(SweepTest, ClosePostsToEveryVisibleUnownedWindowOfTheMainExecutableOnly) {
  sim::AddProcess(10, kMainImage);
  sim::AddProcess(11, kMainImage);
  sim::AddProcess(20, kNodeImage);
  Elsewhere(30, L"D:\\Other\\App.exe");
  sim::AddProcess(40, L"C:\\Windows\\explorer.exe");
  const HWND mainWindow = sim::AddWindow(10).hwnd;
  sim::AddWindow(10, false);                     // invisible
  sim::AddWindow(10, true, mainWindow);          // owned: a dialog
  sim::AddWindow(10, false, mainWindow);         // owned and invisible
  sim::AddWindow(20);                            // a helper's
  sim::AddWindow(30);                            // a namesake's elsewhere
  sim::AddWindow(40);                            // another program's
  sim::AddWindow(10);                            // a second main window, after all the others
  sim::AddWindow(11);                            // another process of the main executable
  sim::AddWindow(11, true, World().windows[6].hwnd);  // owned by another program's window

  // Every process lets the tool look and no more: asking for more would show.
  for (sim::Process& process : World().processes) process.allowedAccess = kQueryAccess;
  EXPECT_EQ(Sweep(SweepMode::Close), 0);
  const std::vector<std::vector<UINT>> expected = {
      {WM_CLOSE}, {}, {}, {}, {}, {}, {}, {WM_CLOSE}, {WM_CLOSE}, {}};
  ASSERT_EQ(World().windows.size(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(World().windows[i].posted, expected[i]) << "window " << i;
  }
  EXPECT_EQ(Lines(), (std::vector<std::string>{Matched(10), Matched(11), Matched(20, kNodeText)}));
  EXPECT_EQ(World().calls["EnumWindows"], 2) << "once per process of the main executable";
  EXPECT_EQ(World().calls["TerminateProcess"], 0);
}

TEST_F(SweepTest, CloseCountsNothingAndKeepsFailures) {
  sim::AddProcess(10, kMainImage);  // no window at all
  sim::AddProcess(20, kNodeImage);
  EXPECT_EQ(Sweep(SweepMode::Close), 0);
  EXPECT_EQ(Lines(), (std::vector<std::string>{Matched(10), Matched(20, kNodeText)}));

  Fresh();
  sim::AddProcess(10, kMainImage);
  sim::AddWindow(10);
  sim::AddProcess(11, kMainImage).queryFullProcessImageNameError = ERROR_PARTIAL_COPY;
  EXPECT_EQ(Sweep(SweepMode::Close), 2);
  EXPECT_EQ(World().windows[0].posted, std::vector<UINT>{WM_CLOSE});
}

// A window of a process of higher integrity refuses the message (UIPI). The request goes on to
// every other window, and a refusal is no failure: "close" only asks.
TEST_F(SweepTest, AWindowThatRefusesTheMessageStopsNothing) {
  sim::AddProcess(10, kMainImage);
  sim::AddProcess(11, kMainImage);
  sim::AddWindow(10).postMessageError = ERROR_ACCESS_DENIED;
  sim::AddWindow(10);
  sim::AddWindow(11).postMessageError = ERROR_ACCESS_DENIED;
  sim::AddWindow(11);
  EXPECT_EQ(Sweep(SweepMode::Close), 0);
  const std::vector<std::vector<UINT>> expected = {{}, {WM_CLOSE}, {}, {WM_CLOSE}};
  for (size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(World().windows[i].posted, expected[i]) << "window " << i;
  }
  EXPECT_EQ(Lines(), (std::vector<std::string>{Matched(10), Matched(11)}));
}

// "clean" must never end the application itself: its processes are counted instead.
TEST_F(SweepTest, TerminateHelpersNeverEndsTheMainExecutable) {
  struct Case {
    const char* name;
    bool helperFails;
    int result;
  } cases[] = {{"helper ends", false, 10}, {"helper fails", true, 2}};
  for (const Case& c : cases) {
    for (bool mainFirst : {true, false}) {
      Fresh();
      SCOPED_TRACE(testing::Message() << c.name << (mainFirst ? ", main first" : ", helper first"));
      sim::Process* main = nullptr;
      if (mainFirst) main = &sim::AddProcess(10, kMainImage);
      sim::Process& helper = sim::AddProcess(20, kNodeImage);
      if (c.helperFails) helper.onTerminate = sim::OnTerminate::NeverEnds;
      if (!mainFirst) main = &sim::AddProcess(10, kMainImage);
      // Elevated, say: it lets the tool look, and asking it for more would show.
      main->allowedAccess = kQueryAccess;
      sim::AddWindow(10);
      EXPECT_EQ(Sweep(SweepMode::TerminateHelpers), c.result);
      const std::vector<std::string> helperLines = {
          Matched(20, kNodeText), c.helperFails ? Event("wait-failed", 20, 258, kNodeText)
                                                : Event("exited", 20, 0, kNodeText)};
      std::vector<std::string> lines = helperLines;
      lines.insert(mainFirst ? lines.begin() : lines.end(), Matched(10));
      EXPECT_EQ(Lines(), lines);
      EXPECT_EQ(main->terminateCalls, 0);
      EXPECT_EQ(helper.terminateCalls, 1);
      EXPECT_TRUE(World().windows[0].posted.empty());
    }
  }
}

TEST_F(SweepTest, HasExitedOnlyForAProcessThatEndedWithAnotherCodeThanStillActive) {
  struct Case {
    const char* name;
    void (*script)(sim::Process&);
    bool exited;
  } cases[] = {
      {"running", [](sim::Process&) {}, false},
      {"ended with 0", [](sim::Process& p) { EndOnItsOwn(p, 0); }, true},
      {"ended with 1", [](sim::Process& p) { EndOnItsOwn(p, 1); }, true},
      {"ended with 259", [](sim::Process& p) { EndOnItsOwn(p, STILL_ACTIVE); }, false},
      {"ended, code unreadable",
       [](sim::Process& p) {
         EndOnItsOwn(p, 0);
         p.getExitCodeProcessError = ERROR_ACCESS_DENIED;
       },
       false},
  };
  for (const Case& c : cases) {
    Fresh();
    sim::Process& process = sim::AddProcess(10, kMainImage);
    procsweep::UniqueHandle handle(platform::OpenProcess(kQueryAccess, FALSE, 10));
    c.script(process);
    EXPECT_EQ(procsweep::HasExited(handle.get()), c.exited) << c.name;
  }
}

TEST_F(SweepTest, QueryImagePathGivesThePathOrTheErrorOfTheQuery) {
  sim::Process& process = sim::AddProcess(10, kMainImage);
  procsweep::UniqueHandle handle(platform::OpenProcess(kQueryAccess, FALSE, 10));
  procsweep::PathResult image = procsweep::QueryImagePath(handle.get());
  EXPECT_EQ(image.path, kMainImage);
  EXPECT_EQ(image.error, 0u);
  // One attempt with the largest buffer a path can need; it never grows.
  process.imagePath = L"C:\\" + std::wstring(32764, L'a');
  EXPECT_EQ(procsweep::QueryImagePath(handle.get()).path, process.imagePath);
  process.imagePath += L'a';
  image = procsweep::QueryImagePath(handle.get());
  EXPECT_TRUE(image.path.empty());
  EXPECT_EQ(image.error, static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  process.queryFullProcessImageNameError = ERROR_ACCESS_DENIED;
  image = procsweep::QueryImagePath(handle.get());
  EXPECT_TRUE(image.path.empty());
  EXPECT_EQ(image.error, static_cast<DWORD>(ERROR_ACCESS_DENIED));
  EXPECT_EQ(platform::GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
}

// USER32 is loaded only for a close request, once per pass, and let go when the pass ends.
TEST_F(SweepTest, LoadsUser32OnlyToCloseWindows) {
  auto user32Loads = [] {
    int loads = 0;
    for (const sim::LibraryLoad& load : World().libraries.loads) loads += load.name == L"user32.dll";
    return loads;
  };
  sim::AddProcess(10, kMainImage);
  sim::AddProcess(11, kMainImage);
  sim::AddProcess(20, kNodeImage);
  sim::AddWindow(10);
  sim::AddWindow(11);
  for (SweepMode mode : {SweepMode::Probe, SweepMode::TerminateHelpers}) {
    Sweep(mode);
    EXPECT_EQ(user32Loads(), 0) << ModeNumber(mode);
  }
  EXPECT_EQ(Sweep(SweepMode::Close), 0);
  EXPECT_EQ(user32Loads(), 1);
  EXPECT_EQ(World().windows[0].posted, std::vector<UINT>{WM_CLOSE});
  EXPECT_EQ(World().windows[1].posted, std::vector<UINT>{WM_CLOSE});
}

// A close request that cannot be made is a failure of the run, never a quiet 0.
TEST_F(SweepTest, ReportsAUser32ThatCannotBeHad) {
  struct Case {
    const char* name;
    void (*script)();
    DWORD error;
  } cases[] = {
      {"not loaded", [] { World().libraries.user32.loadLibraryExError = ERROR_DLL_INIT_FAILED; },
       ERROR_DLL_INIT_FAILED},
      {"a function missing", [] { World().libraries.user32.missingExport = "PostMessageW"; },
       ERROR_PROC_NOT_FOUND},
      // A failure that left no error behind is a failure all the same.
      {"not loaded, no error left",
       [] { World().libraries.user32.loadLibraryExError = ERROR_SUCCESS; }, ERROR_MOD_NOT_FOUND},
      {"a function missing, no error left",
       [] {
         World().libraries.user32.missingExport = "PostMessageW";
         World().libraries.user32.missingExportError = ERROR_SUCCESS;
       },
       ERROR_PROC_NOT_FOUND},
  };
  for (const Case& c : cases) {
    Fresh();
    c.script();
    sim::AddProcess(10, kMainImage);
    sim::AddProcess(11, kMainImage);
    sim::AddProcess(20, kNodeImage);
    sim::AddWindow(10);
    EXPECT_EQ(Sweep(SweepMode::Close), 2) << c.name;
    EXPECT_EQ(Lines(), (std::vector<std::string>{
                           Matched(10), Event("close-request-failed", 10, c.error, kMainText),
                           Matched(11), Event("close-request-failed", 11, c.error, kMainText),
                           Matched(20, kNodeText)}))
        << c.name;
    EXPECT_TRUE(World().windows[0].posted.empty()) << c.name;
  }
}

// Every process of an executable has the same image path. A pass that only looks resolves each
// path once; a pass that acts resolves it at every examination, and a termination again in its
// identity check. The events are the same either way.
TEST_F(SweepTest, ResolvesEachImagePathOncePerLookingPass) {
  struct Case {
    SweepMode mode;
    int result;
    bool helpersEnd;
    bool mainEnds;
    int finalPathQueries;
  } cases[] = {
      {SweepMode::Probe, 10, false, false, 2},
      {SweepMode::Close, 0, false, false, 6},
      {SweepMode::TerminateHelpers, 10, true, false, 6 + 3},
      {SweepMode::TerminateAll, 0, true, true, 6 + 6},
  };
  for (const Case& c : cases) {
    Fresh();
    SCOPED_TRACE(testing::Message() << "mode " << ModeNumber(c.mode));
    std::vector<std::string> lines;
    for (DWORD pid : {10u, 20u, 11u, 21u, 12u, 22u}) {
      const bool isMain = pid < 20;
      sim::AddProcess(pid, isMain ? kMainImage : kNodeImage);
      lines.push_back(Matched(pid, isMain ? kMainText : kNodeText));
      if (isMain ? c.mainEnds : c.helpersEnd) {
        lines.push_back(Event("exited", pid, 0, isMain ? kMainText : kNodeText));
      }
    }
    EXPECT_EQ(Sweep(c.mode), c.result);
    EXPECT_EQ(Lines(), lines);
    EXPECT_EQ(World().calls["GetFinalPathNameByHandleW"], c.finalPathQueries);
  }
}

// A folder on the image path is re-pointed while a pass runs: the processes met after that are
// no longer the installation's, and a pass that acts must not act on them on an earlier answer.
TEST_F(SweepTest, AnActingPassActsOnlyOnAFreshAnswer) {
  for (SweepMode mode : {SweepMode::Close, SweepMode::TerminateAll}) {
    Fresh();
    SCOPED_TRACE(testing::Message() << "mode " << ModeNumber(mode));
    sim::AddProcess(10, kMainImage);
    sim::AddProcess(11, kMainImage);
    sim::AddWindow(10);
    sim::AddWindow(11);
    // The snapshot holds the system and the tool first: the third step leaves process 10.
    sim::At("Process32NextW", 3,
            [] { sim::FindFile(kMainImage)->finalPath = L"\\\\?\\D:\\Other\\App.exe"; });
    EXPECT_EQ(Sweep(mode), 0);
    std::vector<std::string> lines{Matched(10)};
    if (mode == SweepMode::TerminateAll) lines.push_back(Event("exited", 10, 0, kMainText));
    EXPECT_EQ(Lines(), lines);
    EXPECT_FALSE(sim::ProcessById(11).exited);
    if (mode == SweepMode::Close) {
      EXPECT_EQ(World().windows[0].posted, std::vector<UINT>{WM_CLOSE});
    }
    EXPECT_TRUE(World().windows[1].posted.empty());
  }
}

// A path that could not be resolved is not remembered: the next process of the same image
// resolves it afresh.
TEST_F(SweepTest, ALookingPassKeepsNoFailedResolution) {
  sim::File& image = *sim::FindFile(kMainImage);
  image.createFileError = ERROR_SHARING_VIOLATION;
  sim::AddHolder(10, L"App", kMainImage);
  sim::AddProcess(10, kMainImage);
  sim::AddProcess(11, kMainImage);
  sim::At("OpenProcess", 2, [&image] { image.createFileError = 0; });
  EXPECT_EQ(Sweep(SweepMode::Probe), 2);
  EXPECT_EQ(Lines(), (std::vector<std::string>{
                         Event("query-image-path-failed", 10, ERROR_SHARING_VIOLATION, kMainText),
                         Matched(11)}));
}

// What one pass resolved is never carried into the next: a closing look sees the file system as
// it is by then.
TEST_F(SweepTest, NoPassReusesTheResolutionsOfAnother) {
  sim::AddProcess(20, kNodeImage);
  EXPECT_EQ(Sweep(SweepMode::Probe), 11);
  sim::FindFile(kNodeImage)->finalPath = L"\\\\?\\D:\\Other\\node.exe";
  EXPECT_EQ(Sweep(SweepMode::Probe), 0);
  EXPECT_EQ(Lines(), std::vector<std::string>{Matched(20, kNodeText)});
}
