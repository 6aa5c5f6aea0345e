// The simulated loader: the system DLLs the tool loads at run time (rstrtmgr.dll, user32.dll),
// found only where Windows would find them for the flags the tool gives.
#include <cwctype>

#include "support/simulated_windows.h"

namespace sim {

void* RestartManagerFunction(const std::string& name);
void* User32Function(const std::string& name);

namespace {

const HMODULE kRestartManagerModule = reinterpret_cast<HMODULE>(static_cast<uintptr_t>(0x5000));
const HMODULE kUser32Module = reinterpret_cast<HMODULE>(static_cast<uintptr_t>(0x6000));

std::wstring Lower(std::wstring text) {
  for (wchar_t& c : text) c = static_cast<wchar_t>(std::towlower(c));
  return text;
}

// The library's bare name, when `fileName` names it where the system would load it from: a bare
// name searched in System32 only, or a full path into the system directory. Anything else
// would search folders a planted DLL may sit in; the tool never asks for that, and it is
// refused here.
bool SystemLibraryName(const std::wstring& fileName, DWORD flags, std::wstring& name,
                       DWORD& error) {
  const Libraries& libraries = TheWorld().libraries;
  const std::wstring lower = Lower(fileName);
  const size_t slash = lower.rfind(L'\\');
  if (slash == std::wstring::npos) {
    if ((flags & LOAD_LIBRARY_SEARCH_SYSTEM32) == 0) {
      error = ERROR_MOD_NOT_FOUND;
      return false;
    }
    if (libraries.lacksSearchFlags) {
      error = ERROR_INVALID_PARAMETER;
      return false;
    }
    name = lower;
    return true;
  }
  if (libraries.lacksSearchFlags && (flags & 0x0000FF00) != 0) {
    error = ERROR_INVALID_PARAMETER;
    return false;
  }
  if (lower.substr(0, slash) != Lower(libraries.systemDirectory)) {
    error = ERROR_MOD_NOT_FOUND;
    return false;
  }
  name = lower.substr(slash + 1);
  return true;
}

}  // namespace
}  // namespace sim

namespace platform {

using sim::Enter;
using sim::Fail;
using sim::Succeed;

HMODULE LoadLibraryExW(LPCWSTR fileName, HANDLE, DWORD flags) {
  Enter("LoadLibraryExW");
  sim::World& world = sim::TheWorld();
  world.libraries.loads.emplace_back(fileName, flags);
  std::wstring name;
  DWORD error = 0;
  if (!sim::SystemLibraryName(fileName, flags, name, error)) {
    Fail(error);
    return nullptr;
  }
  if (name == L"rstrtmgr.dll") {
    sim::RestartManager& rm = world.restartManager;
    rm.loadFlags.push_back(flags);
    rm.loadedNames.push_back(fileName);
    if (rm.loadError != 0) {
      Fail(rm.loadError);
      return nullptr;
    }
    ++rm.loadedModules;
    Succeed();
    return sim::kRestartManagerModule;
  }
  if (name == L"user32.dll") {
    sim::Library& user32 = world.libraries.user32;
    if (user32.loadError != 0) {
      Fail(user32.loadError);
      return nullptr;
    }
    ++user32.loadedModules;
    Succeed();
    return sim::kUser32Module;
  }
  Fail(ERROR_MOD_NOT_FOUND);
  return nullptr;
}

FARPROC GetProcAddress(HMODULE module, LPCSTR procName) {
  Enter("GetProcAddress");
  sim::World& world = sim::TheWorld();
  const std::string name = procName;
  void* function = nullptr;
  if (module == sim::kRestartManagerModule && world.restartManager.loadedModules > 0 &&
      world.restartManager.missingFunction != name) {
    function = sim::RestartManagerFunction(name);
  } else if (module == sim::kUser32Module && world.libraries.user32.loadedModules > 0 &&
             world.libraries.user32.missingFunction != name) {
    function = sim::User32Function(name);
  }
  if (function == nullptr) {
    Fail(ERROR_PROC_NOT_FOUND);
    return nullptr;
  }
  Succeed();
  return reinterpret_cast<FARPROC>(function);
}

BOOL FreeLibrary(HMODULE module) {
  Enter("FreeLibrary");
  sim::World& world = sim::TheWorld();
  int* loaded = module == sim::kRestartManagerModule ? &world.restartManager.loadedModules
                : module == sim::kUser32Module       ? &world.libraries.user32.loadedModules
                                                     : nullptr;
  if (loaded == nullptr || *loaded == 0) {
    ++world.badCloses;
    Fail(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  --*loaded;
  Succeed();
  return TRUE;
}

UINT GetSystemDirectoryW(LPWSTR buffer, UINT size) {
  Enter("GetSystemDirectoryW");
  const std::wstring& directory = sim::TheWorld().libraries.systemDirectory;
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
