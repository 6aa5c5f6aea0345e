; An Inno Setup 6 script whose setup and uninstaller make sure nothing of the installed
; application runs before they replace or remove its files: they ask the application to close,
; wait for it, end it when the user agrees (or at once in a silent run), and end left-over helper
; processes. What procsweep.exe reports goes into the setup log and the uninstall log.
;
; Beside this script: procsweep.exe, and the application's files in a folder "app" (as
; electron-builder lays them out in win-unpacked). Build with:  ISCC.exe example.iss
;
; Exit codes: setup 0 installed, 2 or 5 cancelled by the user, 7 nothing written: the
; application could not be ended (the reason is in the setup log); uninstaller 0 removed,
; 1 nothing removed: the application could not be ended (the reason is in the uninstall log).
#define AppName "Example App"
#define MainExe "Example App.exe"

[Setup]
AppName={#AppName}
AppVersion=1.0
DefaultDirName={localappdata}\Programs\{#AppName}
PrivilegesRequired=lowest
OutputBaseFilename=example-app-setup
; procsweep.exe ends the application's processes itself; Inno's own Restart Manager page would
; only ask the user a second time.
CloseApplications=no
; Log() writes only into a log that is on: %TEMP%\Setup Log <date> #<n>.txt and
; %TEMP%\Uninstall Log <date> #<n>.txt, or the file named by /LOG=<file>.
SetupLogging=yes
UninstallLogging=yes

[Files]
; The uninstaller runs the installed copy: an uninstaller carries no files of its own.
Source: "procsweep.exe"; DestDir: "{app}\resources"; Flags: ignoreversion
Source: "app\*"; DestDir: "{app}"; Flags: ignoreversion recursesubdirs createallsubdirs

[Code]
const
  ProcsweepSuccess = 0;
  ProcsweepMainRunning = 10;
  ProcsweepHelpersRunning = 11;
  // How long the application gets to close by itself.
  CloseTimeoutMs = 10000;

var
  ProcsweepExe: String;
  ProcsweepLog: String;

function GetTickCount(): Cardinal;
  external 'GetTickCount@kernel32.dll stdcall';

// Copies Count bytes. A String argument reaches an external function as a pointer to its own
// characters, so the copy fills the string in place.
procedure MoveMemory(Destination: String; Source: AnsiString; Count: Cardinal);
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
  MoveMemory(Result, Bytes, Count * 2);
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
  Params := Mode + ' "' + Dir + '" "{#MainExe}"';
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
function CloseAndWait(TimeoutMs: Cardinal): Integer;
var
  Start, Elapsed: Cardinal;
begin
  RunProcsweep('close');
  Start := GetTickCount();
  repeat
    Elapsed := GetTickCount() - Start;
    if Elapsed < TimeoutMs then
    begin
      if TimeoutMs - Elapsed > 500 then
        Sleep(500)
      else
        Sleep(TimeoutMs - Elapsed);
    end;
    Result := RunProcsweep('probe');
  until (Result <> ProcsweepMainRunning) or (GetTickCount() - Start >= TimeoutMs);
end;

// Leaves nothing of the installation running; otherwise returns why not.
function EndRunningApplication(Silent: Boolean): String;
var
  Code: Integer;
begin
  Result := '';
  Code := RunProcsweep('probe');
  if Code = ProcsweepMainRunning then
    // Ask it to close the way a user would, then give it up to ten seconds.
    Code := CloseAndWait(CloseTimeoutMs);
  if Code = ProcsweepMainRunning then
  begin
    if Silent or (SuppressibleMsgBox(
        '{#AppName} is still running. End it now? Unsaved work in it is lost.',
        mbConfirmation, MB_OKCANCEL, IDOK) = IDOK) then
      Code := RunProcsweep('force')
    else
    begin
      Result := '{#AppName} is still running. Close it and start again.';
      Exit;
    end;
  end
  else if Code = ProcsweepHelpersRunning then
    // Only helper processes are left, such as a media conversion the application started.
    Code := RunProcsweep('clean');
  if Code <> ProcsweepSuccess then
    Result := Format('{#AppName} could not be ended (procsweep exit code %d).', [Code]);
end;

function PrepareToInstall(var NeedsRestart: Boolean): String;
begin
  ExtractTemporaryFile('procsweep.exe');
  ProcsweepExe := ExpandConstant('{tmp}\procsweep.exe');
  ProcsweepLog := ExpandConstant('{tmp}\procsweep.log');
  Result := EndRunningApplication(WizardSilent());
  if Result <> '' then
    Log(Result + ' Nothing was changed.');
end;

function InitializeUninstall(): Boolean;
var
  Reason: String;
begin
  ProcsweepExe := ExpandConstant('{app}\resources\procsweep.exe');
  ProcsweepLog := ExpandConstant('{tmp}\procsweep.log');
  // An installation that lost the tool can still be removed; files in use are then left
  // for Inno's own handling.
  if not FileExists(ProcsweepExe) then
  begin
    Log(ProcsweepExe + ' is missing: running processes were not looked for.');
    Result := True;
    Exit;
  end;
  Reason := EndRunningApplication(UninstallSilent());
  Result := Reason = '';
  if not Result then
  begin
    Log(Reason + ' Nothing was removed.');
    if not UninstallSilent() then
      MsgBox(Reason, mbError, MB_OK);
  end;
end;
