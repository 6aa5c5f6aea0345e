; procsweep.iss: procsweep.exe in the [Code] of an Inno Setup 6 script, so that its setup and
; uninstaller make sure nothing of the installed application runs before they replace or remove
; its files: they ask the application to close, wait for it, end it when the user agrees (or at
; once in a silent run), and end left-over helper processes. What procsweep.exe reports goes
; into the setup log and the uninstall log (SetupLogging=yes, UninstallLogging=yes).
;
; Define, then include:
;   #define ProcsweepAppName "Example App"       ; the application's name, for messages
;   #define ProcsweepMainExe "Example App.exe"   ; its main executable, in {app}
;   #include "procsweep.iss"
;
; Then, in the script's own [Code], set ProcsweepExe (the tool's path) and ProcsweepLog (a file
; in {tmp}) and call ProcsweepEndRunningApplication(Silent) from PrepareToInstall and from
; InitializeUninstall: it returns '' when nothing of the application runs any more, and why not
; otherwise, naming the programs that hold the application's files. RunProcsweep(Mode) runs the
; tool once and returns its exit code (-1: it could not be started); ProcsweepHolders() returns
; those programs, a line each ("Name (PID 1234)"). example.iss is a whole script.
#ifndef ProcsweepAppName
  #error Define ProcsweepAppName (the application's name) before including procsweep.iss
#endif
#ifndef ProcsweepMainExe
  #error Define ProcsweepMainExe (the main executable's file name) before including procsweep.iss
#endif

[Code]
const
  ProcsweepSuccess = 0;
  ProcsweepMainRunning = 10;
  ProcsweepHelpersRunning = 11;
  // How long the application gets to close by itself.
  ProcsweepCloseTimeoutMs = 10000;

var
  ProcsweepExe: String;
  ProcsweepLog: String;

function ProcsweepTickCount(): Cardinal;
  external 'GetTickCount@kernel32.dll stdcall';

// Copies Count bytes. A String argument reaches an external function as a pointer to its own
// characters, so the copy fills the string in place.
procedure ProcsweepMoveMemory(Destination: String; Source: AnsiString; Count: Cardinal);
  external 'RtlMoveMemory@kernel32.dll stdcall';

// The text of the log: UTF-16LE without a byte-order mark. LoadStringsFromFile reads ANSI and
// UTF-8 only, and Chr takes a single byte (a "č", U+010D, would become a CR), so the raw bytes
// are copied into the string whole.
function ReadProcsweepLog(): String;
var
  Bytes: AnsiString;
  Count: Integer;
begin
  Result := '';
  if not LoadStringFromFile(ProcsweepLog, Bytes) then
    Exit;
  Count := Length(Bytes) div 2;
  if Count = 0 then
    Exit;
  SetLength(Result, Count);
  ProcsweepMoveMemory(Result, Bytes, Count * 2);
end;

// Runs procsweep.exe with a mode word on the installation directory and writes its command
// line, its event lines and its exit code into the setup or uninstall log. Returns the exit
// code, or -1 when the tool could not be started.
function RunProcsweep(const Mode: String): Integer;
var
  Dir, Params, Text: String;
  P: Integer;
