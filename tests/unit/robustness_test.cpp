// The whole tool, run in-process on generated command lines against generated worlds: processes
// that end or refuse access at any step, pids given to other programs as soon as Windows allows,
// calls that fail with any error, a Restart Manager that fails. Whatever happens, every run must end with one of
// the four exit codes, write only well-formed event lines, leave nothing open, and end no process
// but the installation's.
#include <cstdint>
#include <cwctype>
#include <deque>
#include <iterator>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "support/sim_test.h"

namespace {

constexpr int kRunsPerSeed = 2000;
const std::uint64_t kSeeds[] = {1, 2, 3, 0x5EED, 20240611};
constexpr size_t kLongestArgument = 40000;
constexpr DWORD kQueryAccess = PROCESS_QUERY_LIMITED_INFORMATION;

// The oracle knows the tool's promises by itself, never through the tool's own code: the event
// names a line may start with, and where an installation's executables are.
const char* const kEventNames[] = {
    "installation-path-failed",         "executable-attributes-failed",
    "executable-path-failed",           "redirected-executable-skipped",
    "snapshot-failed",                  "enumerate-failed",
    "query-open-failed",                "query-image-failed",
    "query-image-path-failed",          "matched",
    "cleanup-deadline",                 "terminate-open-failed",
    "identity-changed",                 "terminate-failed",
    "exited",                           "wait-failed",
    "restart-manager-process-check-failed", "inaccessible-process-not-reported-for-target",
    "restart-manager-file",             "restart-manager-legacy-sample",
    "restart-manager-sampled-file",     "restart-manager-query-failed",
    "restart-manager-no-owner-reported", "restart-manager-owner",
    "close-request-failed",
};
const wchar_t* const kHelpers[] = {
    L"resources\\runtime\\node\\node.exe",
    L"resources\\app.asar.unpacked\\node_modules\\ffmpeg-static\\ffmpeg.exe",
    L"resources\\app.asar.unpacked\\node_modules\\@esbuild\\win32-x64\\esbuild.exe",
    L"resources\\app.asar.unpacked\\node_modules\\recheck-windows-x64\\recheck.exe",
};

// A path below a final path: one backslash between them, none doubled below a volume's root.
std::wstring Below(const std::wstring& root, const std::wstring& relative) {
  return root + (!root.empty() && root.back() == L'\\' ? L"" : L"\\") + relative;
}

// A fixed generator (SplitMix64), so that a seed means the same run with every compiler.
class Random {
 public:
  explicit Random(std::uint64_t seed) : state_(seed) {}
  std::uint32_t Next() {
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return static_cast<std::uint32_t>((z ^ (z >> 31)) >> 32);
  }
  std::uint32_t Below(size_t count) {
    return count == 0 ? 0 : static_cast<std::uint32_t>(Next() % count);
  }
  bool OneIn(std::uint32_t count) { return Below(count) == 0; }
  template <typename T>
  T Pick(const std::vector<T>& items) {
    return items[Below(items.size())];
  }

