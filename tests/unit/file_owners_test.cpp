#include "restart_manager/file_owners.h"

#include "support/sim_test.h"

using procsweep::QueryFileOwners;

class FileOwnersTest : public SimTest {
 protected:
  static DWORD Query(std::vector<RM_PROCESS_INFO>& owners,
                     std::vector<const wchar_t*> files = {L"C:\\App\\App.exe"}) {
    return QueryFileOwners(files, owners);
  }
  static sim::RestartManager& Rm() { return World().restartManager; }
};

TEST_F(FileOwnersTest, AnswersWithOneListCallWhenNothingHoldsTheFiles) {
  std::vector<RM_PROCESS_INFO> owners;
  EXPECT_EQ(Query(owners, {L"C:\\a.txt", L"relative\\b.txt"}), static_cast<DWORD>(ERROR_SUCCESS));
  EXPECT_TRUE(owners.empty());
  EXPECT_EQ(Rm().listCalls, 1);
  EXPECT_EQ(Rm().listBufferSizes, std::vector<UINT>{0});
  ASSERT_EQ(Rm().registeredFiles.size(), 1u);
  EXPECT_EQ(Rm().registeredFiles[0], (std::vector<std::wstring>{L"C:\\a.txt", L"relative\\b.txt"}));
  EXPECT_EQ(Rm().sessionsEnded, 1);
}

TEST_F(FileOwnersTest, LearnsTheCountThenReadsTheHoldersInTheirOrder) {
  sim::AddHolder(300, L"Third");
  sim::AddHolder(100, L"First");
  std::vector<RM_PROCESS_INFO> owners;
  EXPECT_EQ(Query(owners), static_cast<DWORD>(ERROR_SUCCESS));
  ASSERT_EQ(owners.size(), 2u);
  EXPECT_EQ(owners[0].Process.dwProcessId, 300u);
  EXPECT_STREQ(owners[0].strAppName, L"Third");
  EXPECT_EQ(owners[1].Process.dwProcessId, 100u);
  EXPECT_EQ(Rm().listBufferSizes, (std::vector<UINT>{0, 2}));
}

TEST_F(FileOwnersTest, GrowsTheArrayWhileHoldersKeepComing) {
  sim::AddHolder(100, L"First");
  Rm().holdersAddedPerCall = 1;
  std::vector<RM_PROCESS_INFO> owners;
  EXPECT_EQ(Query(owners), static_cast<DWORD>(ERROR_MORE_DATA));
  EXPECT_EQ(Rm().listCalls, 4);
  EXPECT_EQ(Rm().listBufferSizes, (std::vector<UINT>{0, 2, 3, 4}));
  EXPECT_EQ(Rm().sessionsEnded, 1);
}

TEST_F(FileOwnersTest, SettlesOnTheThirdCallWhenOneHolderTurnsUpLate) {
  sim::AddHolder(100, L"First");
  std::vector<RM_PROCESS_INFO> owners;
  sim::At("RmGetList", 2, [] { sim::AddHolder(200, L"Late"); });
  EXPECT_EQ(Query(owners), static_cast<DWORD>(ERROR_SUCCESS));
  EXPECT_EQ(Rm().listBufferSizes, (std::vector<UINT>{0, 1, 2}));
  ASSERT_EQ(owners.size(), 2u);
  EXPECT_EQ(owners[1].Process.dwProcessId, 200u);
}

TEST_F(FileOwnersTest, CutsTheArrayToTheRecordsFilled) {
  sim::AddHolder(100, L"First");
  sim::AddHolder(200, L"Second");
  sim::At("RmGetList", 2, [] { Rm().holders.pop_back(); });
  std::vector<RM_PROCESS_INFO> owners;
  EXPECT_EQ(Query(owners), static_cast<DWORD>(ERROR_SUCCESS));
  ASSERT_EQ(owners.size(), 1u);
  EXPECT_EQ(owners[0].Process.dwProcessId, 100u);
}

