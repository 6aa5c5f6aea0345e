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
; on the one-click installer's banner. Where it stops or asks because the application's files are
; in use, it names the programs that hold them (procsweep.exe legacy-owners: the Restart
; Manager's answer), in its message and in the report: in electron-builder's "cannot be closed"
; box, and when the earlier version's uninstaller fails (customUnInstallCheck and
; customUnInstallCheckCurrentUser: an author who defines either before including this file keeps
; their own). After it has closed or ended anything, it looks again before a file is replaced:
; programs that still hold the files get up to 5 seconds to let go; then the person is asked to
; retry, go on or stop (nothing written), and a silent run goes on, naming them in the report.
; Everything it shows is in the installer's language (electron-builder-messages.nsh beside this
; file; English for a language it lacks).
;
; The installer's and the uninstaller's exit codes:
;   0  done: nothing of the application ran, or it was closed or ended first
;   1  cancelled by the user (NSIS)
;   2  nothing written: the application could not be ended, the user chose not to end it, its
;      files stay in use, or procsweep.exe failed or could not be started; the report says which
; A deployment tool that retries an installation that met the application running can be given
; a code of its own for the first three (the application or its files in use): define it before
; including this file, in an include of the author's own, e.g.
;   !define PROCSWEEP_IN_USE_EXIT_CODE 1618   ; "another installation is in progress": Intune
;                                             ; and Configuration Manager retry it
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
; How long files still in use after the application has ended get to be let go.
!define PROCSWEEP_LET_GO_MS 5000

; The variables the messages name, declared before the messages are read.
!insertmacro ProcsweepVariable ProcsweepError
!insertmacro ProcsweepVariable ProcsweepHolders

; One sentence of electron-builder-messages.nsh, inside ProcsweepText: $1 is "<language>
; <sentence>" for the one looked for.
!macro ProcsweepMessage LANGUAGE NAME TEXT
  StrCmp $1 "${LANGUAGE} ${NAME}" 0 +3
  StrCpy $0 "${TEXT}"
  Goto found
!macroend

; A sentence shown to the person, in the installer's language, into a variable.
!macro ProcsweepText NAME VARIABLE
  Push ${NAME}
  Call ${PROCSWEEP_UN}ProcsweepText
  Pop ${VARIABLE}
!macroend

; ProcsweepText's function: Push name; Call; Pop text. The table is searched for the
; installer's language, then for English.
Function ${PROCSWEEP_UN}ProcsweepText
  Exch $0
  Push $1
  StrCpy $1 "$LANGUAGE $0"
  again:
  !include "${__FILEDIR__}/electron-builder-messages.nsh"
  ${If} $1 != "1033 $0"
    StrCpy $1 "1033 $0"
    Goto again
  ${EndIf}
  found:
  Pop $1
  Exch $0
