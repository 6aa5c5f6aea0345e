; installer.nsi: a stand-in installer, NOT electron-builder's, for a machine that runs no 32-bit
; program (electron-builder's installers, and the plug-ins its templates need, are 32-bit only).
; It shows the package's electron-builder.nsh, unchanged, at work in an installer built the way
; electron-builder inserts it, and nothing of electron-builder's own templates.
;
; What it keeps of electron-builder's installers, in the same order (each named where it is):
;   - the one-click kind (ONE_CLICK defined): a banner over the page that says "Installing,
;     please wait..." (SpiderBanner's, in electron-builder's), and the check in the section;
;   - the assisted kind: a directory page, the details hidden before the check, the check
;     skipped in the elevated instance of the UAC plug-in (see UAC.nsh beside this file), and
;     that instance installing for every user;
;   - before writing a file, the uninstaller of the installation recorded in the registry
;     (that of every user when installing for every user, and the current user's as well) run
;     silently in place with --updated, wherever the new version goes;
;   - the uninstaller checks in un.onInit when silent (and the one-click one always), and the
;     assisted one in its section otherwise.
;
; Built like electron-builder's, with makensis -WX and electron-builder's names for the defines
; (PRODUCT_NAME, PRODUCT_FILENAME, APP_GUID, APP_FILENAME, BUILD_RESOURCES_DIR, APP_BUILD_DIR,
; UNINSTALLER_OUT_FILE, ONE_CLICK; AUTHOR_INCLUDE, the include's path, is the stand-in's own) and
; -XOutFile, in two passes: with BUILD_UNINSTALLER, a program that writes the uninstaller to
; UNINSTALLER_OUT_FILE, which the build runs; then the installer, which carries that
; uninstaller.
Unicode true
RequestExecutionLevel user
!include LogicLib.nsh
!include FileFunc.nsh
!include WinMessages.nsh

Name "${PRODUCT_NAME}"
!define INSTALL_REGISTRY_KEY "Software\${APP_GUID}"
!define UNINSTALL_FILENAME "Uninstall ${PRODUCT_FILENAME}.exe"

; electron-builder's messages that the include and the stand-in show.
LoadLanguageFile "${NSISDIR}\Contrib\Language files\English.nlf"
LangString appCannotBeClosed ${LANG_ENGLISH} \
  "${PRODUCT_NAME} cannot be closed. $\r$\nPlease close it manually and click Retry to continue."
LangString installing ${LANG_ENGLISH} "Installing, please wait..."
LangString uninstallFailed ${LANG_ENGLISH} "Failed to uninstall old application files."

; Where electron-builder includes an author's nsis.include (AUTHOR_INCLUDE, its full path):
; before its templates, with its own include folder (here: this folder, for UAC.nsh) searched
; first.
!addincludedir "${__FILEDIR__}"
!addincludedir "${BUILD_RESOURCES_DIR}"
!include "${AUTHOR_INCLUDE}"
; electron-builder's templates include the plug-in's header in every kind of installer.
!include UAC.nsh

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
    ; The elevated instance installs for every user; the others for the current user.
    ${If} ${UAC_IsInnerInstance}
      SetShellVarContext all
    ${EndIf}
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

  ; electron-builder's uninstallOldVersion: the uninstaller of the installation recorded under a
  ; root ("SHELL_CONTEXT" or "HKCU"), copied out of it and run silently in place.
  Function UninstallOldVersion
    Exch $0
    ${If} $0 == HKCU
      ReadRegStr $0 HKCU "${INSTALL_REGISTRY_KEY}" InstallLocation
      StrCpy $1 "/currentuser"
    ${Else}
      ReadRegStr $0 SHELL_CONTEXT "${INSTALL_REGISTRY_KEY}" InstallLocation
      StrCpy $1 "/currentuser"
      ${If} ${ShellVarContextAll}
        StrCpy $1 "/allusers"
      ${EndIf}
    ${EndIf}
    ${If} $0 != ""
    ${AndIf} ${FileExists} "$0\${UNINSTALL_FILENAME}"
      CopyFiles /SILENT "$0\${UNINSTALL_FILENAME}" "$PLUGINSDIR\old-uninstaller.exe"
      ExecWait '"$PLUGINSDIR\old-uninstaller.exe" /S /KEEP_APP_DATA $1 --updated _?=$0' $2
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
    File /r "${APP_BUILD_DIR}\*.*"
    File "/oname=${UNINSTALL_FILENAME}" "${UNINSTALLER_OUT_FILE}"
    WriteRegStr SHELL_CONTEXT "${INSTALL_REGISTRY_KEY}" InstallLocation "$INSTDIR"
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
  SectionEnd
!endif