// Each failure comes back as the code of the step that failed, and a session that was started
// is always ended.
TEST_F(FileOwnersTest, ReturnsTheFailingStepsCodeAndEndsEveryStartedSession) {
  struct Case {
    const char* name;
    void (*script)();
    DWORD result;
    int started, listCalls;
  } cases[] = {
      {"start", [] { Rm().startError = ERROR_SEM_TIMEOUT; }, ERROR_SEM_TIMEOUT, 0, 0},
      {"register", [] { Rm().registerError = ERROR_BAD_ARGUMENTS; }, ERROR_BAD_ARGUMENTS, 1, 0},
      {"list", [] { Rm().listErrors = {ERROR_WRITE_FAULT}; }, ERROR_WRITE_FAULT, 1, 1},
      {"second list", [] { sim::AddHolder(1, L"x"); Rm().listErrors = {0, ERROR_OUTOFMEMORY}; },
       ERROR_OUTOFMEMORY, 1, 2},
      {"end ignored", [] { Rm().endError = ERROR_INVALID_HANDLE; }, ERROR_SUCCESS, 1, 1},
      {"library", [] { Rm().loadError = ERROR_MOD_NOT_FOUND; }, ERROR_MOD_NOT_FOUND, 0, 0},
      {"function", [] { Rm().missingFunction = "RmGetList"; }, ERROR_PROC_NOT_FOUND, 0, 0},
  };
  for (const Case& c : cases) {
    sim::Reset();
    c.script();
    std::vector<RM_PROCESS_INFO> owners;
    EXPECT_EQ(Query(owners), c.result) << c.name;
    EXPECT_EQ(Rm().sessionsStarted, c.started) << c.name;
    EXPECT_EQ(Rm().sessionsEnded, c.started) << c.name;
    EXPECT_EQ(Rm().listCalls, c.listCalls) << c.name;
    EXPECT_EQ(Rm().loadedModules, 0) << c.name;
  }
}

// The library is not one of the system's known DLLs: only the system directory may supply it.
TEST_F(FileOwnersTest, LoadsTheLibraryFromTheSystemDirectoryOnly) {
  std::vector<RM_PROCESS_INFO> owners;
  Query(owners);
  ASSERT_EQ(Rm().loadFlags.size(), 1u);
  EXPECT_EQ(Rm().loadFlags[0], static_cast<DWORD>(LOAD_LIBRARY_SEARCH_SYSTEM32));
  EXPECT_EQ(Rm().loadedNames[0], L"rstrtmgr.dll");
  EXPECT_EQ(World().calls["FreeLibrary"], 1);
}

// Windows 7 without KB2533623 refuses the LOAD_LIBRARY_SEARCH_ flags as an invalid parameter:
// the library then comes by its full path in the system directory, never by its bare name.
TEST_F(FileOwnersTest, LoadsTheLibraryWhereTheSearchFlagsAreUnknown) {
  World().libraries.lacksSearchFlags = true;
  sim::AddHolder(42, L"Example App");
  std::vector<RM_PROCESS_INFO> owners;
  EXPECT_EQ(Query(owners), static_cast<DWORD>(ERROR_SUCCESS));
  ASSERT_EQ(owners.size(), 1u);
  EXPECT_EQ(owners[0].Process.dwProcessId, 42u);

  // A system directory that does not fit leaves nothing safe to load from.
  sim::Reset();
  World().libraries.lacksSearchFlags = true;
  World().libraries.systemDirectory = std::wstring(MAX_PATH + 5, L'x');
  EXPECT_EQ(Query(owners), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
}

// Any other refusal is the answer: it is never retried another way.
TEST_F(FileOwnersTest, TakesAnyOtherLoadFailureAsTheAnswer) {
  Rm().loadError = ERROR_ACCESS_DENIED;
  std::vector<RM_PROCESS_INFO> owners;
  EXPECT_EQ(Query(owners), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  EXPECT_EQ(World().calls["LoadLibraryExW"], 1);
}
