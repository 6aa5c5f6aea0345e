// The entry point of procsweep.exe.
#include <string>
#include <vector>

#include "driver/command_line.h"
#include "platform/windows_api.h"

int wmain(int argc, wchar_t** argv) {
  // Before anything can load a library: installers run this tool from Downloads and TEMP
  // folders, where anyone may have planted a DLL beside it.
  platform::SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
  std::vector<std::wstring> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
  return static_cast<int>(procsweep::RunCommandLine(std::move(arguments)));
}