 private:
  std::uint64_t state_;
};

bool SameText(const std::wstring& left, const std::wstring& right) {
  if (left.size() != right.size()) return false;
  for (size_t i = 0; i < left.size(); ++i) {
    if (std::towupper(left[i]) != std::towupper(right[i])) return false;
  }
  return true;
}

std::string Escaped(const std::wstring& text) {
  std::ostringstream out;
  size_t shown = 0;
  for (wchar_t c : text) {
    if (++shown > 120) {
      out << "...(" << text.size() << " characters)";
      break;
    }
    if (c >= 0x20 && c < 0x7F) {
      out << static_cast<char>(c);
    } else {
      out << "\\u" << std::hex << static_cast<unsigned>(c) << std::dec;
    }
  }
  return out.str();
}

// A line of output as it can be shown in a test report: bytes outside printable ASCII in hex.
std::string Printable(const std::string& line) {
  std::ostringstream out;
  for (size_t i = 0; i < line.size() && i < 200; ++i) {
    const unsigned char c = static_cast<unsigned char>(line[i]);
    if (c >= 0x20 && c < 0x7F) {
      out << line[i];
    } else {
      out << "\\x" << std::hex << static_cast<unsigned>(c) << std::dec;
    }
  }
  return out.str();
}

std::string Describe(const std::vector<std::wstring>& arguments) {
  std::string text = "{";
  for (const std::wstring& argument : arguments) text += " \"" + Escaped(argument) + "\"";
  return text + " }";
}

// ---- The world --------------------------------------------------------------------------------

const std::wstring kRoot = L"C:\\App";
const std::vector<std::wstring> kImages = {
    L"C:\\App\\App.exe",
    L"C:\\App\\app.EXE",
    L"C:\\App\\resources\\runtime\\node\\node.exe",
    L"C:\\App\\resources\\app.asar.unpacked\\node_modules\\ffmpeg-static\\ffmpeg.exe",
    L"C:\\App\\resources\\app.asar.unpacked\\node_modules\\@esbuild\\win32-x64\\esbuild.exe",
    L"C:\\App\\resources\\app.asar.unpacked\\node_modules\\recheck-windows-x64\\recheck.exe",
    L"C:\\App\\node.exe",
    L"C:\\Other\\App.exe",           // the same program elsewhere
    L"C:\\Other\\node.exe",
    L"C:\\Other\\ffmpeg.exe",
    L"C:\\Shortcut\\App.exe",        // a link into the installation
    L"C:\\Trap\\App.exe",            // a link out of it
    L"C:\\Trap\\node.exe",
    L"C:\\Missing\\App.exe",         // no such file
    L"C:\\Windows\\explorer.exe",
};
// Images that may be the installation's executables, depending on what is installed.
const std::vector<std::wstring> kInstallationImages = {
    L"C:\\App\\App.exe",
    L"C:\\App\\app.EXE",
    L"C:\\App\\resources\\runtime\\node\\node.exe",
    L"C:\\App\\resources\\app.asar.unpacked\\node_modules\\ffmpeg-static\\ffmpeg.exe",
    L"C:\\App\\node.exe",
    L"C:\\Shortcut\\App.exe",
};
// Images of other programs only: what a pid given to another program runs.
const std::vector<std::wstring> kForeignImages = {
    L"C:\\Other\\App.exe", L"C:\\Other\\node.exe", L"C:\\Trap\\App.exe", L"C:\\Missing\\App.exe",
    L"C:\\Windows\\explorer.exe"};

// How often things go wrong in a world: never (only the races of ScheduleEvents), now and
// then, or all the time.
struct Chaos {
  std::uint32_t oneIn = 0;  // the chance of each fault; 0: never
  bool Strikes(Random& random) const { return oneIn != 0 && random.OneIn(oneIn); }
};

void AddFiles(Random& random, Chaos chaos) {
  sim::AddDirectory(kRoot);
  sim::AddDirectory(L"C:\\Other");
  sim::AddFile(L"C:\\Logs\\sweep.log");
  sim::AddDirectory(L"C:\\LinkToApp").finalPath = L"\\\\?\\C:\\App";
  if (!random.OneIn(6)) sim::AddFile(L"C:\\App\\App.exe");
  if (random.OneIn(3)) sim::AddFile(L"C:\\App\\node.exe");
  if (!random.OneIn(3)) sim::AddFile(L"C:\\App\\resources\\app.asar");
  for (const wchar_t* helper : kHelpers) {
    if (random.OneIn(4)) continue;
    sim::File& file = sim::AddFile(Below(kRoot, helper));
    if (random.OneIn(10)) file.finalPath = L"\\\\?\\C:\\Trap\\node.exe";
  }
  for (const wchar_t* path : {L"C:\\Other\\App.exe", L"C:\\Other\\node.exe",
                              L"C:\\Other\\ffmpeg.exe", L"C:\\Windows\\explorer.exe",
                              L"C:\\Tools\\procsweep.exe"}) {
    sim::AddFile(path);
  }
  sim::AddFile(L"C:\\Shortcut\\App.exe").finalPath = L"\\\\?\\C:\\App\\App.exe";
  sim::AddFile(L"C:\\Trap\\App.exe").finalPath = L"\\\\?\\C:\\Other\\App.exe";
  sim::AddFile(L"C:\\Trap\\node.exe").finalPath = L"\\\\?\\C:\\Other\\node.exe";
  // Executables that cannot be read.
  const Chaos rarer{chaos.oneIn * 3};
  for (const std::wstring& image : kImages) {
    sim::File* file = sim::FindFile(image);
    if (file == nullptr || !rarer.Strikes(random)) continue;
    const DWORD error = random.Pick<DWORD>(
        {ERROR_ACCESS_DENIED, ERROR_SHARING_VIOLATION, ERROR_NOT_SUPPORTED});
    switch (random.Below(3)) {
      case 0: file->getFileAttributesError = error; break;
      case 1: file->createFileError = error; break;
      default: file->getFinalPathNameByHandleError = error; break;
    }
  }
}

void ScriptProcess(Random& random, sim::Process& process, Chaos chaos) {
  if (random.OneIn(5)) {
    for (wchar_t& c : process.exeName) c = static_cast<wchar_t>(std::towupper(c));
  }
  if (chaos.Strikes(random)) process.openProcessError = random.Pick<DWORD>({5, 5, 31, 87});
  if (chaos.Strikes(random)) process.openProcessToTerminateError = random.Pick<DWORD>({5, 8});
  if (chaos.Strikes(random)) process.queryFullProcessImageNameError = random.Pick<DWORD>({5, 31, 299});
  if (chaos.Strikes(random)) process.getProcessTimesError = ERROR_ACCESS_DENIED;
  if (chaos.Strikes(random)) process.getExitCodeProcessError = ERROR_ACCESS_DENIED;
  if (chaos.Strikes(random)) process.waitForSingleObjectError = ERROR_INVALID_HANDLE;
  process.onTerminate = random.Pick<sim::OnTerminate>(
      {sim::OnTerminate::EndsAtOnce, sim::OnTerminate::EndsAtOnce, sim::OnTerminate::EndsAtOnce,
       sim::OnTerminate::EndsLater, sim::OnTerminate::NeverEnds, sim::OnTerminate::Refuses});
  process.endDelayMs = random.Pick<ULONGLONG>({0, 100, 2999, 3000, 3001, 9000});
  process.terminateProcessError = random.Pick<DWORD>({5, 5, 31});
  if (random.OneIn(6)) {  // it is on its way out, or will be
    process.endsAt = sim::TheWorld().now + random.Pick<ULONGLONG>({0, 50, 3000, 8000, 20000});
    process.exitCode = random.Pick<DWORD>({0, 1, STILL_ACTIVE});
  }
  for (std::uint32_t windows = random.Below(4); windows > 0; --windows) {
    sim::World& world = sim::TheWorld();
    const HWND owner =
        world.windows.empty() || !random.OneIn(3) ? nullptr : world.windows.back().hwnd;
    sim::Window& window = sim::AddWindow(process.pid, !random.OneIn(3), owner);
    if (chaos.Strikes(random)) window.postMessageError = ERROR_ACCESS_DENIED;
  }
}

// The process ends by itself. Once no handle holds its pid any more, another program may get it
// (Windows never gives it away earlier).
void EndAndGivePidToAnother(sim::Process& process, std::uint32_t seed, Chaos chaos) {
  Random local(seed);
  sim::EndOnItsOwn(process, local.Pick<DWORD>({0, 1, STILL_ACTIVE}));
  if (!sim::PidIsFree(process.pid)) return;
  sim::Process& newcomer = sim::AddProcess(
      process.pid, local.OneIn(2) ? local.Pick(kForeignImages) : local.Pick(kInstallationImages));
  newcomer.exeName = process.exeName;
  ScriptProcess(local, newcomer, chaos);
}

sim::Process* AnyProcess(Random& random) {
  std::deque<sim::Process>& processes = sim::TheWorld().processes;
  return processes.empty() ? nullptr : &processes[random.Below(processes.size())];
}

// Things that happen to the world right before the n-th call of some function.
void ScheduleEvents(Random& random, Chaos chaos) {
  const std::vector<std::string> functions = {
      "OpenProcess",        "OpenProcess",        "OpenProcess",
      "GetExitCodeProcess", "GetExitCodeProcess", "QueryFullProcessImageNameW",
      "CreateFileW",        "GetProcessTimes",    "WaitForSingleObject",
      "WaitForSingleObject", "TerminateProcess",  "CreateToolhelp32Snapshot",
      "CreateToolhelp32Snapshot", "Process32NextW", "GetTickCount64",
      "RmGetList",          "CompareStringOrdinal", "EnumWindows",
      "PostMessageW",       "GetFinalPathNameByHandleW"};
  DWORD freshPid = 1000;
  for (std::uint32_t count = random.Below(6); count > 0; --count) {
    const std::string function = random.Pick(functions);
    const int nth = 1 + static_cast<int>(random.Below(8));
    sim::Process* process = AnyProcess(random);
    const std::uint32_t seed = random.Next();
    freshPid += 4;
    switch (random.Below(12)) {
      case 0:
      case 1:
      case 2:  // ends on its own
        if (process == nullptr) break;
        sim::At(function, nth, [process, seed] {
          sim::EndOnItsOwn(*process, Random(seed).Pick<DWORD>({0, 1, STILL_ACTIVE}));
        });
        break;
      case 3:
      case 4:
      case 5:  // ends, and its pid may go to another program
        if (process == nullptr) break;
        sim::At(function, nth,
                [process, seed, chaos] { EndAndGivePidToAnother(*process, seed, chaos); });
        break;
      case 6:
      case 7:  // a new process starts
        sim::At(function, nth, [freshPid, seed, chaos] {
          Random local(seed);
          ScriptProcess(local, sim::AddProcess(freshPid, local.Pick(kInstallationImages)), chaos);
        });
        break;
      case 8:  // from now on a call on it fails
        if (process == nullptr) break;
        sim::At(function, nth, [process, seed] {
          Random local(seed);
          switch (local.Below(6)) {
            case 0: process->openProcessError = local.Pick<DWORD>({5, 31}); break;
            case 1: process->queryFullProcessImageNameError = local.Pick<DWORD>({5, 299}); break;
            case 2: process->getProcessTimesError = 5; break;
            case 3: process->openProcessToTerminateError = 5; break;
            case 4: process->waitForSingleObjectError = 6; break;
            default: process->getExitCodeProcessError = 5; break;
          }
        });
        break;
      case 9:  // time passes
        sim::At(function, nth, [seed] {
          sim::TheWorld().now += Random(seed).Pick<ULONGLONG>({1000, 3000, 8000});
        });
        break;
      case 10:  // an executable can no longer be read, or comparisons fail for a while
        sim::At(function, nth, [seed] {
          Random local(seed);
          sim::File* file = sim::FindFile(local.Pick(kImages));
          if (file != nullptr && local.OneIn(2)) {
            file->createFileError = ERROR_SHARING_VIOLATION;
          } else if (file != nullptr) {
            file->getFinalPathNameByHandleError = ERROR_NOT_SUPPORTED;
          } else {
            sim::TheWorld().compareStringOrdinalFails = true;
          }
        });
        sim::At(function, nth + 2, [] { sim::TheWorld().compareStringOrdinalFails = false; });
        break;
      default:  // the Restart Manager changes its mind
        sim::At(function, nth, [process, seed] {
          Random local(seed);
          sim::RestartManager& rm = sim::TheWorld().restartManager;
          switch (local.Below(3)) {
            case 0: rm.rmStartSessionError = local.Pick<DWORD>({5, 14}); break;
            case 1: rm.rmGetListErrors.push_back(local.Pick<DWORD>({ERROR_MORE_DATA, 5})); break;
            default:
              if (process != nullptr) sim::AddHolder(process->pid, L"Holder", process->imagePath);
              break;
          }
        });
        break;
    }
  }
  // A process of the installation starts between two passes.
  if (random.OneIn(4)) {
    const std::uint32_t seed = random.Next();
    sim::At("CreateToolhelp32Snapshot", 2 + static_cast<int>(random.Below(2)), [seed, chaos] {
      Random local(seed);
      ScriptProcess(local, sim::AddProcess(2000, local.Pick(kInstallationImages)), chaos);
    });
  }
}

void BuildWorld(Random& random) {
  sim::World& world = sim::TheWorld();
  const Chaos chaos{random.Pick<std::uint32_t>({0, 30, 8})};
  AddFiles(random, chaos);
  if (!random.OneIn(20)) {
    sim::AddProcess(4, L"System");
    sim::AddProcess(7000, L"C:\\Tools\\procsweep.exe");
  }
  std::set<DWORD> used = {4, 7000};
  for (std::uint32_t count = random.Below(10); count > 0; --count) {
    DWORD pid = 4 * random.Below(16);
    while (used.count(pid) != 0) pid += 4;
    used.insert(pid);
    sim::Process& process = sim::AddProcess(
        pid, random.OneIn(2) ? random.Pick(kInstallationImages) : random.Pick(kImages));
    if (random.OneIn(12)) {
      process.exited = true;
      process.exitCode = random.Pick<DWORD>({0, 1, STILL_ACTIVE});
    }
    ScriptProcess(random, process, chaos);
  }
  const Chaos rarer{chaos.oneIn * 3};
  if (rarer.Strikes(random)) world.createToolhelp32SnapshotError = random.Pick<DWORD>({5, 8});
  if (rarer.Strikes(random)) world.process32FirstError = random.Pick<DWORD>({5, 18, 31});
  if (chaos.Strikes(random)) world.process32NextErrors[1 + static_cast<int>(random.Below(12))] = 31;
  world.tickStep = random.Pick<ULONGLONG>({0, 0, 0, 1, 500, 4000});
  world.ansiCodePage = random.Pick<UINT>({1252, 1252, CP_UTF8});

  sim::RestartManager& rm = world.restartManager;
  if (rarer.Strikes(random)) world.libraries.rstrtmgr.loadLibraryExError = ERROR_MOD_NOT_FOUND;
  if (rarer.Strikes(random)) {
    world.libraries.rstrtmgr.missingExport = random.Pick<std::string>(
        {"RmStartSession", "RmRegisterResources", "RmGetList", "RmEndSession"});
  }
  if (chaos.Strikes(random)) rm.rmStartSessionError = random.Pick<DWORD>({5, 14, 121});
  if (chaos.Strikes(random)) rm.rmRegisterResourcesError = random.Pick<DWORD>({5, 87});
  if (chaos.Strikes(random)) rm.rmGetListErrors.push_back(random.Pick<DWORD>({ERROR_MORE_DATA, 5}));
  for (std::uint32_t count = random.Below(4); count > 0; --count) {
    const sim::Process* holder = AnyProcess(random);
    if (holder != nullptr) sim::AddHolder(holder->pid, L"Holder", holder->imagePath);
    sim::AddHolder(9, L"Holder", random.Pick(kImages));
  }
  if (random.OneIn(10)) rm.holdersAddedPerCall = 1;
  if (chaos.Strikes(random)) rm.rmEndSessionError = 5;

  ScheduleEvents(random, chaos);
}

// ---- The command line -------------------------------------------------------------------------

std::wstring RandomText(Random& random, size_t length) {
  static const std::vector<wchar_t> alphabet = {
      L'a', L'b', L'A', L'.', L'e', L'x', L' ', L'"', L'\\', L'/', L':', L'*', L'?', L'\r', L'\n',
      L'\t', L'<', L'|', 0xD800, 0xDBFF, 0xDC00, 0xDFFF, 0x00E9, 0x20AC, 0x4E2D, 0xFFFF, L'%'};
  std::wstring text;
  text.reserve(length);
  while (text.size() < length) text.push_back(random.Pick(alphabet));
  return text;
}

std::wstring Mutated(Random& random, std::wstring text) {
  static const std::vector<wchar_t> specials = {L'\\', L'/', L':', L'*', L'?', L'\r', L'\n',
                                                0xD800, 0xDC00, 0xDBFF};
  const std::wstring insertion(1 + random.Below(2), random.Pick(specials));
  text.insert(random.Below(text.size() + 1), insertion);
  return text;
}

std::wstring LongText(Random& random, const std::wstring& start) {
  const size_t length = random.OneIn(2) ? kLongestArgument : 260 + random.Below(kLongestArgument);
  std::wstring text = start;
  if (random.OneIn(2)) {
    text += RandomText(random, length - text.size());
  } else {
    while (text.size() < length) text += L"\\sub";
    text.resize(length);
  }
  return text;
}

std::wstring AnyArgument(Random& random);

std::wstring Word(Random& random) {
  return random.Pick<std::wstring>({L"probe", L"close", L"clean", L"force", L"probe", L"close",
                                    L"clean", L"force", L"owners", L"legacy-owners", L"PROBE",
                                    L"Force", L"", L"--log", L"clean\r\n", L"force "});
}

std::wstring Directory(Random& random) {
  switch (random.Below(12)) {
    case 0: return L"C:\\App\\";
    case 1: return L"c:\\app";
    case 2: return L"C:\\LinkToApp";
    case 3: return L"\\\\?\\C:\\App";
    case 4: return L"C:\\Missing";
    case 5: return L"C:\\Other";
    case 6: return L"C:\\App\\App.exe";
    case 7: return LongText(random, L"C:\\App\\");
    case 8: return Mutated(random, L"C:\\App");
    case 9: return AnyArgument(random);
    default: return L"C:\\App";
  }
}

std::wstring ExecutableName(Random& random) {
  switch (random.Below(12)) {
    case 0: return L"app.exe";
    case 1: return L"node.exe";
    case 2: return L"Other.exe";
    case 3: return L"";
    case 4: return Mutated(random, L"App.exe");
    case 5: return LongText(random, L"App");
    case 6: return RandomText(random, 1 + random.Below(12));
    case 7: return L"<App>.exe";
    default: return L"App.exe";
  }
}

std::wstring LogPath(Random& random) {
  if (random.OneIn(10)) return LongText(random, L"C:\\Logs\\");
  return random.Pick<std::wstring>({L"C:\\Logs\\sweep.log", L"C:\\Logs\\sweep.log",
                                    L"c:\\logs\\SWEEP.LOG", L"C:\\Logs\\missing.log", L"C:\\Logs",
                                    L"", L"--log", L"probe"});
}

std::wstring AnyArgument(Random& random) {
  switch (random.Below(6)) {
    case 0: return Word(random);
    case 1: return LogPath(random);
    case 2: return ExecutableName(random);
    case 3: return LongText(random, L"");
    default: return RandomText(random, random.Below(20));
  }
}

std::vector<std::wstring> Arguments(Random& random) {
  std::vector<std::wstring> arguments;
  switch (random.Below(20)) {
    case 0:
    case 1:
      arguments = {L"owners", random.OneIn(2) ? L"C:\\App\\App.exe" : AnyArgument(random)};
      break;
    case 2:
    case 3:
    case 4:
      for (std::uint32_t count = random.Below(7); count > 0; --count) {
        arguments.push_back(AnyArgument(random));
      }
      break;
    case 5:
    case 6:
    case 7:
    case 8:
    case 9:
      arguments = {Word(random), Directory(random), ExecutableName(random)};
      break;
    default:
      // Well formed, on the installation: half the runs, so that most worlds get swept.
      arguments = {random.Pick<std::wstring>({L"probe", L"close", L"clean", L"force"}),
                   random.Pick<std::wstring>({L"C:\\App", L"C:\\App\\", L"c:\\app",
                                              L"C:\\LinkToApp", L"\\\\?\\C:\\App"}),
                   random.Pick<std::wstring>({L"App.exe", L"App.exe", L"app.exe", L"node.exe"})};
      if (random.OneIn(3)) {
        arguments.insert(arguments.begin(), {L"--log", LogPath(random)});
      }
      return arguments;
  }
  // "--log" anywhere, with or without its path, once or twice.
  for (std::uint32_t count = random.Below(3); count > 0; --count) {
    const size_t at = random.OneIn(2) ? 0 : random.Below(arguments.size() + 1);
    arguments.insert(arguments.begin() + static_cast<std::ptrdiff_t>(at), L"--log");
    if (!random.OneIn(4)) {
      arguments.insert(arguments.begin() + static_cast<std::ptrdiff_t>(at) + 1, LogPath(random));
    }
  }
  return arguments;
}

// ---- What every run must show -----------------------------------------------------------------

// The run as the command line means it: the mode word and the two operands, if it has them.
struct Reading {
  bool logNamed = false;
  std::wstring logPath;
  std::wstring word;
  std::wstring directory;
  std::wstring name;
  bool hasOperands = false;
};

Reading Read(std::vector<std::wstring> arguments) {
  Reading reading;
  if (arguments.size() >= 3 && arguments[0] == L"--log") {
    reading.logNamed = true;
    reading.logPath = arguments[1];
    arguments.erase(arguments.begin(), arguments.begin() + 2);
  }
  if (!arguments.empty()) reading.word = arguments[0];
  if (arguments.size() == 3) {
    reading.hasOperands = true;
    reading.directory = arguments[1];
    reading.name = arguments[2];
  }
  return reading;
}

// Final paths that may be ended: the installation's own executables, as the arguments name it.
struct Installation {
  std::wstring mainExecutable;
  std::vector<std::wstring> all;
  bool Contains(const std::wstring& finalPath) const {
    for (const std::wstring& path : all) {
      if (SameText(path, finalPath)) return true;
    }
    return false;
  }
};

Installation InstallationOf(const Reading& reading) {
  Installation installation;
  if (!reading.hasOperands || reading.directory.empty() || reading.name.empty() ||
      reading.name.find_first_of(L"\\/:*?") != std::wstring::npos) {
    return installation;
  }
  const sim::File* directory = sim::FindFile(reading.directory);
  if (directory == nullptr) return installation;
  const std::wstring root = directory->finalPath;
  auto admit = [&](const std::wstring& relative, bool main) {
    const std::wstring candidate = Below(root, relative);
    const sim::File* file = sim::FindFile(candidate);
    if (file == nullptr || (file->attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ||
        !SameText(file->finalPath, candidate)) {
      return;
    }
    installation.all.push_back(file->finalPath);
    if (main) installation.mainExecutable = file->finalPath;
  };
  admit(reading.name, true);
  for (const wchar_t* helper : kHelpers) admit(helper, false);
  return installation;
}

std::wstring FinalPathOfImage(const sim::Process& process) {
  const sim::File* file = sim::FindFile(process.imagePath);
  return file == nullptr ? std::wstring() : file->finalPath;
}

bool IsDecimal(const std::string& digits) {
  if (digits.empty() || digits.size() > 10) return false;
  if (digits.size() > 1 && digits[0] == '0') return false;
  for (char c : digits) {
    if (c < '0' || c > '9') return false;
  }
  return std::stoull(digits) <= 0xFFFFFFFFull;
}

// One event line without its line end; empty when it is well formed.
std::string LineFault(const std::string& line) {
  const size_t nameEnd = line.find(' ');
  if (nameEnd == std::string::npos) return "no fields";
  const std::string name = line.substr(0, nameEnd);
  bool known = false;
  for (const char* event : kEventNames) known = known || name == event;
  if (!known) return "unknown event name";
  if (line.compare(nameEnd, 5, " pid=") != 0) return "no pid";
  const size_t pidEnd = line.find(' ', nameEnd + 5);
  if (pidEnd == std::string::npos || !IsDecimal(line.substr(nameEnd + 5, pidEnd - nameEnd - 5))) {
    return "bad pid";
  }
  if (line.compare(pidEnd, 13, " win32-error=") != 0) return "no win32-error";
  const size_t errorEnd = line.find(' ', pidEnd + 13);
  if (errorEnd == std::string::npos ||
      !IsDecimal(line.substr(pidEnd + 13, errorEnd - pidEnd - 13))) {
    return "bad win32-error";
  }
  if (line.find_first_of("\r\n") != std::string::npos) return "CR or LF in the text";
  return std::string();
}

// Splits at CR LF; a rest without its line end is a fault.
std::vector<std::string> SplitLines(const std::string& text, std::vector<std::string>& faults) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
    lines.push_back(text.substr(start, end - start));
  }
  if (start < text.size()) faults.push_back("a line without CR LF at its end");
  return lines;
}

