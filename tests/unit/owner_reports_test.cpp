#include "restart_manager/owner_reports.h"

#include "targets/target_list.h"

#include "support/sample_installation.h"

class OwnerReportsTest : public SimTest {
 protected:
  static sim::RestartManager& Rm() { return World().restartManager; }
  static void AddAllSamples(const std::wstring& root) {
    sim::AddFile(root + L"\\App.exe");
    sim::AddFile(root + L"\\resources\\app.asar");
    for (const wchar_t* helper : procsweep::HelperExecutables) sim::AddFile(root + L"\\" + helper);
  }
};

// The file is asked about as given: a relative path from the current directory.
TEST_F(OwnerReportsTest, OwnersReportsEachHolderOfTheFileInOrder) {
  for (const wchar_t* file : {L"C:\\Work\\Data\\file.txt", L"Data\\file.txt"}) {
    Fresh();
    sim::AddHolder(4321, L"Editor", L"C:\\Work\\Data\\file.txt");
    sim::AddHolder(99, L"Another file's holder", L"C:\\Work\\Data\\other.txt");
    sim::AddHolder(17, L"Indexer Service", L"C:\\Work\\Data\\file.txt");
    EXPECT_EQ(Run({L"owners", file}), 0);
    EXPECT_EQ(Lines(), (std::vector<std::string>{
                           "restart-manager-file pid=0 win32-error=0 " + sample::Narrow(file),
                           "restart-manager-owner pid=4321 win32-error=0 Editor",
                           "restart-manager-owner pid=17 win32-error=0 Indexer Service"}));
  }
}

// A load or lookup that failed without leaving an error behind is a failure all the same.
TEST_F(OwnerReportsTest, OwnersReportsAFailedQueryAndStillSucceeds) {
  struct Case {
    const char* name;
    void (*script)();
    DWORD error;
  } cases[] = {
      {"holders keep coming",
       [] {
         Rm().rmGetListErrors = {ERROR_MORE_DATA, ERROR_MORE_DATA, ERROR_MORE_DATA, ERROR_MORE_DATA};
       },
       ERROR_MORE_DATA},
      {"library not loaded, no error left",
       [] { World().libraries.rstrtmgr.loadLibraryExError = ERROR_SUCCESS; }, ERROR_MOD_NOT_FOUND},
      {"function not found, no error left",
       [] {
         World().libraries.rstrtmgr.missingExport = "RmGetList";
         World().libraries.rstrtmgr.missingExportError = ERROR_SUCCESS;
       },
       ERROR_PROC_NOT_FOUND},
  };
  for (const Case& c : cases) {
    Fresh();
    c.script();
    EXPECT_EQ(Run({L"owners", L"file.txt"}), 0) << c.name;
    EXPECT_EQ(Lines(), (std::vector<std::string>{
                           "restart-manager-file pid=0 win32-error=0 file.txt",
                           "restart-manager-query-failed pid=0 win32-error=" +
                               std::to_string(c.error) + " "}))
        << c.name;
  }
}

TEST_F(OwnerReportsTest, AHolderNameWithoutTerminatorIsReadWithinItsArray) {
  RM_PROCESS_INFO& info = sim::AddHolder(5, L"", L"C:\\Work\\f");
  std::fill(std::begin(info.strAppName), std::end(info.strAppName), L'n');
  EXPECT_EQ(Run({L"owners", L"f"}), 0);
  ASSERT_FALSE(Lines().empty());
  EXPECT_EQ(Lines().back(), "restart-manager-owner pid=5 win32-error=0 " +
                                std::string(CCH_RM_MAX_APP_NAME + 1, 'n'));
}

