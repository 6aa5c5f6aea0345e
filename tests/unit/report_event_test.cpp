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

TEST_F(ReportEventTest, OpensAppendsAndClosesTheLogForEveryEvent) {
  sim::File& log = LogFile();
  for (int i = 0; i < 10; ++i) ReportEvent(events::kExited, static_cast<DWORD>(i), 0, L"x");
  EXPECT_EQ(log.opens, 10);
  EXPECT_EQ(log.writes, 10);
  EXPECT_EQ(World().calls["CloseHandle"], 10);
  const sim::CreateFileCall& call = World().createFileCalls.back();
  EXPECT_EQ(call.path, L"C:\\Logs\\sweep.log");
  EXPECT_EQ(call.access, static_cast<DWORD>(FILE_APPEND_DATA));
  EXPECT_EQ(call.share, static_cast<DWORD>(FILE_SHARE_READ | FILE_SHARE_WRITE));
  EXPECT_EQ(call.disposition, static_cast<DWORD>(OPEN_EXISTING));
  EXPECT_EQ(call.flags, static_cast<DWORD>(FILE_ATTRIBUTE_NORMAL));
}

TEST_F(ReportEventTest, NeverCreatesAMissingLogFile) {
  sim::AddDirectory(L"C:\\Logs");
  procsweep::SetLogFilePath(L"C:\\Logs\\missing.log");
  ReportEvent(events::kExited, 1, 0, L"x");
  ReportEvent(events::kExited, 2, 0, L"y");
  EXPECT_EQ(sim::FindFile(L"C:\\Logs\\missing.log"), nullptr);
  EXPECT_EQ(World().createFileCalls.size(), 2u) << "tried again at each event";
  EXPECT_EQ(sim::StandardOutputLines().size(), 2u);
}

TEST_F(ReportEventTest, GoesOnWithStandardOutputWhenTheLogCannotBeOpened) {
  sim::AddDirectory(L"C:\\Logs");
  sim::AddFile(L"C:\\Logs\\locked.log").openError = ERROR_SHARING_VIOLATION;
  for (const wchar_t* path : {L"C:\\Logs", L"C:\\Logs\\locked.log"}) {
    World().standardOutput.clear();
    procsweep::SetLogFilePath(path);
    ReportEvent(events::kExited, 1, 0, L"x");
    EXPECT_EQ(World().standardOutput, "exited pid=1 win32-error=0 x\r\n");
  }
}

TEST_F(ReportEventTest, WithoutALogFileNothingIsOpened) {
  ReportEvent(events::kExited, 1, 0, L"x");
  EXPECT_TRUE(World().createFileCalls.empty());
}

TEST_F(ReportEventTest, StillWritesTheLogWithoutStandardOutput) {
  World().hasStandardOutput = false;
  sim::File& log = LogFile();
  ReportEvent(events::kExited, 1, 0, L"x");
  EXPECT_EQ(log.content, Utf16Bytes(L"exited pid=1 win32-error=0 x\r\n"));
}