FunctionEnd

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
; 2 (PROCSWEEP_IN_USE_EXIT_CODE where the application or its files are in use) and nothing
; written.
Function ${PROCSWEEP_UN}ProcsweepEndApplicationIn
  Exch $0
  Push $1
  ; 1 once something of the installation has been asked to close or ended.
  Push $2
  StrCpy $2 0
  ${Do}
    !insertmacro ProcsweepRunIn probe $0
    ; Why the check can never run here, if it cannot: this Windows cannot run the tool, or a
    ; policy lets no program start from the installer's temporary folder (AppLocker's default
    ; rules, Software Restriction Policies; App Control for Business). Then the person is asked
    ; to close the application, so that it can still be updated and uninstalled.
    StrCpy $1 ""
    ${If} $ProcsweepExitCode == unsupported
      StrCpy $1 "This Windows cannot run procsweep.exe (an x64 program)"
    ${ElseIf} $ProcsweepExitCode == error
      ${If} $ProcsweepError = 1260 ; ERROR_ACCESS_DISABLED_BY_POLICY
      ${OrIf} $ProcsweepError = 4551 ; ERROR_SYSTEM_INTEGRITY_POLICY_VIOLATION
        StrCpy $1 "A policy of this Windows does not let procsweep.exe run (error $ProcsweepError)"
      ${EndIf}
    ${EndIf}
    ${If} $1 != ""
      !insertmacro ProcsweepNote "$1: ${PRODUCT_NAME} was not looked for."
      !insertmacro ProcsweepText close-by-hand $1
      MessageBox MB_OK|MB_ICONINFORMATION "$1" /SD IDOK
      ${ExitDo}
    ${EndIf}
    ${If} $ProcsweepExitCode = 10
      ; Ask it to close the way a user would, then give it up to ten seconds. An update started
      ; by electron-updater (--updated) finds the application quitting by itself.
      StrCpy $2 1
      !insertmacro ProcsweepText waiting $1
      DetailPrint $1
      !ifdef ONE_CLICK
      !ifndef BUILD_UNINSTALLER
        Push $1
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
      !insertmacro ProcsweepText question $1
      ${If} ${Cmd} `MessageBox MB_OKCANCEL|MB_ICONEXCLAMATION "$1" /SD IDOK IDOK`
        !insertmacro ProcsweepText ending $1
        DetailPrint $1
        !insertmacro ProcsweepRunIn force $0
      ${Else}
        !insertmacro ProcsweepNote "${PRODUCT_NAME} still runs: the user chose not to end it."
      ${EndIf}
    ${ElseIf} $ProcsweepExitCode = 11
      ; Only helper processes are left, such as a media conversion the application started.
      StrCpy $2 1
      !insertmacro ProcsweepRunIn clean $0
    ${EndIf}
    ${If} $ProcsweepExitCode == 0
      ${If} $2 = 1
        Push $0
        Call ${PROCSWEEP_UN}ProcsweepLetGo
      ${EndIf}
      ${ExitDo}
    ${EndIf}
    ; "error" (the tool could not be started or waited for) is no number: compared as text
    ; above.
    !insertmacro ProcsweepForEachEvent ${PROCSWEEP_UN}ProcsweepShowEvent
    ${If} $ProcsweepExitCode == error
      ; Not knowing whether it runs is not "it runs": the person is told what failed.
      !insertmacro ProcsweepNote "The check for a running ${PRODUCT_NAME} could not be run (error $ProcsweepError): nothing was changed."
      !insertmacro ProcsweepKeepReport "${PROCSWEEP_REPORT}"
      !insertmacro ProcsweepText check-failed $1
      ${IfNot} ${Cmd} `MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "$1" /SD IDCANCEL IDRETRY`
        SetErrorLevel 2
        Quit
      ${EndIf}
    ${Else}
      ; electron-builder's own words, in the installer's language: close it by hand and retry;
      ; then who holds the files, the application itself or another program.
      Push $0
      Push "$(appCannotBeClosed)"
      Call ${PROCSWEEP_UN}ProcsweepWithHolders
      Pop $1
      !insertmacro ProcsweepNote "${PRODUCT_NAME} could not be ended: nothing was changed."
      !insertmacro ProcsweepKeepReport "${PROCSWEEP_REPORT}"
      ${IfNot} ${Cmd} `MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "$1" /SD IDCANCEL IDRETRY`
        SetErrorLevel ${PROCSWEEP_IN_USE_EXIT_CODE}
        Quit
      ${EndIf}
    ${EndIf}
  ${Loop}
  Pop $2
  Pop $1
  Pop $0
FunctionEnd

; A message followed by the programs that hold the files of the installation in a folder, when
; any are named, which the report names too: Push folder, Push message; Call; Pop the text.
Function ${PROCSWEEP_UN}ProcsweepWithHolders
  Exch $1 ; the message
  Exch
  Exch $0 ; the folder
  StrCpy $ProcsweepHolders ""
  ${If} $0 != ""
    !insertmacro ProcsweepHoldersIn $0
  ${EndIf}
  ${If} $ProcsweepHolders != ""
    !insertmacro ProcsweepNote "Programs using files of ${PRODUCT_NAME}:$\r$\n$ProcsweepHolders"
    !insertmacro ProcsweepText holders $0
    StrCpy $1 "$1$\r$\n$\r$\n$0$\r$\n$ProcsweepHolders"
  ${EndIf}
  Pop $0
  Exch $1
FunctionEnd

