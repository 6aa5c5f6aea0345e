; electron-builder.nsh: procsweep.exe as the "is the application running" check of the NSIS
; installer and uninstaller that electron-builder builds. With the npm package installed, name it
; in package.json: "nsis": { "include": "node_modules/procsweep/electron-builder.nsh" }. It takes
; procsweep.exe and procsweep.nsh from beside itself.
;
; electron-builder compiles its installer twice, with warnings as errors: once for the
; uninstaller (BUILD_UNINSTALLER defined), once for the installer. It reads this file first, before
; its own templates and before it names the folder of its plug-ins: here only NSIS's own headers
; can be included, and none of electron-builder's plug-ins (UAC, SpiderBanner, ...) can be called.
; It inserts customCheckAppRunning instead of its own check: in the installer's section before
; any file is written, and in the uninstaller's un.onInit (a silent run) or its section. In
; un.onInit that comes before customUnInit, so the check extracts the tool itself.
;
; electron-builder takes one nsis.include. An author with an include of their own names theirs
; and !includes this one from it ("${PROJECT_DIR}\node_modules\procsweep\electron-builder.nsh");
; customCheckAppRunning is this file's, so theirs must not define it.
;
; What the check covers, before anything of the application is replaced or removed:
;   - the installation folder, and every installation that electron-builder's installer is about
;     to uninstall first (the one it recorded, wherever the user installs now; when installing
;     for every user, the current user's own as well): its uninstaller, run silently, would end
;     the application without asking;
;   - the elevated instance of an assisted installer (the user chose "Anyone who uses this
;     computer", or a per-machine installation is upgraded), where electron-builder skips its
;     check: in an assisted installer, a section of this include's, before electron-builder's,
;     checks in every instance, and the check electron-builder calls does nothing more;
;   - in a silent run of the default assisted installer where a per-machine installation is
;     recorded besides the user's own, that installation's folder: electron-builder switches to
;     it inside its own section.
; While it waits for the application to close, the installer says so: on the details page, and
; on the one-click installer's banner.
;
; The installer's and the uninstaller's exit codes:
;   0  done: nothing of the application ran, or it was closed or ended first
;   1  cancelled by the user (NSIS)
;   2  nothing written: the application could not be ended, the user chose not to end it, or
;      procsweep.exe failed or could not be started; the report says which
;
; procsweep.exe is an x64 program. A build for 32-bit Windows alone is refused. Where a Windows
; cannot run it at all (32-bit Windows meeting an installer that carries both kinds, Windows 10
; on ARM, as the machine itself says), or a policy refuses to start it from the installer's
; temporary folder (errors 1260 and 4551), the check is skipped, saying so in the report and,
; unless silent, asking the user to close the application: an uninstaller that could never run
; would be worse. Any other failure to start it stops the installer, nothing written.
;
; The report: each run of the tool appends to a file in $PLUGINSDIR, a folder NSIS makes anew for
; this run. After each check it is copied, as a new file, to
; "<PRODUCT_FILENAME> setup procsweep <date>-<time>.log" ("uninstall" for the uninstaller) in
; %TEMP%, or in %WINDIR%\Temp when the installer runs elevated (procsweep.nsh,
; ProcsweepKeepReport).

; makensis runs in electron-builder's template folder: the tool and the macros are found beside
; this file (its folder, where makensis reads this line).
!define PROCSWEEP_EXE "${__FILEDIR__}/procsweep.exe"
!define PROCSWEEP_MAIN_EXE "${PRODUCT_FILENAME}.exe"
!include "${__FILEDIR__}/procsweep.nsh"
!include FileFunc.nsh
!include WinMessages.nsh

; electron-builder names each architecture's package: APP_32 alone is a build for 32-bit Windows,
; where an x64 program cannot start.
!ifdef APP_32
  !ifndef APP_64
    !ifndef APP_ARM64
      !error "procsweep: procsweep.exe is an x64 program and cannot run on the 32-bit Windows an ia32 installer is built for. Build for x64 (or x64 and ia32 together: the check is then skipped on 32-bit Windows), or remove node_modules/procsweep/electron-builder.nsh from nsis.include."
    !endif
  !endif
!endif

; Each pass builds only its own half: a function of the other would be a warning.
!ifdef BUILD_UNINSTALLER
  !define PROCSWEEP_UN "un."
  !define PROCSWEEP_REPORT "${PRODUCT_FILENAME} uninstall procsweep.log"
!else
  !define PROCSWEEP_UN ""
  !define PROCSWEEP_REPORT "${PRODUCT_FILENAME} setup procsweep.log"
  ; Where electron-builder records an installation and its uninstaller (its own definitions,
  ; which an author may have changed first).
  !define /ifndef INSTALL_REGISTRY_KEY "Software\${APP_GUID}"
  !define /ifndef UNINSTALL_REGISTRY_KEY \
    "Software\Microsoft\Windows\CurrentVersion\Uninstall\${UNINSTALL_APP_KEY}"
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
  Push $2
  ; A silent installer has no window: $HWNDPARENT is 0, and a search below it would go through
  ; every top-level window on the desktop, other programs' too.
  ${If} $HWNDPARENT <> 0
    ; The banner's text control, found as electron-builder finds it to write its own.
    FindWindow $1 "#32770" "" $HWNDPARENT
    ${If} $1 <> 0
      FindWindow $1 "#32770" "" $HWNDPARENT $1
    ${EndIf}
    ${If} $1 <> 0
      GetDlgItem $1 $1 1000
      System::Call 'user32::IsChild(p $HWNDPARENT, p r1) i .r2'
      ${If} $1 <> 0
      ${AndIf} $2 <> 0
        SendMessage $1 ${WM_SETTEXT} 0 "STR:$0"
      ${EndIf}
    ${EndIf}
  ${EndIf}
  Pop $2
  Pop $1
  Pop $0
FunctionEnd
!endif
!endif

; Leaves nothing of the installation in the folder on the stack running, or quits with exit code
; 2 and nothing written.
Function ${PROCSWEEP_UN}ProcsweepEndApplicationIn
  Exch $0
  Push $1
  ${Do}
    !insertmacro ProcsweepRunIn probe $0
    ${If} $ProcsweepExitCode == unsupported
      !insertmacro ProcsweepNote "This Windows cannot run procsweep.exe (an x64 program): ${PRODUCT_NAME} was not looked for."
      MessageBox MB_OK|MB_ICONINFORMATION "Please close ${PRODUCT_NAME} if it is running, then click OK." /SD IDOK
      ${ExitDo}
    ${EndIf}
    ; Where a policy lets no program start from the installer's temporary folder (AppLocker's
    ; default rules, Software Restriction Policies; App Control for Business), the check could
    ; never run: as where this Windows cannot run the tool, the person is asked to close the
    ; application, so that the application can still be updated and uninstalled.
    ${If} $ProcsweepExitCode == error
      ${If} $ProcsweepError = 1260 ; ERROR_ACCESS_DISABLED_BY_POLICY
      ${OrIf} $ProcsweepError = 4551 ; ERROR_SYSTEM_INTEGRITY_POLICY_VIOLATION
        !insertmacro ProcsweepNote "A policy of this Windows does not let procsweep.exe run (error $ProcsweepError): ${PRODUCT_NAME} was not looked for."
        MessageBox MB_OK|MB_ICONINFORMATION "Please close ${PRODUCT_NAME} if it is running, then click OK." /SD IDOK
        ${ExitDo}
      ${EndIf}
    ${EndIf}
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
    ; "error" (the tool could not be started or waited for) is no number: compared as text
    ; above.
    !insertmacro ProcsweepForEachEvent ${PROCSWEEP_UN}ProcsweepShowEvent
    ${If} $ProcsweepExitCode == error
      ; Not knowing whether it runs is not "it runs": the person is told what failed.
      !insertmacro ProcsweepNote "The check for a running ${PRODUCT_NAME} could not be run (error $ProcsweepError): nothing was changed."
      !insertmacro ProcsweepKeepReport "${PROCSWEEP_REPORT}"
      StrCpy $1 "Setup could not check whether ${PRODUCT_NAME} is running (error $ProcsweepError). Nothing was changed.$\r$\nClick Retry to check again."
    ${Else}
      !insertmacro ProcsweepNote "${PRODUCT_NAME} could not be ended: nothing was changed."
      !insertmacro ProcsweepKeepReport "${PROCSWEEP_REPORT}"
      ; electron-builder's own words, in the installer's language: close it by hand and retry.
      StrCpy $1 "$(appCannotBeClosed)"
    ${EndIf}
    ${IfNot} ${Cmd} `MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "$1" /SD IDCANCEL IDRETRY`
      SetErrorLevel 2
      Quit
    ${EndIf}
  ${Loop}
  Pop $1
  Pop $0
FunctionEnd

!ifndef BUILD_UNINSTALLER
; A value of the installation recorded under a registry root ("HKCU", or "SHELL_CONTEXT" for the
; current install mode's): Push root, Push key, Push value name; Call; Pop value.
Function ProcsweepReadRecord
  Exch $2 ; the value's name
  Exch
  Exch $1 ; the key
  Exch 2
  Exch $0 ; the root
  ${If} $0 == HKCU
    ReadRegStr $0 HKCU $1 $2
  ${Else}
    ReadRegStr $0 SHELL_CONTEXT $1 $2
  ${EndIf}
  Exch $0
  Exch
  Pop $2
  Exch
  Pop $1
FunctionEnd

; The same for the installation recorded under a registry root, where electron-builder's installer
; finds the one it uninstalls first: its InstallLocation, or, when that is empty, the folder of
; its uninstaller; nothing when no uninstaller is recorded, or when it is $INSTDIR.
Function ProcsweepEndRecordedApplication
  Exch $0 ; the root
  Push $1
  Push $2
  Push $0
  Push "${UNINSTALL_REGISTRY_KEY}"
  Push UninstallString
  Call ProcsweepReadRecord
  Pop $1
  !ifdef UNINSTALL_REGISTRY_KEY_2
    ${If} $1 == ""
      Push $0
      Push "${UNINSTALL_REGISTRY_KEY_2}"
      Push UninstallString
      Call ProcsweepReadRecord
      Pop $1
    ${EndIf}
  !endif
  ${If} $1 != ""
    Push $0
    Push "${INSTALL_REGISTRY_KEY}"
    Push InstallLocation
    Call ProcsweepReadRecord
    Pop $2
    ${If} $2 == ""
      ; The uninstaller's path, in the quotes that begin the command line, and its folder.
      StrCpy $2 $1 1
      ${If} $2 == '"'
        StrCpy $1 $1 "" 1
        StrCpy $2 0
        ${Do}
          StrCpy $0 $1 1 $2
          ${If} $0 == '"'
          ${OrIf} $0 == ""
            ${ExitDo}
          ${EndIf}
          IntOp $2 $2 + 1
        ${Loop}
        StrCpy $1 $1 $2
        ${GetParent} $1 $2
      ${Else}
        StrCpy $2 ""
      ${EndIf}
    ${EndIf}
    ${If} $2 != ""
    ${AndIf} $2 != $INSTDIR
      Push $2
      Call ProcsweepEndApplicationIn
    ${EndIf}
  ${EndIf}
  Pop $2
  Pop $1
  Pop $0
FunctionEnd
!endif

!ifndef BUILD_UNINSTALLER
!ifndef ONE_CLICK
!ifndef INSTALL_MODE_PER_ALL_USERS
; The default assisted installer, run silently where both a per-user and a per-machine
; installation are recorded, installs for the current user as far as its .onInit goes; inside its
; own section it switches to the per-machine installation (for an update, as electron-updater
; starts one, and in its elevated instance), installs into that folder unless /D= named another,
; and uninstalls it first. That folder is checked too.
Function ProcsweepEndPerMachineApplication
  Push $0
  Push $1
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/currentuser" $1
  ${If} ${Errors}
    ReadRegStr $0 HKLM "${INSTALL_REGISTRY_KEY}" InstallLocation
    ${If} $0 != ""
    ${AndIf} $0 != $INSTDIR
      Push $0
      Call ProcsweepEndApplicationIn
    ${EndIf}
  ${EndIf}
  Pop $1
  Pop $0
FunctionEnd
!endif
!endif
!endif

; The whole check: the installation folder, and in the installer each installation
; electron-builder may uninstall first: the one recorded for the install mode, and when installing
; for every user (as the elevated instance always does), the current user's as well.
Function ${PROCSWEEP_UN}ProcsweepCheck
  !ifndef BUILD_UNINSTALLER
    ; electron-builder hides the details before its check; they say what the installer waits
    ; for, and are hidden again afterwards.
    SetDetailsPrint both
  !endif
  !insertmacro ProcsweepExtract "$PLUGINSDIR\procsweep.log"
  Push $INSTDIR
  Call ${PROCSWEEP_UN}ProcsweepEndApplicationIn
  !ifndef BUILD_UNINSTALLER
    Push SHELL_CONTEXT
    Call ProcsweepEndRecordedApplication
    ${If} ${ShellVarContextAll}
      Push HKCU
      Call ProcsweepEndRecordedApplication
    !ifndef ONE_CLICK
    !ifndef INSTALL_MODE_PER_ALL_USERS
    ${ElseIf} ${Silent}
      Call ProcsweepEndPerMachineApplication
    !endif
    !endif
    ${EndIf}
    ${IfNot} ${Silent}
      SetDetailsPrint none
    ${EndIf}
  !endif
  !insertmacro ProcsweepKeepReport "${PROCSWEEP_REPORT}"
FunctionEnd

; Leaves nothing of the installation running, or quits with exit code 2 and nothing written.
!macro customCheckAppRunning
  !ifdef BUILD_UNINSTALLER | ONE_CLICK
    Call ${PROCSWEEP_UN}ProcsweepCheck
  !endif
  ; The assisted installer has checked already, in the section below.
!macroend

; An assisted installer that elevates runs its section in the elevated instance of the UAC
; plug-in, where electron-builder skips its check. Which instance this is, only the plug-in
; knows, and it cannot be called from here: this section, before electron-builder's, checks in
; every instance instead (twice, when a silent upgrade of a per-machine installation elevates
; in its section: once before, once in the elevated instance).
!ifndef BUILD_UNINSTALLER
!ifndef ONE_CLICK
  Section "-procsweep check"
    Call ProcsweepCheck
  SectionEnd
!endif
!endif
