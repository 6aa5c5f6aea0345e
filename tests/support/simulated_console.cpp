// The process's standard output, which the tool writes its events to: a pipe or a file, which
// keeps the bytes as written, or a console, which shows characters.
#include "support/simulated_internals.h"

namespace sim {
namespace {

// The process is given its standard handles; the tool never opens or closes them, so they are
// not in the handle table.
const HANDLE kStandardOutput = reinterpret_cast<HANDLE>(static_cast<uintptr_t>(0x77));

}  // namespace

bool IsStandardOutput(HANDLE handle) { return handle == kStandardOutput; }

void WriteStandardOutput(const char* bytes, DWORD count) {
  World& world = TheWorld();
  if (world.standardOutputIsConsole) {
    // A console shows bytes in its own code page.
    world.console += Decoded(world.consoleCodePage, std::string(bytes, count));
  } else {
    world.standardOutput.append(bytes, count);
  }
}

std::wstring Decoded(UINT codePage, const std::string& bytes) {
  if (bytes.empty()) return std::wstring();
  const int size = ::MultiByteToWideChar(codePage, 0, bytes.data(), static_cast<int>(bytes.size()),
                                         nullptr, 0);
  std::wstring text(static_cast<size_t>(size), L'\0');
  ::MultiByteToWideChar(codePage, 0, bytes.data(), static_cast<int>(bytes.size()), text.data(),
                        size);
  return text;
}

std::vector<std::wstring> ConsoleLines() {
  std::vector<std::wstring> lines;
  const std::wstring& text = TheWorld().console;
  size_t start = 0;
  for (size_t end; (end = text.find(L"\r\n", start)) != std::wstring::npos; start = end + 2) {
    lines.push_back(text.substr(start, end - start));
  }
  if (start < text.size()) lines.push_back(text.substr(start));  // an unterminated rest
  return lines;
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

BOOL GetConsoleMode(HANDLE console, LPDWORD mode) {
  Enter("GetConsoleMode");
  if (console != sim::kStandardOutput || !TheWorld().standardOutputIsConsole) {
    Fail(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  *mode = ENABLE_PROCESSED_OUTPUT | ENABLE_WRAP_AT_EOL_OUTPUT;
  Succeed();
  return TRUE;
}

BOOL WriteConsoleW(HANDLE console, const VOID* buffer, DWORD charsToWrite, LPDWORD charsWritten,
                   LPVOID) {
  Enter("WriteConsoleW");
  sim::World& world = TheWorld();
  const auto fault = world.writeConsoleWErrors.find(world.calls["WriteConsoleW"]);
  if (fault != world.writeConsoleWErrors.end()) {
    Fail(fault->second);
    return FALSE;
  }
  if (console != sim::kStandardOutput || !world.standardOutputIsConsole) {
    Fail(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (charsToWrite > sim::kConsoleWriteLimit) {
    Fail(ERROR_NOT_ENOUGH_MEMORY);
    return FALSE;
  }
  // Each write is shown by itself: half of a surrogate pair shows as a replacement character.
  std::wstring shown(static_cast<const wchar_t*>(buffer), charsToWrite);
  if (!shown.empty() && IS_HIGH_SURROGATE(shown.back())) shown.back() = L'\xFFFD';
  if (!shown.empty() && IS_LOW_SURROGATE(shown.front())) shown.front() = L'\xFFFD';
  world.console += shown;
  if (charsWritten != nullptr) *charsWritten = charsToWrite;
  Succeed();
  return TRUE;
}

}  // namespace platform
