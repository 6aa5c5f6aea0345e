// The simulated loader: the system DLLs the tool loads at run time (rstrtmgr.dll, user32.dll),
// found where Windows would find them, given how they were asked for and what the process's
// default search order is at that moment.
#include <cwctype>

#include "support/simulated_windows.h"

namespace sim {
namespace {

constexpr DWORD kSearchFlags = LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR | LOAD_LIBRARY_SEARCH_APPLICATION_DIR |
                               LOAD_LIBRARY_SEARCH_USER_DIRS | LOAD_LIBRARY_SEARCH_SYSTEM32 |
                               LOAD_LIBRARY_SEARCH_DEFAULT_DIRS;
constexpr DWORD kDefaultDirectoryFlags = LOAD_LIBRARY_SEARCH_APPLICATION_DIR |
                                         LOAD_LIBRARY_SEARCH_USER_DIRS |
                                         LOAD_LIBRARY_SEARCH_SYSTEM32 |
                                         LOAD_LIBRARY_SEARCH_DEFAULT_DIRS;
HMODULE Module(uintptr_t value) { return reinterpret_cast<HMODULE>(value); }
const HMODULE kRestartManagerModule = Module(0x5000);
const HMODULE kUser32Module = Module(0x5300);
const HMODULE kToolsFolderModule = Module(0x6000);

struct SystemDll {
  const wchar_t* name;
  bool known;                 // one of the system's known DLLs: always mapped from System32
  const wchar_t* loadsItself; // what its own code loads through the default search order
  HMODULE module;
};

// The libraries that System32 offers in this simulation.
const SystemDll kLibraries[] = {
    {L"rstrtmgr.dll", false, L"rstrtmgr-dependency.dll", kRestartManagerModule},
    {L"rstrtmgr-dependency.dll", false, nullptr, Module(0x5100)},
    {L"kernel32.dll", true, nullptr, Module(0x5200)},
    {L"user32.dll", true, L"user32-dependency.dll", kUser32Module},
    {L"user32-dependency.dll", false, nullptr, Module(0x5400)},
};

std::wstring Lower(std::wstring text) {
  for (wchar_t& c : text) c = static_cast<wchar_t>(std::towlower(c));
  return text;
}

const SystemDll* SystemLibrary(const std::wstring& name) {
  for (const SystemDll& library : kLibraries) {
    if (Lower(library.name) == Lower(name)) return &library;
  }
  return nullptr;
}

bool IsKnownDll(const std::wstring& name) {
  const SystemDll* library = SystemLibrary(name);
  return library != nullptr && library->known;
}

// The folders a search covers, as LOAD_LIBRARY_SEARCH_* bits. LOAD_LIBRARY_SEARCH_DEFAULT_DIRS
// stands for the tool's folder, System32 and the added folders. Without a default set, the
// standard search order begins with the tool's folder.
DWORD SearchedFolders(DWORD searchFlags) {
  if (searchFlags == 0) searchFlags = TheWorld().libraries.defaultDirectories;
  if (searchFlags == 0) return LOAD_LIBRARY_SEARCH_APPLICATION_DIR | LOAD_LIBRARY_SEARCH_SYSTEM32;
  if ((searchFlags & LOAD_LIBRARY_SEARCH_DEFAULT_DIRS) != 0) {
    searchFlags |= LOAD_LIBRARY_SEARCH_APPLICATION_DIR | LOAD_LIBRARY_SEARCH_SYSTEM32 |
                   LOAD_LIBRARY_SEARCH_USER_DIRS;
  }
  return searchFlags;
}

struct Found {
  bool found = false;
  LoadedFrom from = LoadedFrom::System32;
  const SystemDll* library = nullptr;
};

Found Locate(const std::wstring& fileName, DWORD searchFlags) {
  const Libraries& libraries = TheWorld().libraries;
  const size_t slash = fileName.rfind(L'\\');
  if (slash != std::wstring::npos) {
    // A full path names one file, and nothing is searched.
    const std::wstring folder = Lower(fileName.substr(0, slash));
    const SystemDll* library = SystemLibrary(fileName.substr(slash + 1));
    if (folder == Lower(libraries.systemDirectory) && library != nullptr) {
      return {true, LoadedFrom::System32, library};
    }
    if (folder == Lower(libraries.toolsFolder)) return {true, LoadedFrom::ToolsFolder, nullptr};
    return {};
  }
  if (IsKnownDll(fileName)) return {true, LoadedFrom::System32, SystemLibrary(fileName)};
  const DWORD folders = SearchedFolders(searchFlags);
  if ((folders & LOAD_LIBRARY_SEARCH_APPLICATION_DIR) != 0) {
    return {true, LoadedFrom::ToolsFolder, nullptr};
  }
  const SystemDll* library = SystemLibrary(fileName);
  if ((folders & LOAD_LIBRARY_SEARCH_SYSTEM32) != 0 && library != nullptr) {
    return {true, LoadedFrom::System32, library};
  }
  return {};
}

void Record(const std::wstring& name, DWORD flags, bool byTheTool, LoadedFrom from) {
  Libraries& libraries = TheWorld().libraries;
  libraries.loads.push_back({name, flags, byTheTool, libraries.defaultDirectories, from});
}

// What a library's own code loads; a library from the tool's folder is the intruder's own code
// already, and what it does next no longer matters.
void LoadWhatItLoadsItself(const SystemDll* library) {
  if (library == nullptr || library->loadsItself == nullptr) return;
  const Found found = Locate(library->loadsItself, 0);
  if (!found.found) return;
  Record(library->loadsItself, 0, false, found.from);
  if (found.from == LoadedFrom::System32) LoadWhatItLoadsItself(found.library);
}

}  // namespace

std::vector<std::wstring> LibrariesRunFromTheToolsFolder() {
  std::vector<std::wstring> names;
  for (const LibraryLoad& load : TheWorld().libraries.loads) {
    if (load.from == LoadedFrom::ToolsFolder) names.push_back(load.name);
  }
  return names;
}

}  // namespace sim

