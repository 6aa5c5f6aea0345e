#include "targets/final_path.h"

#include "support/sim_test.h"

using procsweep::PathResult;
using procsweep::ResolveFinalPath;
using procsweep::ToPlainPath;

class FinalPathTest : public SimTest {};

TEST_F(FinalPathTest, ResolvesFilesAndDirectoriesToThePrefixedForm) {
  sim::AddFile(L"C:\\Apps\\Tool\\tool.exe");
  sim::AddShortName(L"C:\\APPS~1", L"C:\\Apps");
  struct Case {
    const wchar_t* given;
    const wchar_t* expected;
  } cases[] = {
      {L"C:\\Apps\\Tool\\tool.exe", L"\\\\?\\C:\\Apps\\Tool\\tool.exe"},
      {L"C:\\Apps\\Tool", L"\\\\?\\C:\\Apps\\Tool"},
      {L"C:\\Apps\\Tool\\", L"\\\\?\\C:\\Apps\\Tool"},
      {L"\\\\?\\C:\\Apps\\Tool\\tool.exe", L"\\\\?\\C:\\Apps\\Tool\\tool.exe"},
      // The file system's letter case wins, and short names give way to long ones.
      {L"c:\\APPS\\tool\\TOOL.EXE", L"\\\\?\\C:\\Apps\\Tool\\tool.exe"},
      {L"C:\\APPS~1\\Tool\\tool.exe", L"\\\\?\\C:\\Apps\\Tool\\tool.exe"},
      {L"c:\\apps~1\\tool", L"\\\\?\\C:\\Apps\\Tool"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ResolveFinalPath(c.given).path, c.expected) << testing::PrintToString(std::wstring(c.given));
  }
}

TEST_F(FinalPathTest, ResolvesARelativePathAgainstTheCurrentDirectory) {
  World().currentDirectory = L"C:\\Apps";
  sim::AddFile(L"C:\\Apps\\Tool\\tool.exe");
  const PathResult result = ResolveFinalPath(L"Tool\\tool.exe");
  EXPECT_EQ(result.path, L"\\\\?\\C:\\Apps\\Tool\\tool.exe");
}

// Links to folders and to files alike: the final path is the target's.
TEST_F(FinalPathTest, FollowsLinksToTheirTarget) {
  sim::AddDirectory(L"C:\\Apps\\Link").finalPath = L"\\\\?\\D:\\Elsewhere";
  sim::AddFile(L"C:\\Apps\\tool.exe").finalPath = L"\\\\?\\D:\\Elsewhere\\tool.exe";
  EXPECT_EQ(ResolveFinalPath(L"C:\\Apps\\Link").path, L"\\\\?\\D:\\Elsewhere");
  EXPECT_EQ(ResolveFinalPath(L"C:\\Apps\\tool.exe").path, L"\\\\?\\D:\\Elsewhere\\tool.exe");
}

TEST_F(FinalPathTest, ReachesANetworkShareInItsPrefixedForm) {
  sim::AddFile(L"\\\\server\\share\\Tool\\tool.exe");
  EXPECT_EQ(ResolveFinalPath(L"\\\\server\\share\\Tool\\tool.exe").path,
            L"\\\\?\\UNC\\server\\share\\Tool\\tool.exe");
}

// The image of a running process, and a file that another program keeps to itself, still
// resolve: the open asks for nothing that another open's share mode could refuse.
TEST_F(FinalPathTest, ResolvesFilesThatOthersHoldOpen) {
  sim::AddFile(L"C:\\Apps\\tool.exe");
  sim::AddProcess(10, L"C:\\Apps\\tool.exe");
  sim::AddFile(L"C:\\Data\\locked.db");
  sim::OpenElsewhere(L"C:\\Data\\locked.db", GENERIC_READ | GENERIC_WRITE | DELETE, 0);
  EXPECT_EQ(ResolveFinalPath(L"C:\\Apps\\tool.exe").path, L"\\\\?\\C:\\Apps\\tool.exe");
  EXPECT_EQ(ResolveFinalPath(L"C:\\Data\\locked.db").path, L"\\\\?\\C:\\Data\\locked.db");
}

