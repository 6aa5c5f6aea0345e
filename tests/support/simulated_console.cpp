// The simulated console: the process's standard output, which the tool writes its events to.
#include "support/simulated_internals.h"

namespace sim {
namespace {

// The process is given its standard handles; the tool never opens or closes them, so they are
// not in the handle table.
const HANDLE kStandardOutput = reinterpret_cast<HANDLE>(static_cast<uintptr_t>(0x77));

}  // namespace

bool IsStandardOutput(HANDLE handle) { return handle == kStandardOutput; }

void WriteStandardOutput(const char* bytes, DWORD count) {
  TheWorld().standardOutput.append(bytes, count);
}

std::vector<std::string> StandardOutputLines() {
  std::vector<std::string> lines;
  const std::string& text = TheWorld().standardOutput;
  size_t start = 0;
  for (size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
    lines.push_back(text.substr(start, end - start));
  }
  if (start < text.size()) lines.push_back(text.substr(start));  // an unterminated rest
  return lines;
}

}  // namespace sim

namespace platform {

HANDLE GetStdHandle(DWORD stdHandle) {
  Enter("GetStdHandle");
  Succeed();
  if (stdHandle != STD_OUTPUT_HANDLE || !TheWorld().hasStandardOutput) return nullptr;
  return sim::kStandardOutput;
}

}  // namespace platform
