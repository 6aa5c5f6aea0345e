; An installer that makes sure nothing of the installed application runs before it replaces
; its files: it asks the application to close, waits for it, ends it when the user agrees (or
; at once in silent mode), and ends left-over helper processes.
;
;   makensis -DPROCSWEEP_EXE=path\to\procsweep.exe example.nsi
Unicode true
RequestExecutionLevel user
!include LogicLib.nsh

!ifndef PROCSWEEP_EXE
  !define PROCSWEEP_EXE "procsweep.exe"
!endif
!define PROCSWEEP_MAIN_EXE "Example App.exe"
!include "procsweep.nsh"

Name "Example App"
OutFile "example-app-setup.exe"
InstallDir "$LOCALAPPDATA\Programs\Example App"

Function .onInit
  !insertmacro ProcsweepExtract
FunctionEnd

; Writes each event of the last run into the installation log shown on the details page.
Function ShowEvent
  DetailPrint "procsweep: $R1 pid=$R2 win32-error=$R3 $R4"
FunctionEnd

Function ShowEvents
  GetFunctionAddress $R9 ShowEvent
  Push $R9
  Call ProcsweepForEachEvent
FunctionEnd

; Leaves nothing of the installation running, or aborts the installation.
Function EndRunningApplication
  Push $0
  !insertmacro ProcsweepRun probe
  ${If} $ProcsweepExitCode = 10
    ; Ask it to close the way a user would, then give it up to ten seconds.
    !insertmacro ProcsweepRun close
    StrCpy $0 0
    ${Do}
      ${If} $0 >= 20
        ${ExitDo}
      ${EndIf}
      Sleep 500
      !insertmacro ProcsweepRun probe
      IntOp $0 $0 + 1
    ${LoopWhile} $ProcsweepExitCode = 10
  ${EndIf}
  ${If} $ProcsweepExitCode = 10
    ; Silent installs answer IDOK: end the application without asking.
    MessageBox MB_OKCANCEL|MB_ICONEXCLAMATION \
      "Example App is still running. End it now? Unsaved work in it is lost." \
      /SD IDOK IDOK end_it
    Abort "Example App is still running."
    end_it:
    !insertmacro ProcsweepRun force
  ${ElseIf} $ProcsweepExitCode = 11
    ; Only helper processes are left, such as a media conversion the application started.
    !insertmacro ProcsweepRun clean
  ${EndIf}
  ${If} $ProcsweepExitCode != 0
    Call ShowEvents
    Abort "Example App could not be ended (procsweep exit code $ProcsweepExitCode)."
  ${EndIf}
  Pop $0
FunctionEnd

Section
  Call EndRunningApplication
  SetOutPath $INSTDIR
  ; The application's files would be installed here.
  FileOpen $0 "$INSTDIR\installed.txt" w
  FileWrite $0 "installed"
  FileClose $0
SectionEnd