begin
  // The tool appends to an existing log file and never creates one: start each run with an
  // empty file, so that the log holds this run's events only.
  SaveStringToFile(ProcsweepLog, '', False);
  Dir := ExpandConstant('{app}');
  // A backslash before the closing quote (a drive's root, "C:\") would escape it.
  if Copy(Dir, Length(Dir), 1) = '\' then
    Dir := Dir + '\';
  Params := Mode + ' "' + Dir + '" "{#ProcsweepMainExe}"';
  Log('procsweep.exe ' + Params);
  if not Exec(ProcsweepExe, '--log "' + ProcsweepLog + '" ' + Params, '', SW_HIDE,
      ewWaitUntilTerminated, Result) then
    Result := -1;
  Text := ReadProcsweepLog();
  while Text <> '' do
  begin
    P := Pos(#13#10, Text);
    if P = 0 then
      P := Length(Text) + 1;
    Log(Copy(Text, 1, P - 1));
    Delete(Text, 1, P + 1);
  end;
  Log('exit code ' + IntToStr(Result));
end;

// "close", then "probe" every half second until the main executable has ended or the time is
// up. A deadline on the system's clock, not a count of turns: each look takes a while itself.
function ProcsweepCloseAndWait(TimeoutMs: Cardinal): Integer;
var
  Start, Elapsed: Cardinal;
begin
  RunProcsweep('close');
  Start := ProcsweepTickCount();
  repeat
    Elapsed := ProcsweepTickCount() - Start;
    if Elapsed < TimeoutMs then
    begin
      if TimeoutMs - Elapsed > 500 then
        Sleep(500)
      else
        Sleep(TimeoutMs - Elapsed);
    end;
    Result := RunProcsweep('probe');
  until (Result <> ProcsweepMainRunning) or (ProcsweepTickCount() - Start >= TimeoutMs);
end;

// The programs that the Restart Manager names as holding the installation's files (procsweep.exe
// legacy-owners: the main executable, resources\app.asar and the helper executables), one
// "<application name> (PID <pid>)" a line; '' when it names none or could not be asked (the log
// says which).
function ProcsweepHolders(): String;
var
  Text, Line, Pid: String;
  P: Integer;
begin
  Result := '';
  if RunProcsweep('legacy-owners') <> ProcsweepSuccess then
    Exit;
  Text := ReadProcsweepLog();
  while Text <> '' do
  begin
    P := Pos(#13#10, Text);
    if P = 0 then
      P := Length(Text) + 1;
    Line := Copy(Text, 1, P - 1);
    Delete(Text, 1, P + 1);
    // "restart-manager-owner pid=<pid> win32-error=0 <application name>"
    if Copy(Line, 1, 26) = 'restart-manager-owner pid=' then
    begin
      Delete(Line, 1, 26);
      P := Pos(' ', Line);
      Pid := Copy(Line, 1, P - 1);
      Delete(Line, 1, P);
      Delete(Line, 1, Pos(' ', Line));
      if Result <> '' then
        Result := Result + #13#10;
      Result := Result + Line + ' (PID ' + Pid + ')';
    end;
  end;
end;

// A reason why the application could not be ended, followed by the programs that hold its
// files, when any are named.
function ProcsweepWithHolders(const Reason: String): String;
var
  Holders: String;
begin
  Result := Reason;
  Holders := ProcsweepHolders();
  if Holders <> '' then
    Result := Result + #13#10#13#10 + 'These programs are using files of {#ProcsweepAppName}:'
      + #13#10 + Holders;
end;

// Leaves nothing of the installation running; otherwise returns why not, with the programs that
// hold the application's files.
function ProcsweepEndRunningApplication(Silent: Boolean): String;
var
  Code: Integer;
begin
  Result := '';
  Code := RunProcsweep('probe');
  if Code = ProcsweepMainRunning then
    // Ask it to close the way a user would, then give it up to ten seconds.
    Code := ProcsweepCloseAndWait(ProcsweepCloseTimeoutMs);
  if Code = ProcsweepMainRunning then
  begin
    if Silent or (SuppressibleMsgBox(
        '{#ProcsweepAppName} is still running. End it now? Unsaved work in it is lost.',
        mbConfirmation, MB_OKCANCEL, IDOK) = IDOK) then
      Code := RunProcsweep('force')
    else
    begin
      Result := ProcsweepWithHolders(
        '{#ProcsweepAppName} is still running. Close it and start again.');
      Exit;
    end;
  end
  else if Code = ProcsweepHelpersRunning then
    // Only helper processes are left, such as a media conversion the application started.
    Code := RunProcsweep('clean');
  if Code <> ProcsweepSuccess then
    Result := ProcsweepWithHolders(
      Format('{#ProcsweepAppName} could not be ended (procsweep exit code %d).', [Code]));
end;
