// The simulated loader: the system DLLs the tool loads at run time (rstrtmgr.dll, user32.dll),
// found where Windows would find them given how they were asked for and the process's default
// search order at that moment, together with their imports and what their own code loads.
#include "support/simulated_internals.h"

namespace sim {
namespace {

constexpr DWORD kSearchFlags = LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR | LOAD_LIBRARY_SEARCH_APPLICATION_DIR |
                               LOAD_LIBRARY_SEARCH_USER_DIRS | LOAD_LIBRARY_SEARCH_SYSTEM32 |
                               LOAD_LIBRARY_SEARCH_DEFAULT_DIRS;
constexpr DWORD kDefaultDirectoryFlags = LOAD_LIBRARY_SEARCH_APPLICATION_DIR |
                                         LOAD_LIBRARY_SEARCH_USER_DIRS |
                                         LOAD_LIBRARY_SEARCH_SYSTEM32 |
                                         LOAD_LIBRARY_SEARCH_DEFAULT_DIRS;

struct SystemDll {
  const wchar_t* name;
  bool known;                  // one of the system's known DLLs: always mapped from System32
  const wchar_t* imports;      // found by the loader while the library itself loads
  const wchar_t* loadsItself;  // loaded by its own code later, through the default search order
  uintptr_t base;              // its module handle
  Library Libraries::*faults;  // what a test may make its loads and lookups do; null: nothing
  FARPROC (*exportNamed)(const std::string& name);
};

// Module handles are base addresses, far above the kernel handles of the same table.
constexpr uintptr_t kToolsFolderBase = 0x7FF860000000;

// The libraries that System32 offers in this simulation.
const SystemDll kLibraries[] = {
    {L"rstrtmgr.dll", false, L"rstrtmgr-dependency.dll", nullptr, 0x7FF850000000,
     &Libraries::rstrtmgr, &RestartManagerExport},
    {L"rstrtmgr-dependency.dll", false, nullptr, nullptr, 0x7FF851000000, nullptr, nullptr},
    {L"kernel32.dll", true, nullptr, nullptr, 0x7FF852000000, nullptr, nullptr},
    {L"user32.dll", true, nullptr, L"user32-dependency.dll", 0x7FF853000000, &Libraries::user32,
     &User32Export},
    {L"user32-dependency.dll", false, nullptr, nullptr, 0x7FF854000000, nullptr, nullptr},
};

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
  const SystemDll* library = nullptr;  // null for one from the tool's folder
};

Found InFolder(const std::wstring& folder, const std::wstring& name) {
  const Libraries& libraries = TheWorld().libraries;
  const SystemDll* library = SystemLibrary(name);
  if (Lower(folder) == Lower(libraries.systemDirectory) && library != nullptr) {
    return {true, LoadedFrom::System32, library};
  }
  if (Lower(folder) == Lower(libraries.toolsFolder)) return {true, LoadedFrom::ToolsFolder, nullptr};
  return {};
}

// How a library's imports are looked for: in `firstFolder` first, when there is one, then in the
// folders `searchFlags` stand for (0: the default search order).
struct ImportSearch {
  DWORD searchFlags = 0;
  std::wstring firstFolder;
};

Found Search(const std::wstring& name, const ImportSearch& search) {
  if (IsKnownDll(name)) return {true, LoadedFrom::System32, SystemLibrary(name)};
  if (!search.firstFolder.empty()) {
    const Found found = InFolder(search.firstFolder, name);
    if (found.found) return found;
  }
  const DWORD folders = SearchedFolders(search.searchFlags);
  if ((folders & LOAD_LIBRARY_SEARCH_APPLICATION_DIR) != 0) {
    return {true, LoadedFrom::ToolsFolder, nullptr};
  }
  const SystemDll* library = SystemLibrary(name);
  if ((folders & LOAD_LIBRARY_SEARCH_SYSTEM32) != 0 && library != nullptr) {
    return {true, LoadedFrom::System32, library};
  }
  return {};
}

// A full path names one file, and nothing is searched.
Found Locate(const std::wstring& fileName, DWORD searchFlags) {
  const size_t slash = fileName.rfind(L'\\');
  if (slash != std::wstring::npos) {
    return InFolder(fileName.substr(0, slash), fileName.substr(slash + 1));
  }
  return Search(fileName, {searchFlags, std::wstring()});
}

// With LOAD_LIBRARY_SEARCH_* flags, the imports are looked for as the library was. A library
// loaded by full path with LOAD_WITH_ALTERED_SEARCH_PATH has them looked for in its own folder
// first, and then where the alternate order goes on: System32, never the tool's folder. Any other
// load leaves them to the default search order, as if each were loaded by its name alone.
ImportSearch ImportSearchOf(const std::wstring& fileName, DWORD flags) {
  const DWORD searchFlags = flags & kSearchFlags;
  const size_t slash = fileName.rfind(L'\\');
  const std::wstring folder = slash == std::wstring::npos ? std::wstring() : fileName.substr(0, slash);
  if (searchFlags != 0) {
    const bool ownFolder = (searchFlags & LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR) != 0;
    return {searchFlags, ownFolder ? folder : std::wstring()};
  }
  if ((flags & LOAD_WITH_ALTERED_SEARCH_PATH) != 0 && !folder.empty()) {
    return {LOAD_LIBRARY_SEARCH_SYSTEM32, folder};
  }
  return {};
}

void Record(const std::wstring& name, DWORD flags, bool byTheTool, LoadedFrom from) {
  Libraries& libraries = TheWorld().libraries;
  libraries.loads.push_back({name, flags, byTheTool, libraries.defaultDirectories, from});
}

// A library from the tool's folder is the intruder's own code already: what it does next no
// longer matters.
void LoadImports(const SystemDll* library, const ImportSearch& search) {
  if (library == nullptr || library->imports == nullptr) return;
  const Found found = Search(library->imports, search);
  if (!found.found) return;
  Record(library->imports, 0, false, found.from);
  if (found.from == LoadedFrom::System32) LoadImports(found.library, search);
}

void LoadWhatItLoadsItself(const SystemDll* library) {
  if (library == nullptr || library->loadsItself == nullptr) return;
  const Found found = Search(library->loadsItself, {});
  if (!found.found) return;
  Record(library->loadsItself, 0, false, found.from);
  if (found.from == LoadedFrom::System32) LoadWhatItLoadsItself(found.library);
}

HMODULE AddModuleReference(const Found& found) {
  const uintptr_t base = found.library != nullptr ? found.library->base : kToolsFolderBase;
  const HMODULE module = reinterpret_cast<HMODULE>(base);
  HandleEntry* entry = FindHandle(module, HandleKind::Module);
  if (entry == nullptr) {
    HandleEntry added{};
    added.kind = HandleKind::Module;
    added.library = found.library != nullptr ? Lower(found.library->name) : std::wstring();
    entry = &TheWorld().handles.emplace(module, std::move(added)).first->second;
  }
  ++entry->loadCount;
  return module;
}

Library* FaultsOf(const SystemDll* library) {
  if (library == nullptr || library->faults == nullptr) return nullptr;
  return &(TheWorld().libraries.*(library->faults));
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
  const DWORD searchFlags = flags & sim::kSearchFlags;
  // The LOAD_LIBRARY_SEARCH_* flags cannot be combined with LOAD_WITH_ALTERED_SEARCH_PATH.
  if (file != nullptr ||
      (searchFlags != 0 &&
       (TheWorld().libraries.lacksSearchFlags || (flags & LOAD_WITH_ALTERED_SEARCH_PATH) != 0))) {
    Fail(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  const std::wstring name = fileName;
  const sim::Found found = sim::Locate(name, searchFlags);
  if (!found.found) {
    Fail(ERROR_MOD_NOT_FOUND);
    return nullptr;
  }
  if (const sim::Library* faults = sim::FaultsOf(found.library);
      faults != nullptr && faults->loadLibraryExError.has_value()) {
    Fail(*faults->loadLibraryExError);
    return nullptr;
  }
  sim::Record(name, flags, true, found.from);
  const HMODULE module = sim::AddModuleReference(found);
  if (found.from == sim::LoadedFrom::System32) {
    sim::LoadImports(found.library, sim::ImportSearchOf(name, flags));
    sim::LoadWhatItLoadsItself(found.library);
  }
  Succeed();
  return module;
}

FARPROC GetProcAddress(HMODULE module, LPCSTR procName) {
  Enter("GetProcAddress");
  const sim::HandleEntry* entry = sim::FindHandle(module, sim::HandleKind::Module);
  const sim::SystemDll* library = entry != nullptr ? sim::SystemLibrary(entry->library) : nullptr;
  if (const sim::Library* faults = sim::FaultsOf(library);
      faults != nullptr && faults->missingExport == procName) {
    Fail(faults->missingExportError);
    return nullptr;
  }
  FARPROC function = nullptr;
  if (library != nullptr && library->exportNamed != nullptr) function = library->exportNamed(procName);
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
  sim::HandleEntry* entry = sim::FindHandle(module, sim::HandleKind::Module);
  if (entry == nullptr) {
    ++world.badCloses;
    Fail(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (--entry->loadCount == 0) world.handles.erase(module);
  Succeed();
  return TRUE;
}

UINT GetSystemDirectoryW(LPWSTR buffer, UINT size) {
  Enter("GetSystemDirectoryW");
  const DWORD length = sim::CopyOut(TheWorld().libraries.systemDirectory, buffer, size);
  Succeed();
  return length;
}

}  // namespace platform
