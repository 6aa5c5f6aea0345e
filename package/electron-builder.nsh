; electron-builder.nsh: procsweep.exe as the "is the application running" check of the NSIS
; installer and uninstaller that electron-builder builds. With the npm package installed, name it
; in package.json: "nsis": { "include": "node_modules/procsweep/electron-builder.nsh" }. It takes
; procsweep.exe and procsweep.nsh from beside itself.
;
; electron-builder compiles its installer twice, with warnings as errors: once for the
; uninstaller (BUILD_UNINSTALLER defined), once for the installer. It inserts customCheckAppRunning
; instead of its own check: in the installer's section before any file is written, and in the
; uninstaller's un.onInit (a silent run) or its section. In un.onInit that comes before
; customUnInit, so the check extracts the tool itself.
;
; What the check covers, before anything of the application is replaced or removed:
;   - the installation folder, and every installation that electron-builder's installer is about
;     to uninstall first (the one it recorded, wherever the user installs now; when installing
;     for every user, the current user's own as well): its uninstaller, run silently, would end
;     the application without asking;
;   - the elevated instance of an assisted installer (the user chose "Anyone who uses this
;     computer", or a per-machine installation is upgraded), where electron-builder skips its
;     check: a section of this include's checks there, before electron-builder's section.
; While it waits for the application to close, the installer says so: on the details page, and
; on the one-click installer's banner.
;
; The installer's and the uninstaller's exit codes:
;   0  done: nothing of the application ran, or it was closed or ended first
;   1  cancelled by the user (NSIS)
;   2  nothing written: the application could not be ended, the user chose not to end it, or
;      procsweep.exe failed; the report says which
;
; The report: each run of the tool appends to a file in $PLUGINSDIR, a folder made for this run
; under a name nobody knows in advance. After each check it is copied to
; "<PRODUCT_FILENAME> setup procsweep.log" ("uninstall" for the uninstaller) in %TEMP%, or in
; %WINDIR%\Temp when the installer runs elevated (procsweep.nsh, ProcsweepKeepReport).

; makensis runs in electron-builder's template folder: the tool and the macros are found beside
; this file (its folder, where makensis reads this line).
!define PROCSWEEP_EXE "${__FILEDIR__}/procsweep.exe"
!define PROCSWEEP_MAIN_EXE "${PRODUCT_FILENAME}.exe"
!include "${__FILEDIR__}/procsweep.nsh"

; Each pass builds only its own half: a function of the other would be a warning.
!ifdef BUILD_UNINSTALLER
  !define PROCSWEEP_UN "un."
  !define PROCSWEEP_REPORT "${PRODUCT_FILENAME} uninstall procsweep.log"
!else
  !define PROCSWEEP_UN ""
  !define PROCSWEEP_REPORT "${PRODUCT_FILENAME} setup procsweep.log"
  ; Where electron-builder records an installation (its own definition, which an author may
  ; have changed first).
  !define /ifndef INSTALL_REGISTRY_KEY "Software\${APP_GUID}"
!endif
!define PROCSWEEP_WAITING "Waiting up to 10 seconds for ${PRODUCT_NAME} to close."

; Writes an event of the last run into the log shown on the details page.
Function ${PROCSWEEP_UN}ProcsweepShowEvent
  DetailPrint "procsweep: $R1 pid=$R2 win32-error=$R3 $R4"
FunctionEnd

; The one-click installer shows a banner over its page instead of the details (electron-builder
; writes "Installing, please wait..." into it): the text goes there too. $0 is the text.
!ifdef ONE_CLICK
!ifndef BUILD_UNINSTALLER
Function ProcsweepBannerText
  Exch $0
  Push $1
  ; The banner's text control, found as electron-builder finds it to write its own.
  FindWindow $1 "#32770" "" $HWNDPARENT
  FindWindow $1 "#32770" "" $HWNDPARENT $1
  ${If} $1 <> 0
    GetDlgItem $1 $1 1000
    ${If} $1 <> 0
      SendMessage $1 ${WM_SETTEXT} 0 "STR:$0"
    ${EndIf}
  ${EndIf}
  Pop $1
  Pop $0
FunctionEnd
!endif
!endif

; Leaves nothing of the installation in the folder on the stack running, or quits with exit code
; 2 and nothing written.
Function ${PROCSWEEP_UN}ProcsweepEndApplicationIn
  Exch $0
  ${Do}
    !insertmacro ProcsweepRunIn probe $0
    ${If} $ProcsweepExitCode = 10
      ; Ask it to close the way a user would, then give it up to ten seconds. An update started
      ; by electron-updater (--updated) finds the application quitting by itself.
      DetailPrint "${PROCSWEEP_WAITING}"
      !ifdef ONE_CLICK
      !ifndef BUILD_UNINSTALLER
        Push "${PROCSWEEP_WAITING}"
        Call ProcsweepBannerText
      !endif
      !endif
      !insertmacro ProcsweepCloseAndWaitIn 10000 $0
      !ifdef ONE_CLICK
      !ifndef BUILD_UNINSTALLER
        Push "$(installing)"
        Call ProcsweepBannerText
      !endif
      !endif
    ${EndIf}
    ${If} $ProcsweepExitCode = 10
      ; Silent runs answer IDOK: end the application without asking.
      ${If} ${Cmd} `MessageBox MB_OKCANCEL|MB_ICONEXCLAMATION "${PRODUCT_NAME} is still running. End it now? Unsaved work in it is lost." /SD IDOK IDOK`
        DetailPrint "Ending ${PRODUCT_NAME}."
        !insertmacro ProcsweepRunIn force $0
      ${Else}
        !insertmacro ProcsweepNote "${PRODUCT_NAME} still runs: the user chose not to end it."
      ${EndIf}
    ${ElseIf} $ProcsweepExitCode = 11
      ; Only helper processes are left, such as a media conversion the application started.
      !insertmacro ProcsweepRunIn clean $0
    ${EndIf}
    ${If} $ProcsweepExitCode == 0
      ${ExitDo}
    ${EndIf}
    ; "error" (the tool could not be started) is no number: compared as text above.
    !insertmacro ProcsweepForEachEvent ${PROCSWEEP_UN}ProcsweepShowEvent
    !insertmacro ProcsweepNote "${PRODUCT_NAME} could not be ended: nothing was changed."
    !insertmacro ProcsweepKeepReport "${PROCSWEEP_REPORT}"
    ; electron-builder's own words, in the installer's language: close it by hand and retry.
    ${IfNot} ${Cmd} `MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "$(appCannotBeClosed)" /SD IDCANCEL IDRETRY`
      SetErrorLevel 2
      Quit
    ${EndIf}
  ${Loop}
  Pop $0
FunctionEnd

!ifndef BUILD_UNINSTALLER
; The same for the installation recorded under a registry root ("HKLM" or "HKCU"; "SHELL_CONTEXT"
; for the one of the current install mode), unless there is none or it is $INSTDIR.
Function ProcsweepEndRecordedApplication
  Exch $0
  ${If} $0 == HKLM
    ReadRegStr $0 HKLM "${INSTALL_REGISTRY_KEY}" InstallLocation
  ${ElseIf} $0 == HKCU
    ReadRegStr $0 HKCU "${INSTALL_REGISTRY_KEY}" InstallLocation
  ${Else}
    ReadRegStr $0 SHELL_CONTEXT "${INSTALL_REGISTRY_KEY}" InstallLocation
  ${EndIf}
  ${If} $0 != ""
  ${AndIf} $0 != $INSTDIR
    Push $0
    Call ProcsweepEndApplicationIn
  ${EndIf}
  Pop $0
FunctionEnd
!endif

; The whole check. In the installer, the top of the stack says which recorded installations
; electron-builder may uninstall first: "current" (its install mode is set) or "every" (the
; elevated instance, which always installs for every user and may still switch to it).
Function ${PROCSWEEP_UN}ProcsweepCheck
  !ifndef BUILD_UNINSTALLER
    Exch $0
    ; electron-builder hides the details before its check; they say what the installer waits
    ; for, and are hidden again afterwards.
    SetDetailsPrint both
  !endif
  ; $PLUGINSDIR is needed before electron-builder's uninstaller makes it (un.onInit).
  InitPluginsDir
  !insertmacro ProcsweepExtract "$PLUGINSDIR\procsweep.log"
  Push $INSTDIR
  Call ${PROCSWEEP_UN}ProcsweepEndApplicationIn
  !ifndef BUILD_UNINSTALLER
    ${If} $0 == every
      Push HKLM
      Call ProcsweepEndRecordedApplication
      Push HKCU
      Call ProcsweepEndRecordedApplication
    ${Else}
      Push SHELL_CONTEXT
      Call ProcsweepEndRecordedApplication
      ${If} ${ShellVarContextAll}
        Push HKCU
        Call ProcsweepEndRecordedApplication
      ${EndIf}
    ${EndIf}
    ${IfNot} ${Silent}
      SetDetailsPrint none
    ${EndIf}
    Pop $0
  !endif
  !insertmacro ProcsweepKeepReport "${PROCSWEEP_REPORT}"
FunctionEnd

; Leaves nothing of the installation running, or quits with exit code 2 and nothing written.
!macro customCheckAppRunning
  !ifndef BUILD_UNINSTALLER
    Push current
  !endif
  Call ${PROCSWEEP_UN}ProcsweepCheck
!macroend

; An assisted installer that elevates runs its section in the elevated instance of the UAC
; plug-in, where electron-builder skips its check: this section comes before electron-builder's
; and checks there.
!ifndef BUILD_UNINSTALLER
!ifndef ONE_CLICK
  !include UAC.nsh
  Section "-procsweep check in the elevated instance"
    ${If} ${UAC_IsInnerInstance}
      Push every
      Call ProcsweepCheck
    ${EndIf}
  SectionEnd
!endif
!endif
