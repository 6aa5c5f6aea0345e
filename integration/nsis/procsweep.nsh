; procsweep.nsh: runs procsweep.exe from an NSIS installer and its uninstaller, and keeps what it
; reports. Needs a Unicode installer ("Unicode true"); NSIS 3.
;
;   !define PROCSWEEP_EXE "procsweep.exe"        ; where makensis finds the tool
;   !define PROCSWEEP_MAIN_EXE "Example App.exe" ; the application's main executable
;   !include "procsweep.nsh"
;
; One !include serves the installer and the uninstaller: every function below exists twice, once
; under an "un." name, and each macro calls the one that belongs to the function or section it
; is inserted in. So the installer's and the uninstaller's code may come in any order.
;
;   !insertmacro ProcsweepExtract "<report file>"  ; first, in .onInit and in un.onInit
;   !insertmacro ProcsweepRun probe                ; $ProcsweepExitCode: 0, 2, 10 or 11, or
;                                                  ; "error" when the tool could not be started
;   !insertmacro ProcsweepCloseAndWait 10000       ; "close", then "probe" until the main
;                                                  ; executable has ended or 10 s have passed
;   !insertmacro ProcsweepForEachEvent MyFunction  ; calls MyFunction (un.MyFunction in the
;                                                  ; uninstaller) once per event of the last run
;   !insertmacro ProcsweepNote "text"              ; adds a line of your own to the report
;
; makensis leaves out the functions a script never calls, with a warning (6010). An installer
; without an uninstaller defines PROCSWEEP_INSTALLER_ONLY before the !include: else makensis
; warns that there is uninstaller code but no uninstaller (6020).
;
; The report file is what a silent run (/S) leaves behind: every run of the tool as its command
; line, the tool's own event lines and "exit code N", in UTF-16LE with a byte-order mark. The
; tool writes into it directly (--log), so every path in it is exact.

!ifndef PROCSWEEP_NSH_INCLUDED
!define PROCSWEEP_NSH_INCLUDED

!include LogicLib.nsh

Var ProcsweepExitCode
Var ProcsweepReport
; Where the last run's lines begin in the report.
Var ProcsweepReportOffset

!macro ProcsweepCall NAME
  !ifdef __UNINSTALL__
    Call un.${NAME}
  !else
    Call ${NAME}
  !endif
!macroend

; Puts procsweep.exe into the plug-ins folder and starts a new, empty report.
!macro ProcsweepExtract REPORT
  Push "${REPORT}"
  !insertmacro ProcsweepCall ProcsweepExtract
!macroend

; Runs procsweep.exe with a mode word ("probe", "close", "clean", "force" or "legacy-owners") on
; $INSTDIR and PROCSWEEP_MAIN_EXE.
!macro ProcsweepRun MODE
  Push "${MODE}"
  !insertmacro ProcsweepCall ProcsweepRun
!macroend

!macro ProcsweepCloseAndWait TIMEOUT_MS
  Push "${TIMEOUT_MS}"
  !insertmacro ProcsweepCall ProcsweepCloseAndWait
!macroend

; FUNCTION is called with $R1 event name, $R2 pid, $R3 win32-error and $R4 text; it may change
; any register but $R8 and $R9.
!macro ProcsweepForEachEvent FUNCTION
  Push $0
  GetFunctionAddress $0 "${FUNCTION}"
  Exch $0
  !insertmacro ProcsweepCall ProcsweepForEachEvent
!macroend

!macro ProcsweepNote TEXT
  Push "${TEXT}"
  !insertmacro ProcsweepCall ProcsweepNote
!macroend

!macro ProcsweepFunctions UN

Function ${UN}ProcsweepExtract
  Exch $0
  Push $1
  InitPluginsDir
  File "/oname=$PLUGINSDIR\procsweep.exe" "${PROCSWEEP_EXE}"
  StrCpy $ProcsweepReport $0
  ; The tool appends to its log file but never creates one.
  FileOpen $1 $ProcsweepReport w
  FileWriteUTF16LE /BOM $1 ""
  FileClose $1
  StrCpy $ProcsweepReportOffset 0
  Pop $1
  Pop $0
FunctionEnd

Function ${UN}ProcsweepNote
  Exch $0
  Push $1
  FileOpen $1 $ProcsweepReport a
  FileSeek $1 0 END
  FileWriteUTF16LE $1 "$0$\r$\n"
  FileClose $1
  Pop $1
  Pop $0
FunctionEnd

