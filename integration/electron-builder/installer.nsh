; installer.nsh: procsweep.exe as the "is the application running" check of the NSIS installer and
; uninstaller that electron-builder builds. Set it as "nsis": { "include": "build/installer.nsh" }
; and put procsweep.nsh and procsweep.exe beside it, in the build resources folder.
;
; electron-builder compiles its installer twice, with warnings as errors: once for the
; uninstaller (BUILD_UNINSTALLER defined), once for the installer. It inserts customCheckAppRunning
; instead of its own check: in the installer's section before any file is written, and in the
; uninstaller's un.onInit (a silent run) or its section. In un.onInit that comes before
; customUnInit, so the check extracts the tool itself.
;
; The installer's and the uninstaller's exit codes:
;   0  done: nothing of the application ran, or it was closed or ended first
;   1  cancelled by the user (NSIS)
;   2  nothing written: the application could not be ended, the user chose not to end it, or
;      procsweep.exe failed; the report file says which (%TEMP%\<product> setup procsweep.log,
;      or "uninstall" for the uninstaller). electron-builder's installer also ends with 2 when
;      the uninstaller of the version it replaces fails.

; makensis runs in electron-builder's template folder: the paths are absolute.
!define PROCSWEEP_EXE "${BUILD_RESOURCES_DIR}/procsweep.exe"
!define PROCSWEEP_MAIN_EXE "${PRODUCT_FILENAME}.exe"
!include "${BUILD_RESOURCES_DIR}/procsweep.nsh"

; Each pass builds only its own half: a function of the other would be a warning.
!ifdef BUILD_UNINSTALLER
  !define PROCSWEEP_UN "un."
  !define PROCSWEEP_REPORT "$TEMP\${PRODUCT_FILENAME} uninstall procsweep.log"
!else
  !define PROCSWEEP_UN ""
  !define PROCSWEEP_REPORT "$TEMP\${PRODUCT_FILENAME} setup procsweep.log"
!endif

; Writes an event of the last run into the log shown on the details page.
Function ${PROCSWEEP_UN}ProcsweepShowEvent
  DetailPrint "procsweep: $R1 pid=$R2 win32-error=$R3 $R4"
FunctionEnd

; Leaves nothing of the installation running, or quits with exit code 2 and nothing written.
!macro customCheckAppRunning
  !insertmacro ProcsweepExtract "${PROCSWEEP_REPORT}"
  ${Do}
    !insertmacro ProcsweepRun probe
    ${If} $ProcsweepExitCode = 10
      ; Ask it to close the way a user would, then give it up to ten seconds. An update started
      ; by electron-updater (--updated) finds the application quitting by itself.
      DetailPrint "Waiting up to 10 seconds for ${PRODUCT_NAME} to close."
      !insertmacro ProcsweepCloseAndWait 10000
    ${EndIf}
    ${If} $ProcsweepExitCode = 10
      ; Silent runs answer IDOK: end the application without asking.
      ${If} ${Cmd} `MessageBox MB_OKCANCEL|MB_ICONEXCLAMATION "${PRODUCT_NAME} is still running. End it now? Unsaved work in it is lost." /SD IDOK IDOK`
        DetailPrint "Ending ${PRODUCT_NAME}."
        !insertmacro ProcsweepRun force
      ${Else}
        !insertmacro ProcsweepNote "${PRODUCT_NAME} still runs: the user chose not to end it."
      ${EndIf}
    ${ElseIf} $ProcsweepExitCode = 11
      ; Only helper processes are left, such as a media conversion the application started.
      !insertmacro ProcsweepRun clean
    ${EndIf}
    ${If} $ProcsweepExitCode == 0
      ${ExitDo}
    ${EndIf}
    ; "error" (the tool could not be started) is no number: compared as text above.
    !insertmacro ProcsweepForEachEvent ${PROCSWEEP_UN}ProcsweepShowEvent
    !insertmacro ProcsweepNote "${PRODUCT_NAME} could not be ended: nothing was changed."
    ; electron-builder's own words, in the installer's language: close it by hand and retry.
    ${IfNot} ${Cmd} `MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "$(appCannotBeClosed)" /SD IDCANCEL IDRETRY`
      SetErrorLevel 2
      Quit
    ${EndIf}
  ${Loop}
!macroend
