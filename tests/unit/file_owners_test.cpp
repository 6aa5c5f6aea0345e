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
  sim::AddHolder(300, L"Elsewhere", L"C:\\other.txt");
  std::vector<RM_PROCESS_INFO> owners;
  EXPECT_EQ(Query(owners, {L"C:\\a.txt", L"relative\\b.txt"}), static_cast<DWORD>(ERROR_SUCCESS));
  EXPECT_TRUE(owners.empty());
  EXPECT_EQ(Rm().listCalls, 1);
}

// Every file is asked about, as given (a relative one from the current directory), in one
// session: a process that holds two of them is one holder.
TEST_F(FileOwnersTest, AsksAboutEveryFileInOneSession) {
  sim::AddHolder(100, L"First", L"C:\\a.txt");
  sim::AddHolder(200, L"Second", L"C:\\Work\\relative\\b.txt");
  sim::AddHolder(100, L"First", L"C:\\Work\\relative\\b.txt");
  sim::AddHolder(300, L"Elsewhere", L"C:\\other.txt");
  std::vector<RM_PROCESS_INFO> owners;
  EXPECT_EQ(Query(owners, {L"C:\\a.txt", L"relative\\b.txt"}), static_cast<DWORD>(ERROR_SUCCESS));
  ASSERT_EQ(owners.size(), 2u);
  EXPECT_EQ(owners[0].Process.dwProcessId, 100u);
  EXPECT_EQ(owners[1].Process.dwProcessId, 200u);
}

TEST_F(FileOwnersTest, LearnsTheCountThenReadsTheHoldersInTheirOrder) {
  sim::AddHolder(300, L"Third", L"C:\\App\\App.exe");
  sim::AddHolder(100, L"First", L"C:\\App\\App.exe");
  std::vector<RM_PROCESS_INFO> owners;
  EXPECT_EQ(Query(owners), static_cast<DWORD>(ERROR_SUCCESS));
  ASSERT_EQ(owners.size(), 2u);
  EXPECT_EQ(owners[0].Process.dwProcessId, 300u);
  EXPECT_STREQ(owners[0].strAppName, L"Third");
  EXPECT_EQ(owners[1].Process.dwProcessId, 100u);
  EXPECT_EQ(Rm().listCalls, 2);
}

TEST_F(FileOwnersTest, GrowsTheArrayWhileHoldersKeepComing) {
  sim::AddHolder(100, L"First", L"C:\\App\\App.exe");
  Rm().holdersAddedPerCall = 1;
  std::vector<RM_PROCESS_INFO> owners;
  EXPECT_EQ(Query(owners), static_cast<DWORD>(ERROR_MORE_DATA));
  EXPECT_EQ(Rm().listCalls, 4);
  EXPECT_EQ(Rm().sessionsEnded, 1);
}

TEST_F(FileOwnersTest, SettlesOnTheThirdCallWhenOneHolderTurnsUpLate) {
  sim::AddHolder(100, L"First", L"C:\\App\\App.exe");
  std::vector<RM_PROCESS_INFO> owners;
  sim::At("RmGetList", 2, [] { sim::AddHolder(200, L"Late", L"C:\\App\\App.exe"); });
  EXPECT_EQ(Query(owners), static_cast<DWORD>(ERROR_SUCCESS));
  EXPECT_EQ(Rm().listCalls, 3);
  ASSERT_EQ(owners.size(), 2u);
  EXPECT_EQ(owners[1].Process.dwProcessId, 200u);
}

TEST_F(FileOwnersTest, CutsTheArrayToTheRecordsFilled) {
  sim::AddHolder(100, L"First", L"C:\\App\\App.exe");
  sim::AddHolder(200, L"Second", L"C:\\App\\App.exe");
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
      {"start", [] { Rm().rmStartSessionError = ERROR_SEM_TIMEOUT; }, ERROR_SEM_TIMEOUT, 0, 0},
      {"register", [] { Rm().rmRegisterResourcesError = ERROR_BAD_ARGUMENTS; }, ERROR_BAD_ARGUMENTS,
       1, 0},
      {"list", [] { Rm().rmGetListErrors = {ERROR_WRITE_FAULT}; }, ERROR_WRITE_FAULT, 1, 1},
      {"second list",
       [] {
         sim::AddHolder(1, L"x", L"C:\\App\\App.exe");
         Rm().rmGetListErrors = {0, ERROR_OUTOFMEMORY};
       },
       ERROR_OUTOFMEMORY, 1, 2},
      {"end ignored", [] { Rm().rmEndSessionError = ERROR_INVALID_HANDLE; }, ERROR_SUCCESS, 1, 1},
      {"library", [] { World().libraries.rstrtmgr.loadLibraryExError = ERROR_MOD_NOT_FOUND; },
       ERROR_MOD_NOT_FOUND, 0, 0},
      {"function", [] { World().libraries.rstrtmgr.missingExport = "RmGetList"; },
       ERROR_PROC_NOT_FOUND, 0, 0},
  };
  for (const Case& c : cases) {
    Fresh();
    c.script();
    std::vector<RM_PROCESS_INFO> owners;
    EXPECT_EQ(Query(owners), c.result) << c.name;
    EXPECT_EQ(Rm().sessionsStarted, c.started) << c.name;
    EXPECT_EQ(Rm().sessionsEnded, c.started) << c.name;
    EXPECT_EQ(Rm().listCalls, c.listCalls) << c.name;
  }
}

// The library is not one of the system's known DLLs: only the system directory may supply it,
// whatever the process's default search order is.
TEST_F(FileOwnersTest, LoadsTheLibraryFromTheSystemDirectoryOnly) {
  std::vector<RM_PROCESS_INFO> owners;
  EXPECT_EQ(Query(owners), static_cast<DWORD>(ERROR_SUCCESS));
  ASSERT_FALSE(World().libraries.loads.empty());
  const sim::LibraryLoad& load = World().libraries.loads[0];
  EXPECT_EQ(load.name, L"rstrtmgr.dll");
  EXPECT_EQ(load.from, sim::LoadedFrom::System32);
}

// Windows 7 without KB2533623 refuses the LOAD_LIBRARY_SEARCH_ flags as an invalid parameter:
// the library then comes by its full path in the system directory, never by its bare name.
TEST_F(FileOwnersTest, LoadsTheLibraryWhereTheSearchFlagsAreUnknown) {
  World().libraries.lacksSearchFlags = true;
  sim::AddHolder(42, L"Example App", L"C:\\App\\App.exe");
  std::vector<RM_PROCESS_INFO> owners;
  EXPECT_EQ(Query(owners), static_cast<DWORD>(ERROR_SUCCESS));
  ASSERT_EQ(owners.size(), 1u);
  EXPECT_EQ(owners[0].Process.dwProcessId, 42u);
  ASSERT_FALSE(World().libraries.loads.empty());
  EXPECT_EQ(World().libraries.loads[0].from, sim::LoadedFrom::System32);

  // A system directory that does not fit leaves nothing safe to load from.
  Fresh();
  World().libraries.lacksSearchFlags = true;
  World().libraries.systemDirectory = std::wstring(MAX_PATH + 5, L'x');
  EXPECT_EQ(Query(owners), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
}

// Any other refusal is the answer: it is never retried another way.
TEST_F(FileOwnersTest, TakesAnyOtherLoadFailureAsTheAnswer) {
  World().libraries.rstrtmgr.loadLibraryExError = ERROR_ACCESS_DENIED;
  std::vector<RM_PROCESS_INFO> owners;
  EXPECT_EQ(Query(owners), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  EXPECT_EQ(World().calls["LoadLibraryExW"], 1);
}
