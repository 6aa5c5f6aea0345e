#include "restart_manager/inaccessible_process.h"

#include "support/sim_test.h"

using procsweep::ConfirmInaccessibleProcess;

class InaccessibleProcessTest : public SimTest {
 protected:
  static sim::RestartManager& Rm() { return World().restartManager; }
};

TEST_F(InaccessibleProcessTest, KeepsAProcessThatHoldsTheTargetsFile) {
  sim::AddHolder(11, L"Other");
  sim::AddHolder(42, L"App");
  sim::AddHolder(12, L"Another");
  EXPECT_TRUE(ConfirmInaccessibleProcess(L"\\\\?\\C:\\App\\App.exe", 42));
  EXPECT_TRUE(Lines().empty());
  EXPECT_EQ(Rm().registeredFiles[0], std::vector<std::wstring>{L"C:\\App\\App.exe"});
}

TEST_F(InaccessibleProcessTest, RulesOutAProcessTheRestartManagerDoesNotList) {
  for (bool otherHolders : {false, true}) {
    Fresh();
    if (otherHolders) sim::AddHolder(11, L"Other");
    EXPECT_FALSE(ConfirmInaccessibleProcess(L"\\\\?\\UNC\\server\\share\\App\\App.exe", 42));
    EXPECT_EQ(Lines(), std::vector<std::string>{"inaccessible-process-not-reported-for-target pid=42 "
                                                "win32-error=0 \\\\server\\share\\App\\App.exe"});
    EXPECT_EQ(Rm().registeredFiles[0],
              std::vector<std::wstring>{L"\\\\server\\share\\App\\App.exe"});
  }
}

// A process that cannot be ruled out stays a match.
TEST_F(InaccessibleProcessTest, KeepsTheProcessWhenTheQueryFails) {
  for (DWORD error : {static_cast<DWORD>(ERROR_MORE_DATA), static_cast<DWORD>(ERROR_ACCESS_DENIED)}) {
    Fresh();
    Rm().listErrors.assign(4, error);
    EXPECT_TRUE(ConfirmInaccessibleProcess(L"C:\\App\\App.exe", 42));
    EXPECT_EQ(Lines(), std::vector<std::string>{"restart-manager-process-check-failed pid=42 win32-error=" +
                                                std::to_string(error) + " C:\\App\\App.exe"});
  }
}

TEST_F(InaccessibleProcessTest, AsksAnewForEveryProcess) {
  sim::AddHolder(42, L"App");
  ConfirmInaccessibleProcess(L"\\\\?\\C:\\App\\App.exe", 42);
  ConfirmInaccessibleProcess(L"\\\\?\\C:\\App\\App.exe", 42);
  EXPECT_EQ(Rm().sessionsStarted, 2);
}
