// The one way an event leaves the tool: a line on standard output and, when a log file was
// named, the same line appended to it.
#pragma once

#include <string>

#include "platform/windows_api.h"
#include "report/event_names.h"

namespace procsweep {

// The log file of this run; empty means none. The driver sets it before the first event.
void SetLogFilePath(const std::wstring& path);

// Standard output gets the line in the ANSI code page, or as it is when standard output is a
// console. Never fails towards its caller: console and log-file failures are swallowed.
void ReportEvent(const wchar_t* eventName, DWORD pid, DWORD win32Error, const std::wstring& text);

// The event line as UTF-16, CR LF included. CR and LF inside the text become '?', so that a
// text that another program chose can never split the line or forge a second event.
std::wstring FormatEventLine(const wchar_t* eventName, DWORD pid, DWORD win32Error,
                             const std::wstring& text);

// The line in the ANSI code page. A character that the code page lacks becomes '?', never a
// look-alike: a best-fit backslash or quote in a path must not appear as a real one.
std::string ToAnsiCodePage(const std::wstring& line);

}  // namespace procsweep
