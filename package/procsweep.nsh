; procsweep.nsh: runs procsweep.exe from an NSIS installer and its uninstaller, and keeps what it
; reports. Needs a Unicode installer ("Unicode true"); NSIS 3.
;
;   !define PROCSWEEP_EXE "procsweep.exe"        ; where makensis finds the tool
;   !define PROCSWEEP_MAIN_EXE "Example App.exe" ; the application's main executable
;   !include "procsweep.nsh"
;
; The macros work in the installer's and in the uninstaller's functions and sections alike, in
; any order. A script may use any of them: only the code of those it uses is built in, once for
; the installer and once for the uninstaller where each is used, so makensis -WX has nothing to
; warn about (an unused function, a variable never set, uninstaller code without an uninstaller).
;
;   !insertmacro ProcsweepExtract "<report file>"  ; first, in .onInit and in un.onInit
;   !insertmacro ProcsweepRun probe                ; $ProcsweepExitCode: 0, 2, 10 or 11, or
;                                                  ; "error" when the tool could not be started
;   !insertmacro ProcsweepRunIn probe "<folder>"   ; the same, on another installation folder
;   !insertmacro ProcsweepCloseAndWait 10000       ; "close", then "probe" until the main
;                                                  ; executable has ended or 10 s have passed
;   !insertmacro ProcsweepCloseAndWaitIn 10000 "<folder>"  ; the same, on another folder
;   !insertmacro ProcsweepForEachEvent MyFunction  ; calls MyFunction (un.MyFunction in the
;                                                  ; uninstaller) once per event of the last run
;   !insertmacro ProcsweepNote "text"              ; adds a line of your own to the report
;   !insertmacro ProcsweepKeepReport "<file name>" ; a copy of the report, for after the run
;
; The report file is what a silent run (/S) leaves behind: every run of the tool as its command
; line, the tool's own event lines and "exit code N", in UTF-16LE with a byte-order mark. The
; tool writes into it directly (--log), so every path in it is exact. ProcsweepExtract creates
; it anew: an installer that runs elevated gives it a name in $PLUGINSDIR (a folder made for this
; run, under a name nobody can know in advance), never a fixed name in %TEMP%, where any program
; the user runs could have put a link in its way. ProcsweepKeepReport copies it where it stays.

!ifndef PROCSWEEP_NSH_INCLUDED
!define PROCSWEEP_NSH_INCLUDED