// One query for all six: a process that holds several of them is one holder.
TEST_F(OwnerReportsTest, LegacyOwnersSamplesAllSixInOneQuery) {
  AddAllSamples(L"C:\\App");
  sim::AddHolder(900, L"App", L"C:\\App\\App.exe");
  sim::AddHolder(900, L"App", L"C:\\App\\resources\\app.asar");
  sim::AddHolder(901, L"Helper", L"C:\\App\\resources\\app.asar.unpacked\\node_modules\\"
                                 L"recheck-windows-x64\\recheck.exe");
  EXPECT_EQ(Run({L"--log", L"C:\\App\\App.exe", L"legacy-owners", L"C:\\App", L"App.exe"}), 0);
  const std::vector<std::string> expected = {
      "restart-manager-legacy-sample pid=0 win32-error=0 C:\\App",
      "restart-manager-sampled-file pid=0 win32-error=0 C:\\App\\App.exe",
      "restart-manager-sampled-file pid=0 win32-error=0 C:\\App\\resources\\app.asar",
      "restart-manager-sampled-file pid=0 win32-error=0 C:\\App\\resources\\runtime\\node\\node.exe",
      "restart-manager-sampled-file pid=0 win32-error=0 C:\\App\\resources\\app.asar.unpacked\\node_modules\\ffmpeg-static\\ffmpeg.exe",
      "restart-manager-sampled-file pid=0 win32-error=0 C:\\App\\resources\\app.asar.unpacked\\node_modules\\@esbuild\\win32-x64\\esbuild.exe",
      "restart-manager-sampled-file pid=0 win32-error=0 C:\\App\\resources\\app.asar.unpacked\\node_modules\\recheck-windows-x64\\recheck.exe",
      "restart-manager-owner pid=900 win32-error=0 App",
      "restart-manager-owner pid=901 win32-error=0 Helper",
  };
  EXPECT_EQ(Lines(), expected);
  // --log names the sampled main executable here: every line went there too, in UTF-16.
  std::string log;
  for (const std::string& line : expected) {
    for (char c : line + "\r\n") log += std::string{c, '\0'};
  }
  EXPECT_EQ(sim::FindFile(L"C:\\App\\App.exe")->content, log);
}

// What is skipped is not asked about: the holder of an unreadable sample is not reported.
TEST_F(OwnerReportsTest, LegacyOwnersSkipsMissingAndDirectorySamplesSilently) {
  sim::AddFile(L"C:\\App\\App.exe");
  sim::AddDirectory(L"C:\\App\\resources\\app.asar");
  sim::AddFile(L"C:\\App\\resources\\runtime\\node\\node.exe").getFileAttributesError =
      ERROR_ACCESS_DENIED;
  sim::AddHolder(900, L"Node", L"C:\\App\\resources\\runtime\\node\\node.exe");
  EXPECT_EQ(Run({L"legacy-owners", L"C:\\App", L"App.exe"}), 0);
  EXPECT_EQ(Lines(), (std::vector<std::string>{
                         "restart-manager-legacy-sample pid=0 win32-error=0 C:\\App",
                         "restart-manager-sampled-file pid=0 win32-error=0 C:\\App\\App.exe",
                         "restart-manager-no-owner-reported pid=0 win32-error=0 "}));
}

TEST_F(OwnerReportsTest, LegacyOwnersWithoutSamplesAsksNothing) {
  sim::AddDirectory(L"C:\\App");
  EXPECT_EQ(Run({L"legacy-owners", L"C:\\App", L"App.exe"}), 0);
  EXPECT_EQ(Lines(), std::vector<std::string>{"restart-manager-legacy-sample pid=0 win32-error=0 C:\\App"});
  EXPECT_EQ(World().calls["LoadLibraryExW"], 0);
}

TEST_F(OwnerReportsTest, LegacyOwnersReportsAFailedQueryAndStillSucceeds) {
  sim::AddFile(L"C:\\App\\App.exe");
  Rm().rmStartSessionError = ERROR_ACCESS_DENIED;
  EXPECT_EQ(Run({L"legacy-owners", L"C:\\App", L"App.exe"}), 0);
  ASSERT_FALSE(Lines().empty());
  EXPECT_EQ(Lines().back(), "restart-manager-query-failed pid=0 win32-error=5 ");
}
