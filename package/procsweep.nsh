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
;   !insertmacro ProcsweepRun probe                ; $ProcsweepExitCode: 0, 2, 10 or 11;
;                                                  ; "unsupported" when this Windows cannot run
;                                                  ; an x64 program (32-bit Windows, Windows 10
;                                                  ; on ARM); "error" when the tool could not be
;                                                  ; started or waited for otherwise, with
;                                                  ; $ProcsweepError the Win32 error (0 when the
;                                                  ; tool ran; 1260 where policy blocks it)
;   !insertmacro ProcsweepRunIn probe "<folder>"   ; the same, on another installation folder
;   !insertmacro ProcsweepCloseAndWait 10000       ; "close", then "probe" until the main
;                                                  ; executable has ended or 10 s have passed
;   !insertmacro ProcsweepCloseAndWaitIn 10000 "<folder>"  ; the same, on another folder
;   !insertmacro ProcsweepForEachEvent MyFunction  ; calls MyFunction (un.MyFunction in the
;                                                  ; uninstaller) once per event of the last run;
;                                                  ; every register is as it was afterwards
;   !insertmacro ProcsweepHolders                  ; $ProcsweepHolders: the programs that hold
;                                                  ; the installation's files, a line each
;                                                  ; ("Name (PID 1234)"), for a message
;   !insertmacro ProcsweepHoldersIn "<folder>"     ; the same, on another installation folder
;   !insertmacro ProcsweepNote "text"              ; adds a line of your own to the report
;   !insertmacro ProcsweepKeepReport "<file name>" ; a copy of the report, for after the run,
;                                                  ; as a new file named with the run's time
;
; The report file is what a silent run (/S) leaves behind: every run of the tool as its command
; line, the tool's own event lines and "exit code N", in UTF-16LE with a byte-order mark. The
; tool writes into it directly (--log), so every path in it is exact. ProcsweepExtract creates
; it anew: an installer that runs elevated gives it a name in $PLUGINSDIR (a folder NSIS makes anew
; for this run in the installer's own %TEMP%), never a fixed name in %TEMP%, where any program
; the user runs could have put a link in its way. ProcsweepKeepReport copies it where it stays.
;
; Every macro keeps $0-$9 and $R0-$R9 as they were, but the variables it sets.

!ifndef PROCSWEEP_NSH_INCLUDED
!define PROCSWEEP_NSH_INCLUDED

!include LogicLib.nsh

; The exit code a script gives a run it stops because the application, or its files, are in
; use: 2 unless the script defines another first (1618, "another installation is in progress",
; is one that Intune and Configuration Manager retry by themselves).
!define /ifndef PROCSWEEP_IN_USE_EXIT_CODE 2

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
  ; Before the name is read: "$PLUGINSDIR\..." before the folder exists is "\...", the root of
  ; the current drive.
  InitPluginsDir
  Push "${REPORT}"
  ${CallArtificialFunction} ProcsweepExtract_
!macroend

; Runs procsweep.exe with a mode word ("probe", "close", "clean", "force" or "legacy-owners") on
; an installation folder (ProcsweepRun: $INSTDIR) and PROCSWEEP_MAIN_EXE.
!macro ProcsweepRunIn MODE DIRECTORY
  !insertmacro ProcsweepReportVariables
  !insertmacro ProcsweepVariable ProcsweepExitCode
  !insertmacro ProcsweepVariable ProcsweepError
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
  !insertmacro ProcsweepVariable ProcsweepError
  Push "${DIRECTORY}"
  Push "${TIMEOUT_MS}"
  ${CallArtificialFunction} ProcsweepCloseAndWait_
!macroend

!macro ProcsweepCloseAndWait TIMEOUT_MS
  !insertmacro ProcsweepCloseAndWaitIn "${TIMEOUT_MS}" "$INSTDIR"
!macroend

; FUNCTION is called with $R1 event name, $R2 pid, $R3 win32-error and $R4 text; it may change
; any register but $R8 and $R9. $R0-$R4 are given back as they were before the macro.
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

; Runs "legacy-owners" on an installation folder (ProcsweepHolders: $INSTDIR) and leaves in
; $ProcsweepHolders the programs the Restart Manager names as holding its files (the main
; executable, resources\app.asar and the helper executables), one "<application name> (PID
; <pid>)" a line, CR LF between them. "" when it names none, and when it could not be asked: the
; report tells those apart ("restart-manager-query-failed", or $ProcsweepExitCode other than 0).
!macro ProcsweepHoldersIn DIRECTORY
  !insertmacro ProcsweepReportVariables
  !insertmacro ProcsweepVariable ProcsweepExitCode
  !insertmacro ProcsweepVariable ProcsweepError
  !insertmacro ProcsweepVariable ProcsweepHolders
  Push "${DIRECTORY}"
  ${CallArtificialFunction} ProcsweepHolders_