std::string Narrow(const std::wstring& text) {
  std::string narrow;
  for (wchar_t c : text) narrow.push_back(c < 0x80 ? static_cast<char>(c) : '?');
  return narrow;
}

class Checker {
 public:
  Checker(const Reading& reading, const Installation& installation)
      : reading_(reading), installation_(installation), files_(sim::TheWorld().files.size()) {}

  // Right before each TerminateProcess: the process about to be ended is the one that was
  // examined, or one that cannot be told apart from it (same start, same final image).
  void BeforeTermination() {
    const sim::HandleEntry* termination = nullptr;
    const sim::HandleEntry* query = nullptr;
    int terminationHandles = 0;
    int queryHandles = 0;
    for (const auto& [handle, entry] : sim::TheWorld().handles) {
      if (entry.kind != sim::HandleKind::Process) continue;
      if ((entry.access & PROCESS_TERMINATE) != 0) {
        termination = &entry;
        ++terminationHandles;
      } else if (entry.access == kQueryAccess) {
        query = &entry;
        ++queryHandles;
      }
    }
    if (terminationHandles != 1 || queryHandles != 1) {
      faults_.push_back("TerminateProcess without exactly one examined process");
      return;
    }
    const sim::Process& ended = *termination->process;
    const sim::Process& examined = *query->process;
    if (&ended != &examined &&
        (ended.creationTime != examined.creationTime ||
         !installation_.Contains(FinalPathOfImage(ended)))) {
      faults_.push_back("about to end pid " + std::to_string(ended.pid) +
                        " in place of the process that was examined");
    }
  }

