; procsweep.nsh: runs procsweep.exe from an NSIS installer or uninstaller and reads its log.
; Needs a Unicode installer ("Unicode true") and LogicLib.nsh.
;
;   !define PROCSWEEP_EXE "path\to\procsweep.exe"      ; where makensis finds it
;   !define PROCSWEEP_MAIN_EXE "Example App.exe"       ; the application's main executable
;   !include "procsweep.nsh"
;
;   !insertmacro ProcsweepExtract            ; once, in .onInit or un.onInit
;   !insertmacro ProcsweepRun probe          ; $ProcsweepExitCode: 0, 2, 10 or 11 ("error" if
;                                            ; it could not be started)
;   GetFunctionAddress $R9 MyEventHandler    ; called with $R1 event, $R2 pid, $R3 win32-error,
;   Push $R9                                 ; $R4 text, once per event line of that run
;   Call ProcsweepForEachEvent
;
; The uninstaller needs the same functions under "un." names: define PROCSWEEP_UN as "un."
; before a second !include of this file, or include it once with it for an uninstaller only.

!ifndef PROCSWEEP_UN
  !define PROCSWEEP_UN ""
!endif

!ifndef PROCSWEEP_NSH_VARS
  !define PROCSWEEP_NSH_VARS
  Var ProcsweepExitCode
  Var ProcsweepLog

  ; Puts procsweep.exe into the installer's private temporary folder.
  !macro ProcsweepExtract
    InitPluginsDir
    File "/oname=$PLUGINSDIR\procsweep.exe" "${PROCSWEEP_EXE}"
    StrCpy $ProcsweepLog "$PLUGINSDIR\procsweep.log"
  !macroend

  ; Runs procsweep.exe with a mode word ("probe", "close", "clean", "force" or
  ; "legacy-owners") on $INSTDIR and PROCSWEEP_MAIN_EXE.
  !macro ProcsweepRun MODE
    Push "${MODE}"
    Call ${PROCSWEEP_UN}ProcsweepRun
  !macroend
!endif

Function ${PROCSWEEP_UN}ProcsweepRun
  Exch $0
  Push $1
  ; The tool appends to an existing log file and never creates one: start each run with an
  ; empty file, so that the log holds this run's events only.
  FileOpen $1 $ProcsweepLog w
  FileClose $1
  ; $INSTDIR never ends in a backslash except at a drive's root ("C:\"), where the backslash
  ; before the closing quote would escape it: double it there.
  StrCpy $1 $INSTDIR 1 -1
  ${If} $1 == "\"
    StrCpy $1 "$INSTDIR\"
  ${Else}
    StrCpy $1 $INSTDIR
  ${EndIf}
  nsExec::Exec '"$PLUGINSDIR\procsweep.exe" --log "$ProcsweepLog" $0 "$1" "${PROCSWEEP_MAIN_EXE}"'
  Pop $ProcsweepExitCode
  Pop $1
  Pop $0
FunctionEnd

; Splits the event line in $R0 at its first three spaces: $R1 event name, $R2 pid,
; $R3 win32-error, $R4 text (everything after the third space, spaces included). $R1 is empty
; when the line is not an event line.
Function ${PROCSWEEP_UN}ProcsweepSplitLine
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

; Calls the function whose address is on the stack once per event line of the last run's log,
; with $R1 to $R4 as ProcsweepSplitLine leaves them. It may change any register but $R8 and $R9.
Function ${PROCSWEEP_UN}ProcsweepForEachEvent
  Exch $R9
  Push $R8
  Push $R0
  ClearErrors
  FileOpen $R8 $ProcsweepLog r
  ${IfNot} ${Errors}
    ${Do}
      ClearErrors
      ; The log is UTF-16LE without a byte-order mark; each read returns one line with its
      ; line end (lines longer than NSIS_MAX_STRLEN come in pieces: use the large-strings
      ; build of NSIS for very long paths).
      FileReadUTF16LE $R8 $R0
      ${If} ${Errors}
        ${ExitDo}
      ${EndIf}
      Call ${PROCSWEEP_UN}ProcsweepSplitLine
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
