#include "report/report_event.h"

#include <algorithm>

#include "common/unique_handle.h"

namespace procsweep {
namespace {

std::wstring& LogFilePath() {
  static std::wstring path;
  return path;
}

void AppendDecimal(std::wstring& line, DWORD value) {
  wchar_t digits[10];
  int count = 0;
  do {
    digits[count++] = static_cast<wchar_t>(L'0' + value % 10);
    value /= 10;
  } while (value != 0);
  while (count > 0) line.push_back(digits[--count]);
}

std::string ToAsciiOnly(const std::wstring& line) {
  std::string bytes;
  bytes.reserve(line.size());
  for (wchar_t c : line) bytes.push_back(c < 0x80 ? static_cast<char>(c) : '?');
  return bytes;
}

// A console write shares a heap of 64 KiB with the console's other calls (Windows 7 and
// earlier): one much larger fails as a whole with ERROR_NOT_ENOUGH_MEMORY. Lines go out in
// pieces well below that, never splitting a surrogate pair.
constexpr size_t kConsoleChunk = 8192;

void WriteToConsole(HANDLE console, const std::wstring& line) {
  for (size_t start = 0; start < line.size();) {
    size_t count = std::min(kConsoleChunk, line.size() - start);
    if (start + count < line.size() && IS_HIGH_SURROGATE(line[start + count - 1])) --count;
    DWORD written = 0;
    if (!platform::WriteConsoleW(console, line.data() + start, static_cast<DWORD>(count), &written,
                                 nullptr) ||
        written == 0) {
      // Part of the line is out: it gets its end, or the next event would go on in it.
      if (start > 0) platform::WriteConsoleW(console, L"\r\n", 2, &written, nullptr);
      return;
    }
    start += std::min<size_t>(written, count);
  }
}

void WriteToStandardOutput(const std::wstring& line) {
  HANDLE output = platform::GetStdHandle(STD_OUTPUT_HANDLE);
  if (!UniqueHandle::IsValid(output)) return;
  // A console shows bytes in its own (OEM) code page, not the ANSI one: a person running the
  // tool by hand gets the characters themselves. Pipes and files keep the ANSI code page that
  // the programs reading them expect.
  DWORD mode = 0;
  if (platform::GetConsoleMode(output, &mode)) {
    WriteToConsole(output, line);
    return;
  }
  const std::string bytes = ToAnsiCodePage(line);
  DWORD written = 0;
  platform::WriteFile(output, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

void AppendToLogFile(const std::wstring& path, const std::wstring& line) {
  // Append access only: every line lands at the file's end at the moment of the write, even
  // while other processes append to the same file. OPEN_EXISTING: the file is never created.
  UniqueHandle file(platform::CreateFileW(path.c_str(), FILE_APPEND_DATA,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                          OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return;
  DWORD written = 0;
  platform::WriteFile(file.get(), line.data(), static_cast<DWORD>(line.size() * sizeof(wchar_t)),
                      &written, nullptr);
}

}  // namespace

void SetLogFilePath(const std::wstring& path) { LogFilePath() = path; }

std::wstring FormatEventLine(const wchar_t* eventName, DWORD pid, DWORD win32Error,
                             const std::wstring& text) {
  std::wstring line(eventName);
  line.reserve(line.size() + text.size() + 48);
  line += L" pid=";
  AppendDecimal(line, pid);
  line += L" win32-error=";
  AppendDecimal(line, win32Error);
  line += L' ';
  for (wchar_t c : text) line.push_back(c == L'\r' || c == L'\n' ? L'?' : c);
  line += L"\r\n";
  return line;
}

std::string ToAnsiCodePage(const std::wstring& line) {
  if (line.empty()) return {};
  const UINT codePage = platform::GetACP();
  // A UTF-8 code page refuses both the no-best-fit flag and a default character; it can
  // represent every character anyway (an unpaired surrogate becomes U+FFFD).
  const bool utf8 = codePage == CP_UTF8;
  const DWORD flags = utf8 ? 0 : WC_NO_BEST_FIT_CHARS;
  const char* defaultChar = utf8 ? nullptr : "?";
  const int wideLength = static_cast<int>(line.size());
  const int size = platform::WideCharToMultiByte(codePage, flags, line.data(), wideLength, nullptr,
                                                 0, defaultChar, nullptr);
  if (size > 0) {
    std::string bytes(static_cast<size_t>(size), '\0');
    if (platform::WideCharToMultiByte(codePage, flags, line.data(), wideLength, bytes.data(), size,
                                      defaultChar, nullptr) == size) {
      return bytes;
    }
  }
  // The line still arrives whole, with only its ASCII characters kept.
  return ToAsciiOnly(line);
}

void ReportEvent(const wchar_t* eventName, DWORD pid, DWORD win32Error, const std::wstring& text) {
  const std::wstring line = FormatEventLine(eventName, pid, win32Error, text);
  WriteToStandardOutput(line);
  const std::wstring& logFilePath = LogFilePath();
  if (!logFilePath.empty()) AppendToLogFile(logFilePath, line);
}

}  // namespace procsweep