!macroend

!macro ProcsweepHolders
  !insertmacro ProcsweepHoldersIn "$INSTDIR"
!macroend

; Copies the report to %TEMP%, or, when the installer runs elevated, to the system's own
; temporary folder (%WINDIR%\Temp), as a new file: NAME with the local date and time of the
; run's first copy before its extension ("App setup procsweep.log" becomes "App setup procsweep
; 20261211-093015.log"; " 2" to " 9" after the time for more runs in the same second). Later
; copies in the same run replace that file's contents through the handle the first one opened.
; Nothing that is already there is ever opened: a file, a link or a folder at that name (which a
; standard user can make in %WINDIR%\Temp) is passed over; when every one of them is taken, the
; copy gets a name nobody can guess (16 random hexadecimal digits after the time). When no copy
; could be made, the installer's details say so.
!macro ProcsweepKeepReport NAME
  !insertmacro ProcsweepReportVariables
  ; The kept file's handle, open for the rest of the run ("" before the first copy, -1 when
  ; none could be made), and the name it was made for.
  !insertmacro ProcsweepVariable ProcsweepKept
  !insertmacro ProcsweepVariable ProcsweepKeptName
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

; Whether this Windows can run an x64 program at all: 1 or 0 on the stack. Asked only once the
; tool has failed to start: the error alone does not tell (an empty or damaged procsweep.exe gives
; ERROR_BAD_EXE_FORMAT, as Windows 10 on ARM gives for a sound one).
!macro ProcsweepCanRunX64_
  Push $0
  Push $1
  Push $2
  StrCpy $0 1
  ; A 64-bit installer is itself an x64 program.
  !if ${NSIS_PTR_SIZE} <= 4
    ; The machine's own architecture (IMAGE_FILE_MACHINE_*), from Windows 10 1511 on: two
    ; USHORTs, each read from a zeroed 32-bit value.
    System::Call 'kernel32::IsWow64Process2(p -1, *i 0 r1, *i 0 r2) i .r0'
    ${If} $0 == error
      ; Older: no ARM64 Windows is, and a 32-bit program outside WOW64 is on 32-bit Windows.
      System::Call 'kernel32::IsWow64Process(p -1, *i .r1) i .r0'
      ${If} $0 <> 0
      ${AndIf} $1 = 0
        StrCpy $0 0
      ${Else}
        StrCpy $0 1
      ${EndIf}
    ${ElseIf} $0 = 0
      ; Not known: the failure stays an error.
      StrCpy $0 1
    ${ElseIf} $2 = 0x014C ; I386
      StrCpy $0 0
    ${ElseIf} $2 = 0xAA64 ; ARM64
      ; Windows 11 on ARM runs x64 programs, where the user may; Windows 10 on ARM does not, and
      ; has no GetMachineTypeAttributes.
      System::Call 'kernel32::GetMachineTypeAttributes(i 0x8664, *i .r1) i .r0'
      ${If} $0 == error
        StrCpy $0 0
      ${ElseIf} $0 <> 0
        StrCpy $0 1
      ${Else}
        IntOp $0 $1 & 1 ; UserEnabled
      ${EndIf}
    ${Else}
      StrCpy $0 1
    ${EndIf}
  !endif
  Pop $2
  Pop $1
  Exch $0
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
  ; is read as part of the call.
  StrCpy $2 `"$PLUGINSDIR\procsweep.exe" --log "$ProcsweepReport" $0 "$1" "${PROCSWEEP_MAIN_EXE}"`
  StrCpy $ProcsweepExitCode error
  StrCpy $ProcsweepError 0
  ; What failed, for the report: the call, then its error.
  StrCpy $0 ""
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
  System::Call 'kernel32::CreateProcessW(p 0, w r2, p 0, p 0, i 0, i 0x08000000, p 0, p 0, p r4, p r5) i .r2 ?e'
  Pop $3
  ${If} $2 = 0
    StrCpy $0 CreateProcess
    StrCpy $ProcsweepError $3
    ${CallArtificialFunction} ProcsweepCanRunX64_
    Pop $1
    ${If} $1 = 0
      StrCpy $ProcsweepExitCode unsupported
    ${EndIf}
  ${Else}
    System::Call '*$5(p .r2, p .r3)'
    System::Call 'kernel32::CloseHandle(p r3)'
    System::Call 'kernel32::WaitForSingleObject(p r2, i -1) i .r3 ?e'
    Pop $1
    ${If} $3 = 0 ; WAIT_OBJECT_0
      System::Call 'kernel32::GetExitCodeProcess(p r2, *i .r3) i .r1 ?e'
      Pop $ProcsweepError
      ${If} $1 <> 0
        StrCpy $ProcsweepExitCode $3
        StrCpy $ProcsweepError 0
      ${Else}
        StrCpy $0 GetExitCodeProcess
      ${EndIf}
    ${Else}
      StrCpy $0 WaitForSingleObject
      StrCpy $ProcsweepError $1
    ${EndIf}
    System::Call 'kernel32::CloseHandle(p r2)'
  ${EndIf}
  System::Free $4
  System::Free $5
  Pop $5
  Pop $4
  ${If} $0 == ""
    Push "exit code $ProcsweepExitCode"
  ${Else}
    Push "exit code $ProcsweepExitCode ($0 $ProcsweepError)"
  ${EndIf}
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
  Push $5
  Push $6
  Push $7
  Push $8
  ${If} $ProcsweepKept == ""
  ${OrIf} $ProcsweepKeptName != $0
    ; The first copy of this run under this name. The file of an earlier name stays as it is.
    ${If} $ProcsweepKept != ""
    ${AndIf} $ProcsweepKept <> -1
      System::Call 'kernel32::CloseHandle(p $ProcsweepKept)'
    ${EndIf}
    StrCpy $ProcsweepKeptName $0
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
    ${If} $1 <> 0
      StrCpy $1 "$WINDIR\Temp"
    ${Else}
      StrCpy $1 $TEMP
    ${EndIf}
    ; The name before its extension ($2) and the extension with its dot ($3).
    StrLen $4 $0
    StrCpy $2 $0
    StrCpy $3 ""
    ${Do}
      IntOp $4 $4 - 1
      ${If} $4 < 0
        ${ExitDo}
      ${EndIf}
      StrCpy $5 $0 1 $4
      ${If} $5 == "."
        StrCpy $2 $0 $4
        StrCpy $3 $0 "" $4
        ${ExitDo}
      ${EndIf}
    ${LoopUntil} $5 == "\"
    ; The run's local date and time go before the extension: each run keeps a file of its own,
    ; so that no file that is already there need ever be opened. A standard user may create
    ; files in %WINDIR%\Temp, own what they create, read what is written into them, and hold an
    ; oplock on one that stalls whoever opens it; they may also put a symbolic link there, which
    ; an open would follow, creating or overwriting its target.
    ; SYSTEMTIME: year, month, day of the week, day, hour, minute, second, milliseconds.
    System::Call '*(&i2, &i2, &i2, &i2, &i2, &i2, &i2, &i2) p .r4'
    System::Call 'kernel32::GetLocalTime(p r4)'
    System::Call '*$4(&i2 .r5, &i2 .r6, &i2, &i2 .r7, &i2 .r8)'
    IntFmt $6 "%02u" $6
    IntFmt $7 "%02u" $7
    IntFmt $8 "%02u" $8
    StrCpy $2 "$2 $5$6$7-$8"
    System::Call '*$4(&i2, &i2, &i2, &i2, &i2, &i2 .r5, &i2 .r6)'
    System::Free $4
    IntFmt $5 "%02u" $5
    IntFmt $6 "%02u" $6
    StrCpy $2 "$1\$2$5$6"
    ; GENERIC_WRITE, FILE_SHARE_READ, CREATE_NEW, FILE_ATTRIBUTE_NORMAL with
    ; FILE_FLAG_OPEN_REPARSE_POINT: a name that is taken (a file, a folder, or a symbolic link,
    ; even one whose target does not exist) fails with ERROR_FILE_EXISTS, and nothing at it is
    ; opened or created. Another run in the same second takes the next of " 2" to " 9" after the
    ; time.
    StrCpy $4 1
    ${Do}
      ${If} $4 = 1
        StrCpy $0 "$2$3"
      ${Else}
        StrCpy $0 "$2 $4$3"
      ${EndIf}
      System::Call 'kernel32::CreateFileW(w r0, i 0x40000000, i 1, p 0, i 1, i 0x00200080, p 0) p .r1 ?e'
      Pop $5
      IntOp $4 $4 + 1
      ${If} $1 <> -1
      ${OrIf} $5 <> 80 ; ERROR_FILE_EXISTS
        ${ExitDo}
      ${EndIf}
    ${LoopUntil} $4 > 9
    ${If} $1 = -1
    ${AndIf} $5 = 80
      ; Every dated name is taken, as a standard user can arrange for any second to come: then a
      ; name nobody can guess, 64 bits from the system's random number generator after the time.
      System::Call '*(i, i) p .r4'
      System::Call 'bcrypt::BCryptGenRandom(p 0, p r4, i 8, i 2) i .r5' ; BCRYPT_USE_SYSTEM_PREFERRED_RNG
      ${If} $5 = 0
        System::Call '*$4(i .r6, i .r7)'
        IntFmt $6 "%08x" $6
        IntFmt $7 "%08x" $7
        StrCpy $0 "$2 $6$7$3"
        System::Call 'kernel32::CreateFileW(w r0, i 0x40000000, i 1, p 0, i 1, i 0x00200080, p 0) p .r1 ?e'
        Pop $5
      ${EndIf}
      System::Free $4
    ${EndIf}
    StrCpy $ProcsweepKept $1
    ${If} $1 = -1
      DetailPrint "procsweep: no copy of the report could be kept, the last name tried being $0 (error $5)."
    ${EndIf}
  ${EndIf}
  ${If} $ProcsweepKept <> -1
    ; The report's bytes, as they are (UTF-16 units), in place of what an earlier copy of this
    ; run wrote through the same handle.
    FileSeek $ProcsweepKept 0 SET
    System::Call 'kernel32::SetEndOfFile(p $ProcsweepKept)'
    ClearErrors
    FileOpen $2 $ProcsweepReport r
    ${IfNot} ${Errors}
      ${Do}
        ClearErrors
        FileReadWord $2 $3
        ${If} ${Errors}
          ${ExitDo}
        ${EndIf}
        FileWriteWord $ProcsweepKept $3
      ${Loop}
      FileClose $2
    ${EndIf}
  ${EndIf}
  Pop $8
  Pop $7
  Pop $6
  Pop $5
  Pop $4
  Pop $3
  Pop $2
  Pop $1
  Pop $0
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