  std::vector<std::string> Check(int exitCode) {
    const sim::World& world = sim::TheWorld();
    if (exitCode != 0 && exitCode != 2 && exitCode != 10 && exitCode != 11) {
      faults_.push_back("exit code " + std::to_string(exitCode));
    }
    const bool probing = reading_.word == L"probe" || reading_.word == L"clean" ||
                         reading_.word == L"force";
    if ((exitCode == 10 || exitCode == 11) && !(probing && reading_.hasOperands)) {
      faults_.push_back("exit code " + std::to_string(exitCode) + " without a look");
    }

    const std::vector<std::string> lines = SplitLines(world.standardOutput, faults_);
    for (const std::string& line : lines) {
      const std::string fault = LineFault(line);
      if (!fault.empty()) faults_.push_back(fault + ": " + Printable(line));
    }
    CheckLogFile(lines.size());

    for (const std::string& fault : sim::LeftOpen()) faults_.push_back(fault);
    if (!sim::LibrariesRunFromTheToolsFolder().empty()) {
      faults_.push_back("a library from the tool's folder ran");
    }
    // Scheduled events add no files: any new one is the tool's doing.
    if (world.files.size() != files_) faults_.push_back("a file was created");

    const bool terminating = reading_.hasOperands &&
                             (reading_.word == L"clean" || reading_.word == L"force");
    for (const auto& [pid, access] : world.processOpens) {
      if ((access & PROCESS_TERMINATE) != 0 && !terminating) {
        faults_.push_back("opened pid " + std::to_string(pid) + " for termination");
      }
    }
    for (const sim::Process& process : world.processes) {
      if (process.terminateCalls == 0) continue;
      const std::wstring finalPath = FinalPathOfImage(process);
      const std::string what = "ended pid " + std::to_string(process.pid) + " (" +
                               Narrow(process.imagePath) + ")";
      if (!terminating) faults_.push_back(what + " in a mode that ends nothing");
      if (!installation_.Contains(finalPath)) faults_.push_back(what + ": not the installation's");
      if (reading_.word == L"clean" && SameText(finalPath, installation_.mainExecutable)) {
        faults_.push_back(what + ": the main executable, in \"clean\"");
      }
      const std::string matched = "matched pid=" + std::to_string(process.pid) + " ";
      bool reported = false;
      for (const std::string& line : lines) reported = reported || line.rfind(matched, 0) == 0;
      if (!reported) faults_.push_back(what + " without \"matched\"");
    }
    for (const sim::Window& window : world.windows) {
      if (window.posted.empty()) continue;
      bool mainProcess = false;
      for (const sim::Process& process : world.processes) {
        mainProcess = mainProcess || (process.pid == window.pid &&
                                      SameText(FinalPathOfImage(process),
                                               installation_.mainExecutable) &&
                                      !installation_.mainExecutable.empty());
      }
      if (reading_.word != L"close" || window.owner != nullptr || !window.visible ||
          !mainProcess || window.posted != std::vector<UINT>(window.posted.size(), WM_CLOSE)) {
        faults_.push_back("a message posted to a window of pid " + std::to_string(window.pid));
      }
    }
    return faults_;
  }