!include LogicLib.nsh
; CallArtificialFunction (NSIS's own, as FileFunc.nsh uses it) builds a piece of code in where it
; is first called, under "un." rules in the uninstaller, and calls it there from then on: code a
; script never calls is never built, so makensis has no unused function to warn about.
!include Util.nsh

; The variables, each declared where a macro that needs it is first used: one never used would
; be a warning.
!macro ProcsweepVariable NAME
  !ifndef PROCSWEEP_VARIABLE_${NAME}
    !define PROCSWEEP_VARIABLE_${NAME}
    Var /GLOBAL ${NAME}
  !endif
!macroend

!macro ProcsweepReportVariables
  !insertmacro ProcsweepVariable ProcsweepReport
  ; Where the last run's lines begin in the report.
  !insertmacro ProcsweepVariable ProcsweepReportOffset
!macroend

; Puts procsweep.exe into the plug-ins folder and starts a new, empty report.
!macro ProcsweepExtract REPORT
  !insertmacro ProcsweepReportVariables
  Push "${REPORT}"
  ${CallArtificialFunction} ProcsweepExtract_
!macroend

; Runs procsweep.exe with a mode word ("probe", "close", "clean", "force" or "legacy-owners") on
; an installation folder (ProcsweepRun: $INSTDIR) and PROCSWEEP_MAIN_EXE.
!macro ProcsweepRunIn MODE DIRECTORY
  !insertmacro ProcsweepReportVariables
  !insertmacro ProcsweepVariable ProcsweepExitCode
  Push "${DIRECTORY}"
  Push "${MODE}"
  ${CallArtificialFunction} ProcsweepRun_
!macroend

!macro ProcsweepRun MODE
  !insertmacro ProcsweepRunIn "${MODE}" "$INSTDIR"
!macroend

!macro ProcsweepCloseAndWaitIn TIMEOUT_MS DIRECTORY
  !insertmacro ProcsweepReportVariables
  !insertmacro ProcsweepVariable ProcsweepExitCode
  Push "${DIRECTORY}"
  Push "${TIMEOUT_MS}"
  ${CallArtificialFunction} ProcsweepCloseAndWait_
!macroend

!macro ProcsweepCloseAndWait TIMEOUT_MS
  !insertmacro ProcsweepCloseAndWaitIn "${TIMEOUT_MS}" "$INSTDIR"
!macroend

; FUNCTION is called with $R1 event name, $R2 pid, $R3 win32-error and $R4 text; it may change
; any register but $R8 and $R9.
!macro ProcsweepForEachEvent FUNCTION
  !insertmacro ProcsweepReportVariables
  Push $0
  GetFunctionAddress $0 "${FUNCTION}"
  Exch $0
  ${CallArtificialFunction} ProcsweepForEachEvent_
!macroend

!macro ProcsweepNote TEXT
  !insertmacro ProcsweepReportVariables
  Push "${TEXT}"
  ${CallArtificialFunction} ProcsweepNote_
!macroend

; Copies the report to NAME in %TEMP%, or, when the installer runs elevated, in the system's own
; temporary folder (%WINDIR%\Temp), where no other user can put a link: as a new file, or in
; place of the contents of a plain file of that name (an earlier report). Anything else at the
; name (a link, a folder) keeps no copy, and is left as it is.
!macro ProcsweepKeepReport NAME
  !insertmacro ProcsweepReportVariables
  Push "${NAME}"
  ${CallArtificialFunction} ProcsweepKeepReport_
!macroend

!macro ProcsweepExtract_
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
!macroend

!macro ProcsweepNote_
  Exch $0
  Push $1
  FileOpen $1 $ProcsweepReport a
  FileSeek $1 0 END
  FileWriteUTF16LE $1 "$0$\r$\n"
  FileClose $1
  Pop $1
  Pop $0
!macroend

!macro ProcsweepRun_
  Exch $0 ; the mode word
  Exch
  Exch $3 ; the installation folder
  Push $1
  Push $2
  ; A backslash before the closing quote would escape it: a path that ends in one gets a
  ; second. At a drive's root NSIS gives "R:", which Windows reads as the current folder of
  ; drive R, not its root.
  StrCpy $1 $3 1 -1
  ${If} $1 == ":"
    StrCpy $1 "$3\\"
  ${ElseIf} $1 == "\"
    StrCpy $1 "$3\"
  ${Else}
    StrCpy $1 $3
  ${EndIf}
  FileOpen $2 $ProcsweepReport a
  FileSeek $2 0 END $ProcsweepReportOffset
  FileWriteUTF16LE $2 `procsweep.exe $0 "$1" "${PROCSWEEP_MAIN_EXE}"$\r$\n`
  FileClose $2
  Push $4
  Push $5
  ; The tool is started and waited for directly: nsExec::Exec, which reads a program's output
  ; while it runs, cost more than the whole run of the tool (about 150 ms a run under Wine). Its
  ; output is not needed: the events are in the report. CREATE_NO_WINDOW gives it a console
  ; that shows no window. The command line goes through a register, so that nothing in a path
  ; is read as part of the call. "error" when the tool cannot be started or waited for.
  StrCpy $2 `"$PLUGINSDIR\procsweep.exe" --log "$ProcsweepReport" $0 "$1" "${PROCSWEEP_MAIN_EXE}"`
  StrCpy $ProcsweepExitCode error
  ; STARTUPINFOW, zeroed but for its size, and PROCESS_INFORMATION, as the target lays them out
  !if ${NSIS_PTR_SIZE} > 4
    System::Alloc 104
    Pop $4
    System::Call '*$4(i 104)'
    System::Alloc 24
  !else
    System::Alloc 68
    Pop $4
    System::Call '*$4(i 68)'
    System::Alloc 16
  !endif
  Pop $5
  System::Call 'kernel32::CreateProcessW(p 0, w r2, p 0, p 0, i 0, i 0x08000000, p 0, p 0, p r4, p r5) i .r2'
  ${If} $2 <> 0
    System::Call '*$5(p .r2, p .r3)'
    System::Call 'kernel32::CloseHandle(p r3)'
    System::Call 'kernel32::WaitForSingleObject(p r2, i -1) i .r3'
    ${If} $3 = 0 ; WAIT_OBJECT_0
      System::Call 'kernel32::GetExitCodeProcess(p r2, *i .r3) i .r1'
      ${If} $1 <> 0
        StrCpy $ProcsweepExitCode $3
      ${EndIf}
    ${EndIf}
    System::Call 'kernel32::CloseHandle(p r2)'
  ${EndIf}
  System::Free $4
  System::Free $5
  Pop $5
  Pop $4
  Push "exit code $ProcsweepExitCode"
  ${CallArtificialFunction} ProcsweepNote_
  Pop $2
  Pop $1
  Pop $3
  Pop $0
!macroend

!macro ProcsweepKeepReport_
  Exch $0
  Push $1
  Push $2
  Push $3
  Push $4
  ; An elevated process must not write where the user's own programs may have prepared the
  ; name. Not knowing counts as elevated.
  StrCpy $1 1
  System::Call 'advapi32::OpenProcessToken(p -1, i 8, *p .r2) i .r3' ; TOKEN_QUERY
  ${If} $3 <> 0
    ; TokenElevation: TokenIsElevated
    System::Call 'advapi32::GetTokenInformation(p r2, i 20, *i 1 r1, i 4, *i .r4) i .r3'
    ${If} $3 = 0
      StrCpy $1 1
    ${EndIf}
    System::Call 'kernel32::CloseHandle(p r2)'
  ${EndIf}
  StrCpy $4 $0 ; the file's name
  ${If} $1 <> 0
    StrCpy $0 "$WINDIR\Temp\$0"
  ${Else}
    StrCpy $0 "$TEMP\$0"
  ${EndIf}
  ; Nothing at the name is removed, moved or followed: the copy is a new file, or it replaces
  ; the contents of a plain file that is there under that very name (an earlier report). A
  ; link, a second name of another file, a folder, or a file the name only leads to (a link
  ; that the system follows without saying so, as Wine does) keeps no copy, and nothing else
  ; changes. GENERIC_WRITE, no sharing, CREATE_NEW.
  System::Call 'kernel32::CreateFileW(w r0, i 0x40000000, i 0, p 0, i 1, i 0x80, p 0) p .r1 ?e'
  Pop $2
  ${If} $1 = -1
  ${AndIf} $2 = 80 ; ERROR_FILE_EXISTS
    ; GENERIC_WRITE, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT: a link itself, not its target.
    System::Call 'kernel32::CreateFileW(w r0, i 0x40000000, i 0, p 0, i 3, i 0x00200000, p 0) p .r1'
    ${If} $1 <> -1
      Push $1
      ${CallArtificialFunction} ProcsweepIsPlainFileNamed_
      Pop $2
      ${If} $2 != yes
        System::Call 'kernel32::CloseHandle(p r1)'
        StrCpy $1 -1
      ${Else}
        System::Call 'kernel32::SetEndOfFile(p r1)'
      ${EndIf}
    ${EndIf}
  ${EndIf}
  ${If} $1 <> -1
    ; The report's bytes, as they are (UTF-16 units).
    ClearErrors
    FileOpen $2 $ProcsweepReport r
    ${IfNot} ${Errors}
      ${Do}
        ClearErrors
        FileReadWord $2 $3
        ${If} ${Errors}
          ${ExitDo}
        ${EndIf}
        FileWriteWord $1 $3
      ${Loop}
      FileClose $2
    ${EndIf}
    System::Call 'kernel32::CloseHandle(p r1)'
  ${EndIf}
  Pop $4
  Pop $3
  Pop $2
  Pop $1
  Pop $0
!macroend

; "yes" when the open file on the stack is a plain file with no other name, whose final path
; ends in the name in $4.
!macro ProcsweepIsPlainFileNamed_
  Exch $0
  Push $1
  Push $2
  Push $3
  Push $5
  StrCpy $3 no
  ; BY_HANDLE_FILE_INFORMATION: its attributes (first) and number of links (eleventh).
  System::Call '*(i, i, i, i, i, i, i, i, i, i, i, i, i) p .r1'
  System::Call 'kernel32::GetFileInformationByHandle(p r0, p r1) i .r2'
  ${If} $2 <> 0
    System::Call '*$1(i .r2, i, i, i, i, i, i, i, i, i, i .r5)'
    ; FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT
    IntOp $2 $2 & 0x410
    ${If} $2 = 0
    ${AndIf} $5 = 1
      StrCpy $3 maybe
    ${EndIf}
  ${EndIf}
  System::Free $1
  ${If} $3 == maybe
    StrCpy $3 no
    ; FILE_NAME_NORMALIZED | VOLUME_NAME_DOS
    System::Call 'kernel32::GetFinalPathNameByHandleW(p r0, w .r1, i ${NSIS_MAX_STRLEN}, i 0) i .r2'
    ${If} $2 > 0
      StrLen $2 "\$4"
      IntOp $2 0 - $2
      StrCpy $1 $1 "" $2
      ${If} $1 == "\$4"
        StrCpy $3 yes
      ${EndIf}
    ${EndIf}
  ${EndIf}
  StrCpy $0 $3
  Pop $5
  Pop $3
  Pop $2
  Pop $1
  Exch $0
!macroend

!macro ProcsweepCloseAndWait_
  Exch $0 ; how long to wait, in milliseconds
  Exch
  Exch $3 ; the installation folder
  Push $1
  Push $2
  Push $3
  Push close
  ${CallArtificialFunction} ProcsweepRun_
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
    Push $3
    Push probe
    ${CallArtificialFunction} ProcsweepRun_
    ${If} $ProcsweepExitCode != 10
      ${ExitDo}
    ${EndIf}
    System::Call "kernel32::GetTickCount() i .r2"
    IntOp $2 $2 - $1
  ${LoopUntil} $2 >= $0
  Pop $2
  Pop $1
  Pop $3
  Pop $0
!macroend

; Splits the event line in $R0 at its first three spaces: $R1 event name, $R2 pid,
; $R3 win32-error, $R4 text (everything after the third space, spaces included). $R1 is empty
; when the line is not an event line.
!macro ProcsweepSplitLine_
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
!macroend

!macro ProcsweepForEachEvent_
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
      ${CallArtificialFunction} ProcsweepSplitLine_
      ${If} $R1 != ""
        Call $R9
      ${EndIf}
    ${Loop}
    FileClose $R8
  ${EndIf}
  Pop $R0
  Pop $R8
  Pop $R9
!macroend

!endif