; The event lines of the last run, each split into $R1-$R4 (ProcsweepSplitLine_), then the
; macro ACTION; $R0 and $R8 are the loop's own.
!macro ProcsweepEachEvent_ ACTION
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
        !insertmacro ${ACTION}
      ${EndIf}
    ${Loop}
    FileClose $R8
  ${EndIf}
!macroend

!macro ProcsweepCallFunction_
  Call $R9
!macroend

!macro ProcsweepForEachEvent_
  Exch $R9
  Push $R8
  Push $R0
  Push $R1
  Push $R2
  Push $R3
  Push $R4
  !insertmacro ProcsweepEachEvent_ ProcsweepCallFunction_
  Pop $R4
  Pop $R3
  Pop $R2
  Pop $R1
  Pop $R0
  Pop $R8
  Pop $R9
!macroend

!macro ProcsweepAddHolder_
  ${If} $R1 == restart-manager-owner
    ${If} $ProcsweepHolders != ""
      StrCpy $ProcsweepHolders "$ProcsweepHolders$\r$\n"
    ${EndIf}
    StrCpy $ProcsweepHolders "$ProcsweepHolders$R4 (PID $R2)"
  ${EndIf}
!macroend

!macro ProcsweepHolders_
  Exch $R9 ; the installation folder
  Push $R8
  Push $R0
  Push $R1
  Push $R2
  Push $R3
  Push $R4
  Push $R9
  Push legacy-owners
  ${CallArtificialFunction} ProcsweepRun_
  StrCpy $ProcsweepHolders ""
  !insertmacro ProcsweepEachEvent_ ProcsweepAddHolder_
  Pop $R4
  Pop $R3
  Pop $R2
  Pop $R1
  Pop $R0
  Pop $R8
  Pop $R9
!macroend

!endif
