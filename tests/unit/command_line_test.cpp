#include "driver/command_line.h"

#include <cwctype>

#include "support/sample_installation.h"

class CommandLineTest : public SimTest {
 protected:
  sim::File& LogFile() { return sim::AddFile(L"C:\\Logs\\sweep.log"); }
};

// A malformed command line ends with 2 and writes nothing at all.
TEST_F(CommandLineTest, RefusesMalformedCommandLinesSilently) {
  sim::AddDirectory(L"C:\\App");
  LogFile();
  const std::vector<std::vector<std::wstring>> cases = {
      {},
      {L"probe"},
      {L"owners"},
      {L"--log", L"C:\\Logs\\sweep.log", L"owners"},
      {L"--log", L"C:\\Logs\\sweep.log"},
      {L"probe", L"C:\\App"},
      {L"probe", L"C:\\App", L"App.exe", L"extra"},
      {L"owners", L"a", L"b", L"c"},
      {L"--log", L"C:\\Logs\\sweep.log", L"--log", L"C:\\App", L"probe"},
      // An installer whose directory variable was never set passes an empty argument.
      {L"probe", L"", L"App.exe"},
      {L"force", L"", L"App.exe"},
      {L"legacy-owners", L"", L"App.exe"},
      {L"--log", L"C:\\Logs\\sweep.log", L"clean", L"", L"App.exe"},
      // Only "--log" itself is the option: another first word is a mode word no mode has.
      {L"--logfile", L"C:\\Logs\\sweep.log", L"probe", L"C:\\App", L"App.exe"},
      {L"--log=C:\\Logs\\sweep.log", L"probe", L"C:\\App", L"App.exe"},
      {L"--LOG", L"C:\\Logs\\sweep.log", L"probe", L"C:\\App", L"App.exe"},
      {L"--Log", L"C:\\Logs\\sweep.log", L"owners", L"C:\\App\\App.exe"},
  };
  for (const auto& arguments : cases) {
    World().calls.clear();
    EXPECT_EQ(static_cast<int>(procsweep::RunCommandLine(arguments)), 2)
        << testing::PrintToString(arguments);
    // A second "--log" is taken as the mode word, refused only after the target list was built.
    if (arguments.size() == 5 && arguments[2] == L"--log") continue;
    EXPECT_EQ(World().calls["CreateFileW"], 0)
        << "nothing is looked at: " << testing::PrintToString(arguments);
    EXPECT_EQ(World().calls["GetFileAttributesW"], 0)
        << "nothing is looked at: " << testing::PrintToString(arguments);
  }
  EXPECT_TRUE(World().standardOutput.empty());
  EXPECT_TRUE(sim::FindFile(L"C:\\Logs\\sweep.log")->content.empty());
}

TEST_F(CommandLineTest, RefusesMainExecutableNamesThatAreNotOneFileName) {
  // Even an installation that cannot be resolved writes nothing: the name is checked first.
  sim::AddDirectory(L"C:\\App").createFileError = ERROR_ACCESS_DENIED;
  for (const wchar_t* name : {L"", L"bin\\App.exe", L"bin/App.exe", L"C:App.exe", L"*.exe",
                              L"App?.exe"}) {
    EXPECT_EQ(Run({L"probe", L"C:\\App", name}), 2);
  }
  EXPECT_TRUE(World().standardOutput.empty());
}

// Windows drops the dots and spaces that end a plain path's last component; below the "\\?\"
// root the candidates are built on, no file of such a name can exist. A name ending so would make
// the main executable no target at all, and "nothing runs" the answer while it runs.
TEST_F(CommandLineTest, RefusesMainExecutableNamesThatEndInADotOrASpace) {
  sim::AddDirectory(L"C:\\App");
  sim::AddFile(L"C:\\App\\App.exe");
  sim::AddProcess(10, L"C:\\App\\App.exe");
  for (const wchar_t* word : {L"probe", L"force", L"legacy-owners"}) {
    for (const wchar_t* name : {L"App.exe.", L"App.exe ", L"App.exe. ", L"App.exe .", L".",
                                L"..", L" "}) {
      World().calls.clear();
      EXPECT_EQ(Run({word, L"C:\\App", name}), 2) << testing::PrintToString(name);
      EXPECT_EQ(World().calls["CreateFileW"], 0) << testing::PrintToString(name);
    }
  }
  EXPECT_TRUE(World().standardOutput.empty());
  EXPECT_FALSE(sim::ProcessById(10).exited);
}

TEST_F(CommandLineTest, AcceptsOtherCharactersInTheMainExecutableName) {
  for (const wchar_t* name : {L"<App>.exe", L"A|pp.exe", L"\"App\".exe", L"App .exe"}) {
    EXPECT_EQ(Run({L"probe", L"C:\\Missing", name}), 0);
  }
}

