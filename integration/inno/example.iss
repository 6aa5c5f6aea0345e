; An Inno Setup 6 script that makes sure nothing of the installed application runs before it
; replaces its files: it asks the application to close, waits for it, ends it when the user
; agrees (or at once in a silent install), and ends left-over helper processes.
; Put procsweep.exe beside this script.
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

[Files]
Source: "procsweep.exe"; Flags: dontcopy
; The application's files would be listed here.

[Code]
const
  ProcsweepSuccess = 0;
  ProcsweepFailure = 2;
  ProcsweepMainRunning = 10;
  ProcsweepHelpersRunning = 11;

// Copies the log's bytes, UTF-16LE, into a string as they are.
procedure CopyUtf16Bytes(Dest: String; Source: AnsiString; Bytes: Cardinal);
  external 'RtlMoveMemory@kernel32.dll stdcall';

var
  ProcsweepLog: String;

// Runs procsweep.exe with a mode word on the installation directory; returns its exit code,
// or -1 when it could not be started.
function RunProcsweep(const Mode: String): Integer;
var
  Dir: String;
begin
  // The tool appends to an existing log file and never creates one: start each run with an
  // empty file, so that the log holds this run's events only.
  SaveStringToFile(ProcsweepLog, '', False);
  Dir := ExpandConstant('{app}');
  // A backslash before the closing quote (a drive's root, "C:\") would escape it.
  if Copy(Dir, Length(Dir), 1) = '\' then
    Dir := Dir + '\';
  if not Exec(ExpandConstant('{tmp}\procsweep.exe'),
      '--log "' + ProcsweepLog + '" ' + Mode + ' "' + Dir + '" "{#MainExe}"',
      '', SW_HIDE, ewWaitUntilTerminated, Result) then
    Result := -1;
end;

// The text of the log: UTF-16LE without a byte-order mark.
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
  CopyUtf16Bytes(Result, Bytes, Count * 2);
end;

// Splits an event line at its first three spaces; False when it is not an event line.
function SplitEventLine(Line: String; var EventName, Pid, Win32Error, Text: String): Boolean;
var
  P: Integer;
begin
  Result := False;
  P := Pos(' ', Line);
  if P = 0 then Exit;
  EventName := Copy(Line, 1, P - 1);
  Delete(Line, 1, P);
  P := Pos(' ', Line);
  if P = 0 then Exit;
  Pid := Copy(Line, 1, P - 1);
  Delete(Line, 1, P);
  P := Pos(' ', Line);
  if P = 0 then Exit;
  Win32Error := Copy(Line, 1, P - 1);
  Delete(Line, 1, P);
  Text := Line;
  if (Copy(Pid, 1, 4) <> 'pid=') or (Copy(Win32Error, 1, 12) <> 'win32-error=') then
    Exit;
  Pid := Copy(Pid, 5, Length(Pid));
  Win32Error := Copy(Win32Error, 13, Length(Win32Error));
  Result := True;
end;

// Writes the events of the last run into the setup log (/LOG).
procedure LogProcsweepEvents();
var
  Text, Line, EventName, Pid, Win32Error, EventText: String;
  P: Integer;
begin
  Text := ReadProcsweepLog();
  while Text <> '' do
  begin
    P := Pos(#13#10, Text);
    if P = 0 then
      P := Length(Text) + 1;
    Line := Copy(Text, 1, P - 1);
    Delete(Text, 1, P + 1);
    if SplitEventLine(Line, EventName, Pid, Win32Error, EventText) then
      Log(Format('procsweep: %s pid=%s win32-error=%s %s',
        [EventName, Pid, Win32Error, EventText]));
  end;
end;

// Leaves nothing of the installation running, or stops the installation with a message.
function PrepareToInstall(var NeedsRestart: Boolean): String;
var
  Code, Tries: Integer;
begin
  Result := '';
  ExtractTemporaryFile('procsweep.exe');
  ProcsweepLog := ExpandConstant('{tmp}\procsweep.log');
  Code := RunProcsweep('probe');
  if Code = ProcsweepMainRunning then
  begin
    // Ask it to close the way a user would, then give it up to ten seconds.
    RunProcsweep('close');
    Tries := 0;
    repeat
      Sleep(500);
      Code := RunProcsweep('probe');
      Tries := Tries + 1;
    until (Code <> ProcsweepMainRunning) or (Tries >= 20);
  end;
  if Code = ProcsweepMainRunning then
  begin
    if WizardSilent() or (SuppressibleMsgBox(
        '{#AppName} is still running. End it now? Unsaved work in it is lost.',
        mbConfirmation, MB_OKCANCEL, IDOK) = IDOK) then
      Code := RunProcsweep('force')
    else
    begin
      Result := '{#AppName} is still running. Close it and start the installation again.';
      Exit;
    end;
  end
  else if Code = ProcsweepHelpersRunning then
    // Only helper processes are left, such as a media conversion the application started.
    Code := RunProcsweep('clean');
  if Code <> ProcsweepSuccess then
  begin
    LogProcsweepEvents();
    Result := Format('{#AppName} could not be ended (procsweep exit code %d).', [Code]);
  end;
end;