 private:
  // The log file gets every line, in UTF-16, only when "--log" comes first and names it.
  void CheckLogFile(size_t standardOutputLines) {
    const sim::File* log = sim::FindFile(L"C:\\Logs\\sweep.log");
    const bool named = reading_.logNamed && !reading_.logPath.empty() &&
                       sim::FindFile(reading_.logPath) == log;
    if (!named) {
      if (!log->content.empty()) faults_.push_back("the log file was written unasked");
      return;
    }
    if (log->content.size() % 2 != 0) {
      faults_.push_back("the log file holds an odd number of bytes");
      return;
    }
    std::wstring text(log->content.size() / 2, L'\0');
    for (size_t i = 0; i < text.size(); ++i) {
      text[i] = static_cast<wchar_t>(static_cast<unsigned char>(log->content[2 * i]) |
                                     static_cast<unsigned char>(log->content[2 * i + 1]) << 8);
    }
    const std::vector<std::string> lines = SplitLines(Narrow(text), faults_);
    for (const std::string& line : lines) {
      const std::string fault = LineFault(line);
      if (!fault.empty()) faults_.push_back("log file: " + fault + ": " + Printable(line));
    }
    if (lines.size() != standardOutputLines) {
      faults_.push_back("the log file and standard output differ in their lines");
    }
  }