// No installation, nothing to act on, for every word given with two operands.
TEST_F(CommandLineTest, EndsQuietlyWhenTheInstallationIsMissing) {
  sim::AddDirectory(L"C:\\Programs");
  for (const wchar_t* word : {L"probe", L"close", L"clean", L"force", L"legacy-owners", L"PROBE",
                              L"owners"}) {
    for (const wchar_t* directory : {L"C:\\Programs\\Missing", L"C:\\Nowhere\\Missing"}) {
      EXPECT_EQ(Run({word, directory, L"App.exe"}), 0);
    }
  }
  EXPECT_TRUE(World().standardOutput.empty());
}

TEST_F(CommandLineTest, ReportsAnInstallationThatCannotBeResolved) {
  struct Case {
    void (*script)();
    DWORD error;
  } cases[] = {
      {[] { sim::AddDirectory(L"C:\\App").createFileError = ERROR_ACCESS_DENIED; },
       ERROR_ACCESS_DENIED},
      {[] { sim::AddDirectory(L"C:\\App").getFinalPathNameByHandleError = ERROR_INVALID_FUNCTION; },
       ERROR_INVALID_FUNCTION},
      // The directory opened, so it exists: "not found" from the final-path call (a volume
      // without a drive letter, a RAM disk) is a failure, never a missing installation.
      {[] { sim::AddDirectory(L"C:\\App").getFinalPathNameByHandleError = ERROR_FILE_NOT_FOUND; },
       ERROR_FILE_NOT_FOUND},
      {[] { sim::AddDirectory(L"C:\\App").getFinalPathNameByHandleError = ERROR_PATH_NOT_FOUND; },
       ERROR_PATH_NOT_FOUND},
      // A present installation whose final path does not fit must not pass for a missing one.
      {[] { sim::AddDirectory(L"C:\\App").finalPath = L"\\\\?\\C:\\" + std::wstring(32770, L'a'); },
       ERROR_FILENAME_EXCED_RANGE},
  };
  for (const Case& c : cases) {
    Fresh();
    c.script();
    EXPECT_EQ(Run({L"force", L"C:\\App\\", L"App.exe"}), 2);
    EXPECT_EQ(Lines(), std::vector<std::string>{"installation-path-failed pid=0 win32-error=" +
                                                std::to_string(c.error) + " C:\\App\\"});
  }
}

// NSIS names an installation at a drive's root "R:", without the backslash. Windows would read
// that as the drive's current folder, such as the one the installer was started from; the
// installation is the root's, whatever folder of the drive the tool runs in. Events keep the
// argument as it was given.
TEST_F(CommandLineTest, ABareDriveIsTheDrivesRoot) {
  struct Case {
    const char* name;
    void (*script)();
    const wchar_t* directory;
    int exitCode;
    std::vector<std::string> lines;
  } cases[] = {
      {"run from another folder of the drive",
       [] { World().currentDirectory = L"R:\\Downloads"; }, L"R:", 10,
       {"matched pid=10 win32-error=0 R:\\App.exe"}},
      {"in lower case", [] { World().currentDirectory = L"R:\\Downloads"; }, L"r:", 10,
       {"matched pid=10 win32-error=0 R:\\App.exe"}},
      {"with a current folder of its own on that drive",
       [] { World().driveCurrentDirectories[L'R'] = L"R:\\Downloads"; }, L"R:", 10,
       {"matched pid=10 win32-error=0 R:\\App.exe"}},
      {"the root as such", [] { World().currentDirectory = L"R:\\Downloads"; }, L"R:\\", 10,
       {"matched pid=10 win32-error=0 R:\\App.exe"}},
      {"a root that cannot be read",
       [] {
         World().currentDirectory = L"R:\\Downloads";
         sim::FindFile(L"R:\\")->createFileError = ERROR_ACCESS_DENIED;
       },
       L"R:", 2, {"installation-path-failed pid=0 win32-error=5 R:"}},
  };
  for (const Case& c : cases) {
    Fresh();
    sim::AddDirectory(L"R:\\Downloads");
    sim::AddFile(L"R:\\App.exe");
    sim::AddProcess(10, L"R:\\App.exe");
    c.script();
    EXPECT_EQ(Run({L"probe", c.directory, L"App.exe"}), c.exitCode) << c.name;
    EXPECT_EQ(Lines(), c.lines) << c.name;
  }
}

