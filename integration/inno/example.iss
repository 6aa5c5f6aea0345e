; An Inno Setup 6 script whose setup and uninstaller make sure nothing of the installed
; application runs before they replace or remove its files: they ask the application to close,
; wait for it, end it when the user agrees (or at once in a silent run), and end left-over helper
; processes. What procsweep.exe reports goes into the setup log and the uninstall log.
;
; Beside this script: procsweep.iss and procsweep.exe (both from the npm package procsweep), and
; the application's files in a folder "app" (as electron-builder lays them out in win-unpacked).
; Build with:  ISCC.exe example.iss
;
; Exit codes: setup 0 installed, 2 or 5 cancelled by the user, 7 nothing written: the
; application could not be ended (the reason is in the setup log); uninstaller 0 removed,
; 1 nothing removed: the application could not be ended (the reason is in the uninstall log).
#define AppName "Example App"
; What procsweep.iss needs: the application's name, for its messages, and its main executable.
#define ProcsweepAppName AppName
#define ProcsweepMainExe "Example App.exe"

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

; The code that runs procsweep.exe: ProcsweepEndRunningApplication and what it uses.
#include "procsweep.iss"

[Code]
function PrepareToInstall(var NeedsRestart: Boolean): String;
begin
  ExtractTemporaryFile('procsweep.exe');
  ProcsweepExe := ExpandConstant('{tmp}\procsweep.exe');
  ProcsweepLog := ExpandConstant('{tmp}\procsweep.log');
  Result := ProcsweepEndRunningApplication(WizardSilent());
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
  Reason := ProcsweepEndRunningApplication(UninstallSilent());
  Result := Reason = '';
  if not Result then
  begin
    Log(Reason + ' Nothing was removed.');
    if not UninstallSilent() then
      MsgBox(Reason, mbError, MB_OK);
  end;
end;