namespace platform {

using sim::Enter;
using sim::Fail;
using sim::Succeed;
using sim::TheWorld;

BOOL SetDefaultDllDirectories(DWORD directoryFlags) {
  Enter("SetDefaultDllDirectories");
  sim::Libraries& libraries = TheWorld().libraries;
  // The seam looks the function up at run time and answers this way where it is missing.
  if (libraries.lacksSearchFlags) {
    Fail(ERROR_PROC_NOT_FOUND);
    return FALSE;
  }
  if (directoryFlags == 0 || (directoryFlags & ~sim::kDefaultDirectoryFlags) != 0) {
    Fail(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  libraries.defaultDirectories = directoryFlags;
  Succeed();
  return TRUE;
}

HMODULE LoadLibraryExW(LPCWSTR fileName, HANDLE file, DWORD flags) {
  Enter("LoadLibraryExW");
  sim::World& world = TheWorld();
  const DWORD searchFlags = flags & sim::kSearchFlags;
  if (file != nullptr || (searchFlags != 0 && world.libraries.lacksSearchFlags)) {
    Fail(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  const std::wstring name = fileName;
  const sim::Found found = sim::Locate(name, searchFlags);
  if (!found.found) {
    Fail(ERROR_MOD_NOT_FOUND);
    return nullptr;
  }
  const DWORD loadError =
      found.library == nullptr                          ? 0
      : found.library->module == sim::kRestartManagerModule ? world.restartManager.loadError
      : found.library->module == sim::kUser32Module     ? world.libraries.user32.loadError
                                                        : 0;
  if (loadError != 0) {
    Fail(loadError);
    return nullptr;
  }
  sim::Record(name, flags, true, found.from);
  const HMODULE module =
      found.from == sim::LoadedFrom::ToolsFolder ? sim::kToolsFolderModule : found.library->module;
  ++world.libraries.loaded[module];
  Succeed();
  if (found.from == sim::LoadedFrom::System32) sim::LoadWhatItLoadsItself(found.library);
  return module;
}

FARPROC GetProcAddress(HMODULE module, LPCSTR procName) {
  Enter("GetProcAddress");
  sim::World& world = TheWorld();
  FARPROC function = nullptr;
  if (world.libraries.loaded.count(module) != 0) {
    function = module == sim::kRestartManagerModule ? sim::RestartManagerFunction(procName)
               : module == sim::kUser32Module       ? sim::User32Function(procName)
                                                    : nullptr;
  }
  if (function == nullptr) {
    Fail(ERROR_PROC_NOT_FOUND);
    return nullptr;
  }
  Succeed();
  return function;
}

BOOL FreeLibrary(HMODULE module) {
  Enter("FreeLibrary");
  sim::World& world = TheWorld();
  auto it = world.libraries.loaded.find(module);
  if (it == world.libraries.loaded.end() || it->second == 0) {
    ++world.badCloses;
    Fail(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (--it->second == 0) world.libraries.loaded.erase(it);
  Succeed();
  return TRUE;
}

UINT GetSystemDirectoryW(LPWSTR buffer, UINT size) {
  Enter("GetSystemDirectoryW");
  const std::wstring& directory = TheWorld().libraries.systemDirectory;
  // Too small a buffer: the size needed, terminating NUL included, and nothing copied.
  if (directory.size() >= size) {
    Succeed();
    return static_cast<UINT>(directory.size() + 1);
  }
  std::copy(directory.begin(), directory.end(), buffer);
  buffer[directory.size()] = L'\0';
  Succeed();
  return static_cast<UINT>(directory.size());
}

}  // namespace platform