// An easy slip for update code that has the application's path at hand (process.execPath): the
// main executable's path given for the installation directory. Every candidate below a file is
// "not found", and "nothing runs" would be the answer while the application runs.
TEST_F(CommandLineTest, RefusesAnInstallationDirectoryThatIsAFile) {
  struct Case {
    const char* name;
    void (*script)();
    DWORD error;
  } cases[] = {
      {"the main executable's own path", [] {}, ERROR_DIRECTORY},
      {"a file whose attributes cannot be read",
       [] { sim::FindFile(L"C:\\App\\App.exe")->getFileAttributesError = ERROR_ACCESS_DENIED; },
       ERROR_ACCESS_DENIED},
  };
  for (const Case& c : cases) {
    for (const wchar_t* word : {L"probe", L"close", L"clean", L"force", L"legacy-owners",
                                L"Probe"}) {
      Fresh();
      sim::AddDirectory(L"C:\\App");
      sim::AddFile(L"C:\\App\\App.exe");
      sim::AddProcess(10, L"C:\\App\\App.exe");
      c.script();
      EXPECT_EQ(Run({word, L"C:\\App\\App.exe", L"App.exe"}), 2) << c.name;
      EXPECT_EQ(Lines(), std::vector<std::string>{"installation-path-failed pid=0 win32-error=" +
                                                  std::to_string(c.error) +
                                                  " C:\\App\\App.exe"})
          << c.name << " " << testing::PrintToString(word);
      EXPECT_FALSE(sim::ProcessById(10).exited);
    }
  }
}

// The first and the last drive letter, in either case: "Z:", often a mapped network drive, is a
// drive like any other.
TEST_F(CommandLineTest, EveryDriveLetterIsABareDrive) {
  for (const wchar_t* directory : {L"A:", L"a:", L"Z:", L"z:"}) {
    Fresh();
    const wchar_t drive = static_cast<wchar_t>(std::towupper(directory[0]));
    const std::wstring root = std::wstring{drive, L':', L'\\'};
    sim::AddDirectory(root + L"Downloads");
    sim::AddFile(root + L"App.exe");
    sim::AddProcess(10, root + L"App.exe");
    World().currentDirectory = root + L"Downloads";
    EXPECT_EQ(Run({L"probe", directory, L"App.exe"}), 10) << testing::PrintToString(directory);
    std::string image(root.begin(), root.end());
    EXPECT_EQ(Lines(), std::vector<std::string>{"matched pid=10 win32-error=0 " + image + "App.exe"})
        << testing::PrintToString(directory);
  }
}

// A plain path of MAX_PATH characters or more does not open as it is; one character less does.
// At either length the installation is found, and its application with it.
TEST_F(CommandLineTest, ResolvesInstallationPathsOnEitherSideOfMaxPath) {
  for (size_t length : {size_t{MAX_PATH - 1}, size_t{MAX_PATH}}) {
    Fresh();
    const std::wstring directory = L"C:\\" + std::wstring(length - 3, L'd');
    ASSERT_EQ(directory.size(), length);
    sim::AddDirectory(directory);
    sim::AddFile(directory + L"\\App.exe");
    sim::AddProcess(10, directory + L"\\App.exe");
    EXPECT_EQ(Run({L"probe", directory, L"App.exe"}), 10) << length;
    EXPECT_EQ(Lines().size(), 1u) << length;
  }
}

TEST_F(CommandLineTest, WritesEventsToTheLogFileToo) {
  sim::File& log = LogFile();
  sim::AddDirectory(L"C:\\App").createFileError = ERROR_ACCESS_DENIED;
  EXPECT_EQ(Run({L"--log", L"C:\\Logs\\sweep.log", L"probe", L"C:\\App", L"App.exe"}), 2);
  const std::wstring line = L"installation-path-failed pid=0 win32-error=5 C:\\App\r\n";
  EXPECT_EQ(log.content, std::string(reinterpret_cast<const char*>(line.data()), line.size() * 2));
}

TEST_F(CommandLineTest, KeepsItsExitCodesWhenTheLogFileIsMissing) {
  sim::AddDirectory(L"C:\\App").createFileError = ERROR_ACCESS_DENIED;
  EXPECT_EQ(Run({L"--log", L"C:\\Logs\\missing.log", L"probe", L"C:\\App", L"App.exe"}), 2);
  EXPECT_EQ(Run({L"--log", L"C:\\Logs\\missing.log", L"probe", L"C:\\Gone", L"App.exe"}), 0);
  EXPECT_EQ(sim::FindFile(L"C:\\Logs\\missing.log"), nullptr);
}

TEST_F(CommandLineTest, AnEmptyLogPathMeansNoLogFile) {
  sim::AddDirectory(L"C:\\App").createFileError = ERROR_ACCESS_DENIED;
  EXPECT_EQ(Run({L"--log", L"", L"probe", L"C:\\App", L"App.exe"}), 2);
  EXPECT_EQ(World().calls["CreateFileW"], 1) << "the installation directory, and nothing else";
  EXPECT_EQ(Lines().size(), 1u);
}

