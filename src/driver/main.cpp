// The entry point of procsweep.exe.
#include <string>
#include <vector>

#include "driver/command_line.h"

int wmain(int argc, wchar_t** argv) {
  std::vector<std::wstring> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
  return static_cast<int>(procsweep::RunCommandLine(std::move(arguments)));
}
