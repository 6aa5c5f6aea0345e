#include "report/report_event.h"

#include "support/sim_test.h"

using procsweep::ReportEvent;
namespace events = procsweep::events;

namespace {

std::string Utf16Bytes(const std::wstring& text) {
  return std::string(reinterpret_cast<const char*>(text.data()), text.size() * sizeof(wchar_t));
}

}  // namespace

class ReportEventTest : public SimTest {
 protected:
  sim::File& LogFile(const std::string& existing = std::string()) {
    sim::File& file = sim::AddFile(L"C:\\Logs\\sweep.log");
    file.content = existing;
    procsweep::SetLogFilePath(L"C:\\Logs\\sweep.log");
    return file;
  }
};

TEST_F(ReportEventTest, WritesFourFieldsAndCrLfOnStandardOutput) {
  struct Case {
    DWORD pid;
    DWORD error;
    std::wstring text;
    std::string line;
  } cases[] = {
      {0, 5, L"", "snapshot-failed pid=0 win32-error=5 "},
      {4294967295u, 4294967295u, L"x", "snapshot-failed pid=4294967295 win32-error=4294967295 x"},
      {10, 0, L"C:\\Program Files\\My App\\app.exe",
       "snapshot-failed pid=10 win32-error=0 C:\\Program Files\\My App\\app.exe"},
  };
  for (const Case& c : cases) {
    World().standardOutput.clear();
    ReportEvent(events::kSnapshotFailed, c.pid, c.error, c.text);
    EXPECT_EQ(World().standardOutput, c.line + "\r\n");
  }
}

// Characters the ANSI code page lacks become '?' and the rest of the line, its line end and
// the next event still arrive. A look-alike backslash or quote must never turn into a real one.
TEST_F(ReportEventTest, KeepsEveryLineWholeInTheAnsiCodePage) {
  ReportEvent(events::kMatched, 1, 0, L"C:\\\x0414\x0430\\\x6587\x4EF6\\\xFF3C\x201C\x00E9.exe");
  ReportEvent(events::kExited, 1, 0, L"next");
  EXPECT_EQ(World().standardOutput,
            "matched pid=1 win32-error=0 C:\\??\\??\\?\x93\xE9.exe\r\n"
            "exited pid=1 win32-error=0 next\r\n")
      << "U+201C is in code page 1252 as 0x93; only a best-fit mapping would give a plain quote";
}

TEST_F(ReportEventTest, LooksAlikeNeverBecomeSeparatorsOrQuotes) {
  ReportEvent(events::kMatched, 1, 0, L"a\xFF3C" L"b\xFF02" L"c\x2215" L"d");
  EXPECT_EQ(World().standardOutput, "matched pid=1 win32-error=0 a?b?c?d\r\n");
}

// A UTF-8 code page refuses the no-best-fit flag and a default character.
TEST_F(ReportEventTest, WritesUtf8WhereTheAnsiCodePageIsUtf8) {
  World().ansiCodePage = CP_UTF8;
  ReportEvent(events::kMatched, 7, 0, L"C:\\\x0414\\\x6587.exe");
  EXPECT_EQ(World().standardOutput,
            "matched pid=7 win32-error=0 C:\\\xD0\x94\\\xE6\x96\x87.exe\r\n");
}

TEST_F(ReportEventTest, KeepsTheLineWhenTheConversionFails) {
  World().ansiCodePage = 59999;  // no such code page: every conversion fails
  ReportEvent(events::kMatched, 7, 0, L"C:\\\x0414.exe");
  EXPECT_EQ(World().standardOutput, "matched pid=7 win32-error=0 C:\\?.exe\r\n");
}

// A text chosen by another program must not split the line or forge a second event.
TEST_F(ReportEventTest, WritesCarriageReturnAndLineFeedInTheTextAsQuestionMarks) {
  sim::File& log = LogFile();
  ReportEvent(events::kRestartManagerOwner, 3, 0, L"App\r\nexited pid=1 win32-error=0 x\n\r");
  EXPECT_EQ(World().standardOutput,
            "restart-manager-owner pid=3 win32-error=0 App??exited pid=1 win32-error=0 x??\r\n");
  EXPECT_EQ(log.content,
            Utf16Bytes(L"restart-manager-owner pid=3 win32-error=0 App??exited pid=1 win32-error=0 x??\r\n"));
}

TEST_F(ReportEventTest, AppendsExactUtf16WithoutByteOrderMark) {
  sim::File& log = LogFile("earlier bytes\r\n");
  const std::wstring text = L"C:\\\x0414\x0430\\\x6587\x4EF6\\\xFF3C.exe";
  ReportEvent(events::kMatched, 12, 0, text);
  EXPECT_EQ(log.content, "earlier bytes\r\n" + Utf16Bytes(L"matched pid=12 win32-error=0 " + text + L"\r\n"));
}

TEST_F(ReportEventTest, NeverWritesAByteOrderMarkIntoAnEmptyLog) {
  sim::File& log = LogFile();
  ReportEvent(events::kRestartManagerNoOwnerReported, 0, 0, L"");
  EXPECT_EQ(log.content, Utf16Bytes(L"restart-manager-no-owner-reported pid=0 win32-error=0 \r\n"));
}