// Only a leading pair is the log option; elsewhere "--log" is an ordinary argument.
TEST_F(CommandLineTest, TakesTheLogOptionOnlyInFront) {
  sim::AddDirectory(L"C:\\Work\\--log").createFileError = ERROR_ACCESS_DENIED;
  LogFile();
  EXPECT_EQ(Run({L"probe", L"--log", L"sweep.log"}), 2);
  EXPECT_EQ(Lines(), std::vector<std::string>{"installation-path-failed pid=0 win32-error=5 --log"});
  EXPECT_TRUE(sim::FindFile(L"C:\\Logs\\sweep.log")->content.empty());
}

TEST_F(CommandLineTest, OwnersWithOneOperandSkipsTheInstallationChecks) {
  EXPECT_EQ(Run({L"owners", L"relative\\file.txt"}), 0);
  EXPECT_EQ(Lines(), (std::vector<std::string>{"restart-manager-file pid=0 win32-error=0 relative\\file.txt",
                                               "restart-manager-no-owner-reported pid=0 win32-error=0 "}));
  EXPECT_EQ(World().calls["CreateFileW"], 0);
  EXPECT_EQ(World().calls["GetFileAttributesW"], 0);
}

TEST_F(CommandLineTest, LegacyOwnersUsesTheDirectoryArgumentAsTyped) {
  sim::AddFile(L"C:\\App\\App.exe");
  EXPECT_EQ(Run({L"legacy-owners", L"C:\\App\\", L"App.exe"}), 0);
  EXPECT_EQ(Lines(), (std::vector<std::string>{
                         "restart-manager-legacy-sample pid=0 win32-error=0 C:\\App\\",
                         "restart-manager-sampled-file pid=0 win32-error=0 C:\\App\\\\App.exe",
                         "restart-manager-no-owner-reported pid=0 win32-error=0 "}));
}

// Windows 7 without KB2533623 has no SetDefaultDllDirectories: the run goes on, and the
// libraries it loads still come from the system directory only.
TEST_F(CommandLineTest, RunsWhereTheLibrarySearchCannotBeRestricted) {
  World().libraries.lacksSearchFlags = true;
  sim::AddHolder(42, L"Example App", L"C:\\App\\App.exe");
  EXPECT_EQ(Run({L"owners", L"C:\\App\\App.exe"}), 0);
  EXPECT_EQ(Lines(), (std::vector<std::string>{
                         "restart-manager-file pid=0 win32-error=0 C:\\App\\App.exe",
                         "restart-manager-owner pid=42 win32-error=0 Example App"}));
  for (const sim::LibraryLoad& load : World().libraries.loads) {
    if (load.byTheTool) {
      EXPECT_EQ(load.from, sim::LoadedFrom::System32) << sample::Narrow(load.name);
    }
  }
}

// Installers run the tool from Downloads and TEMP folders, where anyone may put a DLL beside it.
// Whatever a run loads, and whatever those libraries load by themselves, comes from System32:
// no library from the tool's folder ever runs.
TEST_F(CommandLineTest, NoLibraryBesideTheToolEverRuns) {
  struct Case {
    const char* name;
    void (*script)();
    std::vector<std::wstring> arguments;
  } cases[] = {
      {"owners", [] {}, {L"owners", L"C:\\App\\App.exe"}},
      {"legacy-owners", [] { sim::AddFile(sample::kMainImage); },
       {L"legacy-owners", sample::kRoot, L"App.exe"}},
      {"close",
       [] {
         sim::AddFile(sample::kMainImage);
         sim::AddProcess(10, sample::kMainImage);
         sim::AddWindow(10);
       },
       {L"close", sample::kRoot, L"App.exe"}},
      {"probe of a process it may not examine",
       [] {
         sim::AddFile(sample::kMainImage);
         sim::AddProcess(10, sample::kMainImage).openProcessError = ERROR_ACCESS_DENIED;
       },
       {L"probe", sample::kRoot, L"App.exe"}},
      // Windows 7 without KB2533623: the search cannot be restricted, and rstrtmgr.dll comes by
      // its full path; its imports must still not be looked for beside the tool.
      {"owners where the search flags are unknown",
       [] { World().libraries.lacksSearchFlags = true; }, {L"owners", L"C:\\App\\App.exe"}},
      {"legacy-owners where the search flags are unknown",
       [] {
         World().libraries.lacksSearchFlags = true;
         sim::AddFile(sample::kMainImage);
       },
       {L"legacy-owners", sample::kRoot, L"App.exe"}},
  };
  for (const Case& c : cases) {
    Fresh();
    c.script();
    procsweep::RunCommandLine(c.arguments);
    EXPECT_FALSE(World().libraries.loads.empty()) << c.name << ": nothing was loaded";
    EXPECT_EQ(sim::LibrariesRunFromTheToolsFolder(), std::vector<std::wstring>()) << c.name;
  }
}