  const Reading& reading_;
  const Installation& installation_;
  size_t files_;  // in the world before the run
  std::vector<std::string> faults_;
};

}  // namespace

class RobustnessTest : public SimTest {};

TEST_F(RobustnessTest, EveryGeneratedRunEndsWellFormedAndEndsOnlyTheInstallationsProcesses) {
  int failedRuns = 0;
  for (const std::uint64_t seed : kSeeds) {
    for (int run = 0; run < kRunsPerSeed && failedRuns < 5; ++run) {
      sim::Reset();
      Random random(seed * 1000003u + static_cast<std::uint64_t>(run));
      BuildWorld(random);
      const std::vector<std::wstring> arguments = Arguments(random);

      const Reading reading = Read(arguments);
      const Installation installation = InstallationOf(reading);
      Checker checker(reading, installation);
      for (int nth = 1; nth <= 64; ++nth) {
        sim::At("TerminateProcess", nth, [&checker] { checker.BeforeTermination(); });
      }
      const int exitCode = static_cast<int>(procsweep::RunCommandLine(arguments));
      const std::vector<std::string> faults = checker.Check(exitCode);
      if (!faults.empty()) {
        ++failedRuns;
        std::string message;
        for (const std::string& fault : faults) message += "\n  " + fault;
        ADD_FAILURE() << "seed " << seed << ", run " << run << ", arguments "
                      << Describe(arguments) << message;
      }
    }
  }
}
