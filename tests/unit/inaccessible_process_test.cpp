#include "restart_manager/inaccessible_process.h"

#include "support/sim_test.h"

using procsweep::ConfirmInaccessibleProcess;

class InaccessibleProcessTest : public SimTest {
 protected:
  static sim::RestartManager& Rm() { return World().restartManager; }
};

// The target's file is asked about in the plain form the Restart Manager understands, on a
// local volume and on a network share alike.
TEST_F(InaccessibleProcessTest, KeepsAProcessThatHoldsTheTargetsFile) {
  struct Case {
    const wchar_t* finalPath;
    const wchar_t* file;
  } cases[] = {
      {L"\\\\?\\C:\\App\\App.exe", L"C:\\App\\App.exe"},
      {L"\\\\?\\UNC\\server\\share\\App\\App.exe", L"\\\\server\\share\\App\\App.exe"},
  };
  for (const Case& c : cases) {
    Fresh();
    sim::AddHolder(11, L"Other", c.file);
    sim::AddHolder(42, L"App", c.file);
    sim::AddHolder(12, L"Another", c.file);
    EXPECT_TRUE(ConfirmInaccessibleProcess(c.finalPath, 42));
    EXPECT_TRUE(Lines().empty());
  }
}

// Holding another file, even the same file under another name, is not holding the target's.
TEST_F(InaccessibleProcessTest, RulesOutAProcessTheRestartManagerDoesNotList) {
  for (bool otherHolders : {false, true}) {
    Fresh();
    if (otherHolders) sim::AddHolder(11, L"Other", L"\\\\server\\share\\App\\App.exe");
    sim::AddHolder(42, L"App", L"\\\\server\\share\\App\\node.exe");
    EXPECT_FALSE(ConfirmInaccessibleProcess(L"\\\\?\\UNC\\server\\share\\App\\App.exe", 42));
    EXPECT_EQ(Lines(), std::vector<std::string>{"inaccessible-process-not-reported-for-target pid=42 "
                                                "win32-error=0 \\\\server\\share\\App\\App.exe"});
  }
}

// A process that cannot be ruled out stays a match.
TEST_F(InaccessibleProcessTest, KeepsTheProcessWhenTheQueryFails) {
  for (DWORD error : {static_cast<DWORD>(ERROR_MORE_DATA), static_cast<DWORD>(ERROR_ACCESS_DENIED)}) {
    Fresh();
    Rm().rmGetListErrors.assign(4, error);
    EXPECT_TRUE(ConfirmInaccessibleProcess(L"C:\\App\\App.exe", 42));
    EXPECT_EQ(Lines(), std::vector<std::string>{"restart-manager-process-check-failed pid=42 win32-error=" +
                                                std::to_string(error) + " C:\\App\\App.exe"});
  }
}

// Nothing is remembered between two processes: a holder that turned up since is seen.
TEST_F(InaccessibleProcessTest, AsksAnewForEveryProcess) {
  EXPECT_FALSE(ConfirmInaccessibleProcess(L"\\\\?\\C:\\App\\App.exe", 42));
  sim::AddHolder(42, L"App", L"C:\\App\\App.exe");
  EXPECT_TRUE(ConfirmInaccessibleProcess(L"\\\\?\\C:\\App\\App.exe", 42));
  EXPECT_EQ(Lines().size(), 1u);
}
