; installer.nsi: the body of a stand-in installer, NOT electron-builder's templates, for a machine
; that runs no 32-bit program (electron-builder's installers, and the plug-ins its templates need,
; are 32-bit only). It shows the package's electron-builder.nsh at work, unchanged, in an
; installer built for 64-bit Windows.
;
; It is never built alone: the test takes the script electron-builder itself gave makensis for the
; same project (its header: what electron-builder includes and defines before its templates, the
; author's nsis.include among them, and every define it passed), puts this file where
; electron-builder's templates begin, and runs makensis with electron-builder's own arguments
; (-WX among them), its output file and target aside. So the include meets exactly what it meets
; in electron-builder's build, and nothing more.
;
; What it keeps of electron-builder's templates, in the same order (each named where it is):
;   - the one-click kind (ONE_CLICK defined): a banner over the page that says "Installing,
;     please wait..." (SpiderBanner's, in electron-builder's), and the check in the section;
;   - the assisted kind: a directory page, the details hidden before the check, the check skipped
;     in the elevated instance of the UAC plug-in (see UAC.nsh beside this file), and that instance
;     installing for every user; the per-machine kind (INSTALL_MODE_PER_ALL_USERS) installing for
;     every user always;
;   - before writing a file, the uninstaller of the installation recorded in the registry (that of
;     every user when installing for every user, and the current user's as well) run silently in
;     place with --updated, wherever the new version goes: found, as electron-builder finds it,
;     through the uninstaller's command line, in the folder its InstallLocation names or else in
;     the uninstaller's own folder;
;   - the uninstaller checks in un.onInit when silent (and the one-click one always), and the
;     assisted one in its section otherwise.
; The application's files come from electron-builder's win-unpacked folder of the same build.

; Before anything of electron-builder's could: the stand-in's own UAC.nsh, which needs no plug-in.
!include "${__FILEDIR__}\UAC.nsh"
!include LogicLib.nsh
!include FileFunc.nsh
!include WinMessages.nsh

Name "${PRODUCT_NAME}"
!ifdef INSTALL_MODE_PER_ALL_USERS
  RequestExecutionLevel admin
!else
  RequestExecutionLevel user
!endif
!define /ifndef INSTALL_REGISTRY_KEY "Software\${APP_GUID}"
!define /ifndef UNINSTALL_REGISTRY_KEY \
  "Software\Microsoft\Windows\CurrentVersion\Uninstall\${UNINSTALL_APP_KEY}"
!define UNINSTALL_FILENAME "Uninstall ${PRODUCT_FILENAME}.exe"
; electron-builder's output folder, as the test's package.json names it.
!define STAND_IN_APP_DIR "${PROJECT_DIR}\dist\win-unpacked"

; electron-builder's messages are in its header; MUI_LANGUAGE loads the language there.
LoadLanguageFile "${NSISDIR}\Contrib\Language files\English.nlf"

!ifdef BUILD_UNINSTALLER
  SilentInstall silent
!else
  AutoCloseWindow true
  !ifdef ONE_CLICK
    Page instfiles "" StandInBanner
  !else
    Page directory
    Page instfiles
  !endif
!endif

Function .onInit
  !ifdef BUILD_UNINSTALLER
    WriteUninstaller "${UNINSTALLER_OUT_FILE}"
    SetErrorLevel 0
    Quit
  !else
    ; The elevated instance, and a per-machine installer, install for every user; the others for
    ; the current user.
    !ifdef INSTALL_MODE_PER_ALL_USERS
      SetShellVarContext all
    !else
      ${If} ${UAC_IsInnerInstance}
        SetShellVarContext all
      ${EndIf}
    !endif
    ; /D= comes first, then the folder of the installation found (an update started without
    ; /D=, as electron-updater starts it), then electron-builder's defaults.
    ${If} $INSTDIR == ""
      ReadRegStr $INSTDIR SHELL_CONTEXT "${INSTALL_REGISTRY_KEY}" InstallLocation
    ${EndIf}
    ${If} $INSTDIR == ""
    ${AndIf} ${ShellVarContextAll}
      StrCpy $INSTDIR "$PROGRAMFILES64\${APP_FILENAME}"
    ${ElseIf} $INSTDIR == ""
      StrCpy $INSTDIR "$LOCALAPPDATA\Programs\${APP_FILENAME}"
    ${EndIf}
  !endif
FunctionEnd

!ifndef BUILD_UNINSTALLER
  !ifdef ONE_CLICK
    ; SpiderBanner's dialog, in electron-builder's one-click installer, covers the page: a dialog
    ; with its text control (1000) stands in for it, the second dialog below the installer's
    ; window, where electron-builder finds it to write "Installing, please wait...".
    Function StandInBanner
      FindWindow $0 "#32770" "" $HWNDPARENT
      System::Call '*(i, i, i, i) p .r1'
      System::Call 'user32::GetWindowRect(p r0, p r1)'
      System::Call 'user32::MapWindowPoints(p 0, p $HWNDPARENT, p r1, i 2)'
      System::Call '*$1(i .r2, i .r3, i .r4, i .r5)'
      System::Free $1
      IntOp $4 $4 - $2
      IntOp $5 $5 - $3
      ; WS_CHILD | WS_VISIBLE
      System::Call 'user32::CreateWindowExW(i 0, w "#32770", w "", i 0x50000000, i r2, i r3, \
        i r4, i r5, p $HWNDPARENT, p 0, p 0, p 0) p .r6'
      IntOp $5 $5 / 2
      ; WS_CHILD | WS_VISIBLE | SS_CENTER
      System::Call 'user32::CreateWindowExW(i 0, w "STATIC", w "", i 0x50000001, i 0, i r5, \
        i r4, i 40, p r6, p 1000, p 0, p 0)'
      ; HWND_BOTTOM, SWP_NOSIZE | SWP_NOMOVE: after the page's own dialog, which the section
      ; hides (NSIS shows it after this function).
      System::Call 'user32::SetWindowPos(p r6, p 1, i 0, i 0, i 0, i 0, i 3)'
    FunctionEnd
  !endif

  ; electron-builder's uninstallOldVersion: the uninstaller recorded under a root ("SHELL_CONTEXT"
  ; or "HKCU"), copied out of its installation and run silently in place.
  Function UninstallOldVersion
    Exch $0
    ${If} $0 == HKCU
      ReadRegStr $1 HKCU "${UNINSTALL_REGISTRY_KEY}" UninstallString
      ReadRegStr $0 HKCU "${INSTALL_REGISTRY_KEY}" InstallLocation
      StrCpy $3 "/currentuser"
    ${Else}
      ReadRegStr $1 SHELL_CONTEXT "${UNINSTALL_REGISTRY_KEY}" UninstallString
      ReadRegStr $0 SHELL_CONTEXT "${INSTALL_REGISTRY_KEY}" InstallLocation
      StrCpy $3 "/currentuser"
      ${If} ${ShellVarContextAll}
        StrCpy $3 "/allusers"
      ${EndIf}
    ${EndIf}
    ; The uninstaller's path: the command line's first word, in quotes.
    StrCpy $2 $1 1
    ${If} $2 == '"'
      StrCpy $1 $1 "" 1
      StrCpy $2 0
      ${Do}
        StrCpy $4 $1 1 $2
        ${If} $4 == '"'
        ${OrIf} $4 == ""
          ${ExitDo}
        ${EndIf}
        IntOp $2 $2 + 1
      ${Loop}
      StrCpy $1 $1 $2
    ${Else}
      StrCpy $1 ""
    ${EndIf}
    ${If} $0 == ""
    ${AndIf} $1 != ""
      ${GetParent} $1 $0
    ${EndIf}
    ${If} $1 != ""
    ${AndIf} ${FileExists} $1
      CopyFiles /SILENT $1 "$PLUGINSDIR\old-uninstaller.exe"
      ExecWait '"$PLUGINSDIR\old-uninstaller.exe" /S /KEEP_APP_DATA $3 --updated _?=$0' $2
      ${If} $2 != 0
        MessageBox MB_OK|MB_ICONEXCLAMATION "$(uninstallFailed): $2" /SD IDOK
        SetErrorLevel 2
        Quit
      ${EndIf}
    ${EndIf}
    Pop $0
  FunctionEnd
!endif

Section "install"
  !ifndef BUILD_UNINSTALLER
    InitPluginsDir
    ${IfNot} ${Silent}
      SetDetailsPrint none
    ${EndIf}
    ; Where electron-builder's installer checks: before any file is written, but for the
    ; assisted kind only outside the elevated instance.
    !ifdef ONE_CLICK
      ${IfNot} ${Silent}
        FindWindow $0 "#32770" "" $HWNDPARENT
        ShowWindow $0 ${SW_HIDE}
        FindWindow $0 "#32770" "" $HWNDPARENT $0
        GetDlgItem $0 $0 1000
        SendMessage $0 ${WM_SETTEXT} 0 "STR:$(installing)"
      ${EndIf}
      !insertmacro customCheckAppRunning
    !else
      ${IfNot} ${UAC_IsInnerInstance}
        !insertmacro customCheckAppRunning
      ${EndIf}
    !endif
    ; electron-builder's details from here on are hidden again, for as long as it takes to
    ; unpack the application (a while).
    DetailPrint "Stand-in: replacing the files of ${PRODUCT_NAME}."
    ${IfNot} ${Silent}
      Sleep 2000
    ${EndIf}
    Push SHELL_CONTEXT
    Call UninstallOldVersion
    ${If} ${ShellVarContextAll}
      Push HKCU
      Call UninstallOldVersion
    ${EndIf}
    SetOutPath $INSTDIR
    File /r "${STAND_IN_APP_DIR}\*.*"
    File "/oname=${UNINSTALL_FILENAME}" "${UNINSTALLER_OUT_FILE}"
    WriteRegStr SHELL_CONTEXT "${INSTALL_REGISTRY_KEY}" InstallLocation "$INSTDIR"
    StrCpy $0 "/currentuser"
    ${If} ${ShellVarContextAll}
      StrCpy $0 "/allusers"
    ${EndIf}
    WriteRegStr SHELL_CONTEXT "${UNINSTALL_REGISTRY_KEY}" UninstallString \
      '"$INSTDIR\${UNINSTALL_FILENAME}" $0'
  !endif
SectionEnd

!ifdef BUILD_UNINSTALLER
  Function un.checkAppRunning
    !insertmacro customCheckAppRunning
  FunctionEnd

  Function un.onInit
    ${GetParameters} $R0
    ${GetOptions} $R0 "/allusers" $R1
    ${IfNot} ${Errors}
      SetShellVarContext all
    ${EndIf}
    ${If} ${Silent}
      Call un.checkAppRunning
    ${Else}
      !ifdef ONE_CLICK
        ; electron-builder's asks "are you sure" first, then checks and runs silently.
        Call un.checkAppRunning
        SetSilent silent
      !endif
    ${EndIf}
  FunctionEnd

  !ifndef ONE_CLICK
    UninstPage instfiles
  !endif

  Section "un.Uninstall"
    !ifndef ONE_CLICK
      ${IfNot} ${Silent}
        Call un.checkAppRunning
      ${EndIf}
    !endif
    ; Out of $INSTDIR, so that it can be removed.
    SetOutPath $TEMP
    RMDir /r $INSTDIR
    DeleteRegKey SHELL_CONTEXT "${INSTALL_REGISTRY_KEY}"
    DeleteRegKey SHELL_CONTEXT "${UNINSTALL_REGISTRY_KEY}"
  SectionEnd
!endif