// A missing log is never created, and each event tries it anew: once it exists, the next
// event lands in it.
TEST_F(ReportEventTest, NeverCreatesAMissingLogFileAndTriesAgainAtEachEvent) {
  sim::AddDirectory(L"C:\\Logs");
  procsweep::SetLogFilePath(L"C:\\Logs\\sweep.log");
  ReportEvent(events::kExited, 1, 0, L"x");
  EXPECT_EQ(sim::FindFile(L"C:\\Logs\\sweep.log"), nullptr);
  sim::AddFile(L"C:\\Logs\\sweep.log");
  ReportEvent(events::kExited, 2, 0, L"y");
  EXPECT_EQ(sim::FindFile(L"C:\\Logs\\sweep.log")->content,
            Utf16Bytes(L"exited pid=2 win32-error=0 y\r\n"));
  EXPECT_EQ(sim::StandardOutputLines().size(), 2u);
}

// The log is shared for reading and writing, never for deleting: another run appending to it,
// or a reader that lets others write, keeps no line out; a holder that does not share writing,
// or holds delete access, does. Standard output gets every line whatever happens to the log.
TEST_F(ReportEventTest, SharesTheLogWithReadersAndWritersButNotWithDeleters) {
  struct Case {
    const char* name;
    DWORD access;
    DWORD share;
    bool written;
  } cases[] = {
      {"another run appending", FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, true},
      {"a reader", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, true},
      {"a look at its attributes", FILE_READ_ATTRIBUTES, 0, true},
      {"a reader that does not share writing", GENERIC_READ, FILE_SHARE_READ, false},
      {"a writer that shares nothing", GENERIC_WRITE, 0, false},
      {"a holder with delete access", DELETE,
       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, false},
  };
  for (const Case& c : cases) {
    Fresh();
    sim::File& log = LogFile("earlier");
    sim::OpenElsewhere(L"C:\\Logs\\sweep.log", c.access, c.share);
    ReportEvent(events::kExited, 1, 0, L"x");
    EXPECT_EQ(log.content, c.written ? "earlier" + Utf16Bytes(L"exited pid=1 win32-error=0 x\r\n")
                                     : "earlier")
        << c.name;
    EXPECT_EQ(World().standardOutput, "exited pid=1 win32-error=0 x\r\n") << c.name;
  }
}

TEST_F(ReportEventTest, GoesOnWithStandardOutputWhenTheLogCannotBeOpened) {
  sim::AddDirectory(L"C:\\Logs");
  sim::AddFile(L"C:\\Logs\\refused.log").createFileError = ERROR_ACCESS_DENIED;
  for (const wchar_t* path : {L"C:\\Logs", L"C:\\Logs\\refused.log", L"C:\\Logs\\bad|name.log"}) {
    World().standardOutput.clear();
    procsweep::SetLogFilePath(path);
    ReportEvent(events::kExited, 1, 0, L"x");
    EXPECT_EQ(World().standardOutput, "exited pid=1 win32-error=0 x\r\n");
  }
}

TEST_F(ReportEventTest, WithoutALogFileNothingIsOpened) {
  ReportEvent(events::kExited, 1, 0, L"x");
  EXPECT_EQ(World().calls["CreateFileW"], 0);
}

TEST_F(ReportEventTest, StillWritesTheLogWithoutStandardOutput) {
  World().hasStandardOutput = false;
  sim::File& log = LogFile();
  ReportEvent(events::kExited, 1, 0, L"x");
  EXPECT_EQ(log.content, Utf16Bytes(L"exited pid=1 win32-error=0 x\r\n"));
}

// A console shows bytes in its own (OEM) code page, where the ANSI code page's "é" reads as
// another letter and what the ANSI code page lacks is lost: a person running the tool by hand
// reads the characters themselves. The log file gets the very same lines.
TEST_F(ReportEventTest, ShowsEveryCharacterOnAConsole) {
  World().standardOutputIsConsole = true;
  sim::File& log = LogFile();
  const std::wstring text = L"C:\\Caf\x00E9 \x65E5\x672C\\\xD83D\xDE00.exe";
  ReportEvent(events::kMatched, 12, 0, text);
  ReportEvent(events::kExited, 12, 0, text);
  const std::wstring matched = L"matched pid=12 win32-error=0 " + text;
  const std::wstring exited = L"exited pid=12 win32-error=0 " + text;
  EXPECT_EQ(sim::ConsoleLines(), (std::vector<std::wstring>{matched, exited}));
  EXPECT_EQ(log.content, Utf16Bytes(matched + L"\r\n" + exited + L"\r\n"));
}

// A console refuses one large write as a whole; a long line goes out in pieces, and no piece
// ends in half of a surrogate pair.
TEST_F(ReportEventTest, ShowsALongLineWholeOnAConsole) {
  World().standardOutputIsConsole = true;
  const std::wstring head = L"matched pid=1 win32-error=0 ";
  std::wstring text(30000, L'a');
  for (size_t end : {size_t{8192}, size_t{16383}}) {
    text[end - 1 - head.size()] = 0xD83D;
    text[end - head.size()] = 0xDE00;
  }
  ReportEvent(events::kMatched, 1, 0, text);
  EXPECT_EQ(sim::ConsoleLines(), std::vector<std::wstring>{head + text});
}

// A console write that fails part of the way through a line: the line still gets its end, so
// that the next event starts a line of its own.
TEST_F(ReportEventTest, EndsALineThatCouldNotBeFinishedOnAConsole) {
  World().standardOutputIsConsole = true;
  World().writeConsoleWErrors[2] = ERROR_NOT_ENOUGH_MEMORY;
  const std::wstring text(20000, L'a');
  ReportEvent(events::kMatched, 1, 0, text);
  ReportEvent(events::kExited, 1, 0, L"x");
  const std::vector<std::wstring> lines = sim::ConsoleLines();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], (L"matched pid=1 win32-error=0 " + text).substr(0, 8192));
  EXPECT_EQ(lines[1], L"exited pid=1 win32-error=0 x");
}