Function ${UN}ProcsweepRun
  Exch $0
  Push $1
  Push $2
  ; $INSTDIR never ends in a backslash except at a drive's root ("C:\"), where the backslash
  ; before the closing quote would escape it: double it there.
  StrCpy $1 $INSTDIR 1 -1
  ${If} $1 == "\"
    StrCpy $1 "$INSTDIR\"
  ${Else}
    StrCpy $1 $INSTDIR
  ${EndIf}
  FileOpen $2 $ProcsweepReport a
  FileSeek $2 0 END $ProcsweepReportOffset
  FileWriteUTF16LE $2 `procsweep.exe $0 "$1" "${PROCSWEEP_MAIN_EXE}"$\r$\n`
  FileClose $2
  nsExec::Exec `"$PLUGINSDIR\procsweep.exe" --log "$ProcsweepReport" $0 "$1" "${PROCSWEEP_MAIN_EXE}"`
  Pop $ProcsweepExitCode
  Push "exit code $ProcsweepExitCode"
  Call ${UN}ProcsweepNote
  Pop $2
  Pop $1
  Pop $0
FunctionEnd

Function ${UN}ProcsweepCloseAndWait
  Exch $0 ; how long to wait, in milliseconds
  Push $1
  Push $2
  Push close
  Call ${UN}ProcsweepRun
  ; A deadline on the system's clock, not a count of turns: each look takes a while itself (a
  ; process start, half a second and more on a busy machine).
  System::Call "kernel32::GetTickCount() i .r1"
  ${Do}
    System::Call "kernel32::GetTickCount() i .r2"
    IntOp $2 $2 - $1
    IntOp $2 $0 - $2
    ${If} $2 > 500
      StrCpy $2 500
    ${EndIf}
    ${If} $2 > 0
      Sleep $2
    ${EndIf}
    Push probe
    Call ${UN}ProcsweepRun
    ${If} $ProcsweepExitCode != 10
      ${ExitDo}
    ${EndIf}
    System::Call "kernel32::GetTickCount() i .r2"
    IntOp $2 $2 - $1
  ${LoopUntil} $2 >= $0
  Pop $2
  Pop $1
  Pop $0
FunctionEnd

; Splits the event line in $R0 at its first three spaces: $R1 event name, $R2 pid,
; $R3 win32-error, $R4 text (everything after the third space, spaces included). $R1 is empty
; when the line is not an event line.
Function ${UN}ProcsweepSplitLine
  Push $R5
  Push $R6
  Push $R7
  StrCpy $R1 ""
  StrCpy $R2 ""
  StrCpy $R3 ""
  StrCpy $R4 ""
  StrCpy $R5 $R0 2 -2
  ${If} $R5 == "$\r$\n"
    StrCpy $R0 $R0 -2
  ${EndIf}
  StrCpy $R5 0 ; position in the line
  StrCpy $R6 0 ; where the current field starts
  StrCpy $R7 0 ; spaces found
  ${Do}
    StrCpy $R4 $R0 1 $R5
    ${If} $R4 == ""
      ${ExitDo}
    ${EndIf}
    ${If} $R4 == " "
      IntOp $R4 $R5 - $R6
      ${If} $R7 = 0
        StrCpy $R1 $R0 $R4 $R6
      ${ElseIf} $R7 = 1
        StrCpy $R2 $R0 $R4 $R6
      ${Else}
        StrCpy $R3 $R0 $R4 $R6
      ${EndIf}
      IntOp $R7 $R7 + 1
      IntOp $R6 $R5 + 1
      ${If} $R7 = 3
        ${ExitDo}
      ${EndIf}
    ${EndIf}
    IntOp $R5 $R5 + 1
  ${Loop}
  ; The text: everything after the third space.
  StrCpy $R4 $R0 "" $R6
  StrCpy $R5 $R2 4
  StrCpy $R6 $R3 12
  ${If} $R7 = 3
  ${AndIf} $R5 == "pid="
  ${AndIf} $R6 == "win32-error="
    StrCpy $R2 $R2 "" 4
    StrCpy $R3 $R3 "" 12
  ${Else}
    StrCpy $R1 ""
    StrCpy $R2 ""
    StrCpy $R3 ""
    StrCpy $R4 ""
  ${EndIf}
  Pop $R7
  Pop $R6
  Pop $R5
FunctionEnd

Function ${UN}ProcsweepForEachEvent
  Exch $R9
  Push $R8
  Push $R0
  ClearErrors
  FileOpen $R8 $ProcsweepReport r
  ${IfNot} ${Errors}
    FileSeek $R8 $ProcsweepReportOffset SET
    ${Do}
      ClearErrors
      ; One line per read, line end included (lines longer than NSIS_MAX_STRLEN come in
      ; pieces: use the large-strings build of NSIS for very long paths). The report's own
      ; lines are not event lines and are passed over.
      FileReadUTF16LE $R8 $R0
      ${If} ${Errors}
        ${ExitDo}
      ${EndIf}
      Call ${UN}ProcsweepSplitLine
      ${If} $R1 != ""
        Call $R9
      ${EndIf}
    ${Loop}
    FileClose $R8
  ${EndIf}
  Pop $R0
  Pop $R8
  Pop $R9
FunctionEnd

!macroend

!insertmacro ProcsweepFunctions ""
!ifndef PROCSWEEP_INSTALLER_ONLY
  !insertmacro ProcsweepFunctions "un."
!endif

!endif
