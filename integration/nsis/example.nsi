; An installer, and its uninstaller, that make sure nothing of the installed application runs
; before they replace or remove its files: they ask the application to close, wait for it, end
; it when the user agrees (or at once in a silent run), and end left-over helper processes.
;
; Beside this script: procsweep.nsh, procsweep.exe, and the application's files in a folder
; "app" (as electron-builder lays them out in win-unpacked). Build with:  makensis example.nsi
;
; Exit codes of the installer and of the uninstaller:
;   0  done: nothing of the application ran, or it was closed or ended first
;   1  cancelled by the user (NSIS)
;   2  nothing written: the application could not be ended (or PROCSWEEP_IN_USE_EXIT_CODE, when
;      defined), or procsweep.exe failed; the reason is in the report (see ProcsweepKeepReport
;      below), with the programs that hold the application's files
;   3  nothing written: the application still runs, the user chose not to end it
;
; The report: a new file "Example App setup procsweep <date>-<time>.log" ("uninstall" for the
; uninstaller) in %TEMP%, or in %WINDIR%\Temp when the installer runs elevated.
Unicode true
RequestExecutionLevel user
!include LogicLib.nsh

; These may be given on makensis's command line instead (-DPROCSWEEP_EXE=...), and so may
; PROCSWEEP_IN_USE_EXIT_CODE, the exit code when the application cannot be ended (2 unless
; defined).
!ifndef PROCSWEEP_EXE
  !define PROCSWEEP_EXE "procsweep.exe"
!endif
!ifndef PROCSWEEP_MAIN_EXE
  !define PROCSWEEP_MAIN_EXE "Example App.exe"
!endif
!include "procsweep.nsh"

Name "Example App"
OutFile "example-app-setup.exe"
InstallDir "$LOCALAPPDATA\Programs\Example App"

; The report is written in $PLUGINSDIR, a folder made for this run under a name nobody can know
; in advance: a name fixed in advance in %TEMP% could hold a link planted by any program the user
; runs, which an elevated installer would write through. ProcsweepExtract makes that folder
; first; ProcsweepKeepReport keeps a copy.
Function .onInit
  !insertmacro ProcsweepExtract "$PLUGINSDIR\procsweep.log"
FunctionEnd

Function un.onInit
  !insertmacro ProcsweepExtract "$PLUGINSDIR\procsweep.log"
FunctionEnd

; The same steps for the installer and, under "un." names, for the uninstaller ("setup" or
; "uninstall" in the report's name).
!macro EndRunningApplicationFunctions UN SIDE
  ; Writes an event of the last run into the log shown on the details page.
  Function ${UN}ShowEvent
    DetailPrint "procsweep: $R1 pid=$R2 win32-error=$R3 $R4"
  FunctionEnd

  ; Leaves nothing of the installation running, or aborts with nothing written.
  Function ${UN}EndRunningApplication
    !insertmacro ProcsweepRun probe
    ${If} $ProcsweepExitCode = 10
      ; Ask it to close the way a user would, then give it up to ten seconds.
      !insertmacro ProcsweepCloseAndWait 10000
    ${EndIf}
    ${If} $ProcsweepExitCode = 10
      ; Silent runs answer IDOK: end the application without asking.
      MessageBox MB_OKCANCEL|MB_ICONEXCLAMATION \
        "Example App is still running. End it now? Unsaved work in it is lost." \
        /SD IDOK IDOK end_it
      !insertmacro ProcsweepNote "Example App still runs: the user chose not to end it."
      !insertmacro ProcsweepKeepReport "Example App ${SIDE} procsweep.log"
      SetErrorLevel 3
      Abort "Example App is still running."
      end_it:
      !insertmacro ProcsweepRun force
    ${ElseIf} $ProcsweepExitCode = 11
      ; Only helper processes are left, such as a media conversion the application started.
      !insertmacro ProcsweepRun clean
    ${EndIf}
    ; In %TEMP%, or in %WINDIR%\Temp when the installer runs elevated.
    ${If} $ProcsweepExitCode == 0
      !insertmacro ProcsweepKeepReport "Example App ${SIDE} procsweep.log"
      Return
    ${EndIf}
    !insertmacro ProcsweepForEachEvent ${UN}ShowEvent
    ; "error" (the tool could not be started) and "unsupported" are no numbers: compare as
    ; text.
    ${If} $ProcsweepExitCode == error
    ${OrIf} $ProcsweepExitCode == unsupported
      !insertmacro ProcsweepNote "procsweep.exe could not be run ($ProcsweepExitCode, error $ProcsweepError): nothing was changed."
      !insertmacro ProcsweepKeepReport "Example App ${SIDE} procsweep.log"
      Abort "Example App could not be looked for (error $ProcsweepError)."
    ${EndIf}
    ; Who holds the application's files: the application itself, or another program.
    !insertmacro ProcsweepHolders
    !insertmacro ProcsweepNote "Example App could not be ended: nothing was changed."
    !insertmacro ProcsweepKeepReport "Example App ${SIDE} procsweep.log"
    SetErrorLevel ${PROCSWEEP_IN_USE_EXIT_CODE}
    Abort "Example App could not be ended.$\r$\n$ProcsweepHolders"
  FunctionEnd
!macroend
!insertmacro EndRunningApplicationFunctions "" setup
!insertmacro EndRunningApplicationFunctions "un." uninstall

Section
  Call EndRunningApplication
  SetOutPath $INSTDIR
  File /r "app\*.*"
  WriteUninstaller "$INSTDIR\uninstall.exe"
SectionEnd

Section Uninstall
  Call un.EndRunningApplication
  Delete "$INSTDIR\${PROCSWEEP_MAIN_EXE}"
  RMDir /r "$INSTDIR\resources"
  ; ... and the application's other files.
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
SectionEnd