// Each failure comes back empty, with the error of the call that failed both in the result and
// as the thread's last error, although the handle was closed in between.
TEST_F(FinalPathTest, ReportsTheErrorOfTheCallThatFailed) {
  struct Case {
    const char* name;
    void (*script)();
    DWORD error;
    bool missing;  // only an open that finds nothing means the path is not there
  } cases[] = {
      {"missing file", [] { sim::AddDirectory(L"C:\\Apps"); }, ERROR_FILE_NOT_FOUND, true},
      {"missing folder", [] {}, ERROR_PATH_NOT_FOUND, true},
      {"access refused",
       [] { sim::AddFile(L"C:\\Apps\\tool.exe").createFileError = ERROR_ACCESS_DENIED; },
       ERROR_ACCESS_DENIED, false},
      {"final path unreadable",
       [] { sim::AddFile(L"C:\\Apps\\tool.exe").getFinalPathNameByHandleError = ERROR_NOT_SUPPORTED; },
       ERROR_NOT_SUPPORTED, false},
      // Volumes without a drive letter and some RAM disks: opened, then "not found".
      {"final path not found after the open",
       [] { sim::AddFile(L"C:\\Apps\\tool.exe").getFinalPathNameByHandleError = ERROR_FILE_NOT_FOUND; },
       ERROR_FILE_NOT_FOUND, false},
      {"final path's folder not found after the open",
       [] { sim::AddFile(L"C:\\Apps\\tool.exe").getFinalPathNameByHandleError = ERROR_PATH_NOT_FOUND; },
       ERROR_PATH_NOT_FOUND, false},
      // The system answers a too small buffer with the size it needs and sets no error.
      {"final path too long",
       [] { sim::AddFile(L"C:\\Apps\\tool.exe").finalPath = L"\\\\?\\C:\\" + std::wstring(32761, L'a'); },
       ERROR_FILENAME_EXCED_RANGE, false},
  };
  for (const Case& c : cases) {
    Fresh();
    c.script();
    const PathResult result = ResolveFinalPath(L"C:\\Apps\\tool.exe");
    EXPECT_TRUE(result.path.empty()) << c.name;
    EXPECT_EQ(result.error, c.error) << c.name;
    EXPECT_EQ(result.missing, c.missing) << c.name;
    EXPECT_EQ(platform::GetLastError(), c.error) << c.name;
    EXPECT_EQ(sim::OpenHandleCount(), 0u) << c.name;
    if (c.missing) {
      EXPECT_EQ(sim::FindFile(L"C:\\Apps\\tool.exe"), nullptr) << "resolving made the file";
    }
  }
}

TEST_F(FinalPathTest, AcceptsTheLongestFinalPathThatFits) {
  const std::wstring longest = L"\\\\?\\C:\\" + std::wstring(32760, L'a');
  ASSERT_EQ(longest.size(), 32767u);
  sim::AddFile(L"C:\\Apps\\tool.exe").finalPath = longest;
  EXPECT_EQ(ResolveFinalPath(L"C:\\Apps\\tool.exe").path, longest);
}

// A plain path of MAX_PATH characters or more does not open in a program that is not long-path
// aware, nor does a "\\.\", "//?/", "//./" or other device form of that length but "\\?\" and
// "\??\", which the system cleans up like a plain path: all of them still resolve, through their full path behind "\\?\". A
// device form keeps its meaning: prefixing one again would name another path ("//?/C:/x" as
// "\\?\UNC\?\C:\x").
TEST_F(FinalPathTest, ResolvesLongPlainPathsAndDeviceForms) {
  const std::wstring folder(260, L'f');
  sim::AddFile(L"C:\\" + folder + L"\\tool.exe");
  sim::AddFile(L"\\\\server\\share\\" + folder + L"\\tool.exe");
  sim::AddFile(L"C:\\Work\\" + folder + L"\\tool.exe");
  const std::wstring local = L"\\\\?\\C:\\" + folder + L"\\tool.exe";
  struct Case {
    std::wstring given;
    std::wstring resolved;
  } cases[] = {
      {L"C:\\" + folder + L"\\tool.exe", local},
      {L"\\\\server\\share\\" + folder + L"\\tool.exe",
       L"\\\\?\\UNC\\server\\share\\" + folder + L"\\tool.exe"},
      {folder + L"\\tool.exe", L"\\\\?\\C:\\Work\\" + folder + L"\\tool.exe"},
      {L"\\\\?\\C:\\" + folder + L"\\tool.exe", local},
      {L"//?/C:/" + folder + L"/tool.exe", local},
      {L"\\\\.\\C:\\" + folder + L"\\tool.exe", local},
      {L"//./C:/" + folder + L"/tool.exe", local},
      {L"//?/C://" + folder + L"//tool.exe", local},
      {L"\\\\.\\UNC\\server\\share\\" + folder + L"\\tool.exe",
       L"\\\\?\\UNC\\server\\share\\" + folder + L"\\tool.exe"},
      {L"\\??\\C:\\" + folder + L"\\tool.exe", local},
      // The two separators may be mixed in any way in a device form but "\\?\" itself.
      {L"\\\\?/C:/" + folder + L"/tool.exe", local},
      {L"\\\\./C:\\" + folder + L"\\tool.exe", local},
      {L"/\\.\\C:\\" + folder + L"\\tool.exe", local},
      {L"\\/?\\C:\\" + folder + L"\\tool.exe", local},
      {L"//?\\C:\\" + folder + L"\\tool.exe", local},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ResolveFinalPath(c.given).path, c.resolved) << testing::PrintToString(c.given);
  }
}

TEST(PlainPath, RemovesThePrefixExactlyAsSpelled) {
  struct Case {
    const wchar_t* prefixed;
    const wchar_t* plain;
  } cases[] = {
      {L"\\\\?\\UNC\\server\\share\\Tool\\tool.exe", L"\\\\server\\share\\Tool\\tool.exe"},
      {L"\\\\?\\C:\\Apps\\Tool\\tool.exe", L"C:\\Apps\\Tool\\tool.exe"},
      {L"C:\\Apps\\Tool\\tool.exe", L"C:\\Apps\\Tool\\tool.exe"},
      {L"\\\\?\\unc\\server\\share\\x", L"unc\\server\\share\\x"},
      {L"\\\\?\\UNC\\", L"\\\\"},
      {L"\\\\?\\", L""},
      {L"\\\\?", L"\\\\?"},
      {L"", L""},
  };
  for (const Case& c : cases) EXPECT_EQ(ToPlainPath(c.prefixed), c.plain);
}
