#include "targets/target_list.h"

#include "support/sim_test.h"

using procsweep::BuildTargetList;
using procsweep::HelperExecutables;
using procsweep::TargetList;

namespace {

const std::wstring kRoot = L"\\\\?\\C:\\App";

std::wstring Below(const std::wstring& relative) { return kRoot + L"\\" + relative; }

}  // namespace

class TargetListTest : public SimTest {
 protected:
  void SetUp() override {
    SimTest::SetUp();
    sim::AddDirectory(L"C:\\App");
  }
  static void AddAllHelpers() {
    for (const wchar_t* helper : HelperExecutables) sim::AddFile(Below(helper));
  }
  static TargetList Build(const std::wstring& root = kRoot, const std::wstring& main = L"App.exe") {
    TargetList list;
    EXPECT_TRUE(BuildTargetList(root, main, list));
    return list;
  }
};

TEST_F(TargetListTest, AdmitsTheMainExecutableThenTheHelpersInOrder) {
  sim::AddFile(Below(L"App.exe"));
  AddAllHelpers();
  const TargetList list = Build();
  ASSERT_EQ(list.size(), 5u);
  EXPECT_EQ(list[0].imageName, L"App.exe");
  EXPECT_EQ(list[0].finalPath, Below(L"App.exe"));
  EXPECT_TRUE(list[0].isMainExecutable);
  const wchar_t* names[] = {L"node.exe", L"ffmpeg.exe", L"esbuild.exe", L"recheck.exe"};
  for (size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(list[i + 1].imageName, names[i]);
    EXPECT_EQ(list[i + 1].finalPath, Below(HelperExecutables[i]));
    EXPECT_FALSE(list[i + 1].isMainExecutable);
  }
  EXPECT_TRUE(Lines().empty());
}

// The helpers are looked for only where the application is: its main executable was admitted,
// or its archive marks the folder as its installation.
TEST_F(TargetListTest, TriesTheHelpersOnlyWithTheMainExecutableOrTheMarkerFile) {
  struct Case {
    bool main;
    bool marker;
    size_t expected;
  } cases[] = {{true, true, 5}, {true, false, 5}, {false, true, 4}, {false, false, 0}};
  for (const Case& c : cases) {
    Fresh();
    if (c.main) sim::AddFile(Below(L"App.exe"));
    if (c.marker) sim::AddFile(Below(L"resources\\app.asar"));
    AddAllHelpers();
    EXPECT_EQ(Build().size(), c.expected) << c.main << c.marker;
  }
}

TEST_F(TargetListTest, AMarkerThatIsADirectoryOrUnreadableIsNoMarker) {
  AddAllHelpers();
  sim::AddDirectory(Below(L"resources\\app.asar"));
  EXPECT_TRUE(Build().empty());
  sim::FindFile(Below(L"resources\\app.asar"))->attributes = FILE_ATTRIBUTE_NORMAL;
  sim::FindFile(Below(L"resources\\app.asar"))->getFileAttributesError = ERROR_ACCESS_DENIED;
  EXPECT_TRUE(Build().empty());
  EXPECT_TRUE(Lines().empty());
}

TEST_F(TargetListTest, LeavesOutMissingCandidatesAndDirectoriesSilently) {
  sim::AddDirectory(Below(L"App.exe"));
  sim::AddFile(Below(L"resources\\app.asar"));
  sim::AddFile(Below(HelperExecutables[0]));  // app.asar.unpacked is missing: error 3 for the rest
  const TargetList list = Build();
  ASSERT_EQ(list.size(), 1u);
  EXPECT_EQ(list[0].imageName, L"node.exe");
  EXPECT_TRUE(Lines().empty());
}

// A link planted inside the installation must never make another program a target.
TEST_F(TargetListTest, SkipsExecutablesReachedThroughALink) {
  sim::AddFile(Below(L"App.exe")).finalPath = L"\\\\?\\C:\\Windows\\System32\\cmd.exe";
  sim::AddFile(Below(L"resources\\app.asar"));
  AddAllHelpers();
  sim::FindFile(Below(HelperExecutables[1]))->finalPath =
      L"\\\\?\\D:\\Elsewhere\\ffmpeg-static\\ffmpeg.exe";
  const TargetList list = Build();
  ASSERT_EQ(list.size(), 3u);
  EXPECT_EQ(list[0].imageName, L"node.exe");
  EXPECT_EQ(list[1].imageName, L"esbuild.exe");
  EXPECT_EQ(Lines(), (std::vector<std::string>{
                         "redirected-executable-skipped pid=0 win32-error=0 \\\\?\\C:\\App\\App.exe",
                         "redirected-executable-skipped pid=0 win32-error=0 \\\\?\\C:\\App\\resources\\"
                         "app.asar.unpacked\\node_modules\\ffmpeg-static\\ffmpeg.exe"}));
}