; After the application has been closed or ended, its files can stay in use for a few seconds: a
; process that exits slowly, a scanner that opens what was just closed. Before anything is
; replaced, the programs that hold them get up to PROCSWEEP_LET_GO_MS to let go; then the person
; is asked to retry, go on or stop (nothing written), and a silent run goes on, naming them in
; the report. $0 is the folder.
Function ${PROCSWEEP_UN}ProcsweepLetGo
  Exch $0
  Push $1
  Push $2
  Push $3
  ${Do}
    System::Call "kernel32::GetTickCount() i .r1"
    StrCpy $3 0 ; whether the details say what it waits for
    ${Do}
      !insertmacro ProcsweepHoldersIn $0
      ${If} $ProcsweepHolders == ""
        ${ExitDo}
      ${EndIf}
      System::Call "kernel32::GetTickCount() i .r2"
      IntOp $2 $2 - $1
      ${If} $2 >= ${PROCSWEEP_LET_GO_MS}
        ${ExitDo}
      ${EndIf}
      ${If} $3 = 0
        StrCpy $3 1
        !insertmacro ProcsweepText waiting-files $2
        DetailPrint $2
      ${EndIf}
      Sleep 500
    ${Loop}
    ${If} $ProcsweepHolders == ""
      ${ExitDo}
    ${EndIf}
    !insertmacro ProcsweepNote "Files of ${PRODUCT_NAME} still in use after ${PROCSWEEP_LET_GO_MS} ms, by:$\r$\n$ProcsweepHolders"
    ${If} ${Silent}
      !insertmacro ProcsweepNote "Going on: the run is silent."
      ${ExitDo}
    ${EndIf}
    !insertmacro ProcsweepText still-in-use $2
    MessageBox MB_ABORTRETRYIGNORE|MB_ICONEXCLAMATION "$2" /SD IDIGNORE IDRETRY retry IDIGNORE ignore
    !insertmacro ProcsweepNote "The user chose to stop: nothing was changed."
    !insertmacro ProcsweepKeepReport "${PROCSWEEP_REPORT}"
    SetErrorLevel ${PROCSWEEP_IN_USE_EXIT_CODE}
    Quit
    ignore:
    !insertmacro ProcsweepNote "The user chose to go on."
    ${ExitDo}
    retry:
  ${Loop}
  Pop $3
  Pop $2
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

; The folder of the installation recorded under a registry root, where electron-builder's
; installer finds the one it uninstalls first: its InstallLocation, or, when that is empty, the
; folder of its uninstaller; "" when no uninstaller is recorded. Push root; Call; Pop folder.
Function ProcsweepRecordedFolder
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
  StrCpy $2 ""
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
  ${EndIf}
  StrCpy $0 $2
  Pop $2
  Pop $1
  Exch $0
FunctionEnd

; ProcsweepEndApplicationIn for the installation recorded under a registry root, unless it is
; $INSTDIR.
Function ProcsweepEndRecordedApplication
  Call ProcsweepRecordedFolder
  Exch $0
  ${If} $0 != ""
  ${AndIf} $0 != $INSTDIR
    Push $0
    Call ProcsweepEndApplicationIn
  ${EndIf}
  Pop $0
FunctionEnd

; When the uninstaller of the installation electron-builder's installer uninstalls first fails,
; electron-builder offers customUnInstallCheck (the installation of the install mode) and
; customUnInstallCheckCurrentUser (the current user's, when installing for every user) in place of
; its own handling: the same handling, with who holds that installation's files named, and an
; answer when silent (electron-builder's own message box has none: a silent update waits for
; a click that never comes). $R0 is the uninstaller's exit code, the error flag set when it could
; not be started. An author who defines either before including this file keeps their own.
!ifmacrondef customUnInstallCheck
  !macro customUnInstallCheck
    Push SHELL_CONTEXT
    Call ProcsweepUninstallCheck
  !macroend
!endif
!ifmacrondef customUnInstallCheckCurrentUser
  !macro customUnInstallCheckCurrentUser
    Push HKCU
    Call ProcsweepUninstallCheck
  !macroend
!endif

Function ProcsweepUninstallCheck
  Exch $0 ; the root
  ${If} ${Errors}
    DetailPrint `Uninstall was not successful. Not able to launch uninstaller!`
  ${ElseIf} $R0 != 0
    !insertmacro ProcsweepNote "The uninstaller of the installation found under $0 ended with $R0: nothing was changed."
    Push $0
    Call ProcsweepRecordedFolder
    Push "$(uninstallFailed): $R0"
    Call ProcsweepWithHolders
    Pop $0
    !insertmacro ProcsweepKeepReport "${PROCSWEEP_REPORT}"
    MessageBox MB_OK|MB_ICONEXCLAMATION "$0" /SD IDOK
    DetailPrint `Uninstall was not successful. Uninstaller error code: $R0.`
    SetErrorLevel ${PROCSWEEP_IN_USE_EXIT_CODE}
    Quit
  ${EndIf}
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
