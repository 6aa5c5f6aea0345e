// What the files of the simulated Windows share among themselves; the tests script the
// simulation through simulated_windows.h only.
#pragma once

#include <string>

#include "support/simulated_windows.h"

namespace sim {

// simulated_world.cpp
HANDLE NewHandle(HandleEntry entry);
HandleEntry* FindHandle(HANDLE handle, HandleKind kind);

// simulated_console.cpp
bool IsStandardOutput(HANDLE handle);
void WriteStandardOutput(const char* bytes, DWORD count);

// simulated_strings.cpp
// The answer of a call that fills the caller's buffer: the length copied or, when the buffer is
// too small, the size it needs, terminating NUL included, with nothing copied.
DWORD CopyOut(const std::wstring& text, LPWSTR buffer, DWORD capacity);

// simulated_paths.cpp
struct PathResultSim {
  std::wstring path;
  DWORD error;
};
bool StartsWith(const std::wstring& text, const std::wstring& prefix);
std::wstring Lower(std::wstring text);
std::wstring FullPath(const std::wstring& path);
std::wstring DosForm(const std::wstring& path);
std::wstring PrefixedForm(const std::wstring& path);
bool IsHeldToMaxPath(const std::wstring& path);
std::wstring Parent(const std::wstring& key);
// A prefixed drive-letter or UNC path in the volume form that `volumeFlag` asks for.
PathResultSim InVolumeForm(const std::wstring& path, DWORD volumeFlag);

// simulated_processes.cpp
Process* LatestProcess(DWORD pid);

// simulated_user32.cpp, simulated_restart_manager.cpp: a library's exported functions by name,
// null for any other name.
FARPROC User32Export(const std::string& name);
FARPROC RestartManagerExport(const std::string& name);

}  // namespace sim

namespace platform {

using sim::Enter;
using sim::Fail;
using sim::Succeed;
using sim::TheWorld;

}  // namespace platform