TEST_F(TargetListTest, ALinkToTheMainExecutableAloneDoesNotOpenTheHelpers) {
  sim::AddFile(Below(L"App.exe")).finalPath = L"\\\\?\\D:\\Other\\App.exe";
  AddAllHelpers();
  EXPECT_TRUE(Build().empty());
  EXPECT_EQ(Lines().size(), 1u);
}

TEST_F(TargetListTest, LetterCaseAloneIsNoRedirection) {
  sim::AddFile(L"C:\\App\\Application.EXE");
  const TargetList list = Build(kRoot, L"application.exe");
  ASSERT_EQ(list.size(), 1u);
  EXPECT_EQ(list[0].imageName, L"application.exe");
  EXPECT_EQ(list[0].finalPath, L"\\\\?\\C:\\App\\Application.EXE");
}

TEST_F(TargetListTest, AComparisonThatFailsCountsAsDifferent) {
  sim::AddFile(Below(L"App.exe"));
  World().compareStringOrdinalFails = true;
  EXPECT_TRUE(Build().empty());
  EXPECT_EQ(Lines().size(), 1u);
}

TEST_F(TargetListTest, AMainExecutableNamedLikeAHelperGivesTwoRecords) {
  sim::AddFile(Below(L"node.exe"));
  AddAllHelpers();
  const TargetList list = Build(kRoot, L"node.exe");
  ASSERT_EQ(list.size(), 5u);
  EXPECT_EQ(list[0].imageName, L"node.exe");
  EXPECT_EQ(list[1].imageName, L"node.exe");
  EXPECT_NE(list[0].finalPath, list[1].finalPath);
}

// Errors 2 and 3 mean "not installed"; any other error ends the build, and the records added
// before it are discarded.
TEST_F(TargetListTest, StopsAtTheFirstCandidateThatCannotBeRead) {
  struct Case {
    const char* name;
    void (*script)(sim::File&);
    const char* event;
    DWORD error;
  } cases[] = {
      {"attributes", [](sim::File& f) { f.getFileAttributesError = ERROR_ACCESS_DENIED; },
       "executable-attributes-failed", ERROR_ACCESS_DENIED},
      {"open", [](sim::File& f) { f.createFileError = ERROR_SHARING_VIOLATION; },
       "executable-path-failed", ERROR_SHARING_VIOLATION},
      {"final path", [](sim::File& f) { f.getFinalPathNameByHandleError = ERROR_NOT_SUPPORTED; },
       "executable-path-failed", ERROR_NOT_SUPPORTED},
  };
  for (const Case& c : cases) {
    Fresh();
    sim::AddFile(Below(L"App.exe"));
    AddAllHelpers();
    c.script(*sim::FindFile(Below(HelperExecutables[1])));
    TargetList list;
    EXPECT_FALSE(BuildTargetList(kRoot, L"App.exe", list)) << c.name;
    EXPECT_TRUE(list.empty()) << c.name;
    EXPECT_EQ(Lines(), std::vector<std::string>{std::string(c.event) + " pid=0 win32-error=" +
                                                std::to_string(c.error) + " \\\\?\\C:\\App\\resources\\"
                                                "app.asar.unpacked\\node_modules\\ffmpeg-static\\ffmpeg.exe"})
        << c.name;
    EXPECT_EQ(World().calls["GetFileAttributesW"], 3) << "main, node, ffmpeg; nothing after it";
  }
}

TEST_F(TargetListTest, TakesTheImageNameAfterTheLastBackslashOnly) {
  sim::AddFile(Below(L"resources\\app.asar"));
  sim::AddFile(Below(L"resources\\runtime\\node\\node.exe"));
  const TargetList helper = Build();
  ASSERT_EQ(helper.size(), 1u);
  EXPECT_EQ(helper[0].imageName, L"node.exe");
  Fresh();
  // Only a file system that allows a slash in a name could hold such a file: behind the
  // prefix the name reaches it unchanged.
  sim::AddFile(L"\\\\?\\C:\\App\\a/b.exe");
  const TargetList slash = Build(kRoot, L"a/b.exe");
  ASSERT_EQ(slash.size(), 1u);
  EXPECT_EQ(slash[0].imageName, L"a/b.exe");
}

// A volume's root directory ends in a backslash already; behind the prefix a doubled one would
// never resolve, and nothing would ever be admitted there.
TEST_F(TargetListTest, JoinsBelowAVolumeRootWithOneBackslash) {
  sim::AddFile(L"D:\\App.exe");
  sim::AddFile(L"D:\\resources\\runtime\\node\\node.exe");
  const TargetList list = Build(L"\\\\?\\D:\\");
  ASSERT_EQ(list.size(), 2u);
  EXPECT_EQ(list[0].finalPath, L"\\\\?\\D:\\App.exe");
  EXPECT_EQ(list[1].finalPath, L"\\\\?\\D:\\resources\\runtime\\node\\node.exe");
  EXPECT_TRUE(Lines().empty());
}
