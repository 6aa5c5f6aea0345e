; stand_in.nsi: a stand-in installer, NOT electron-builder's, for a machine that runs no 32-bit
; program (electron-builder's installers, and the plug-ins its templates need, are 32-bit only).
; It shows integration/electron-builder/installer.nsh, unchanged, at work in an installer built
; the way electron-builder inserts it, and nothing of electron-builder's own templates: a
; one-click per-user installer that lays out the application's files and writes the uninstaller.
;
; Built like electron-builder's, with makensis -WX and electron-builder's names for the defines
; (PRODUCT_NAME, PRODUCT_FILENAME, APP_GUID, APP_FILENAME, BUILD_RESOURCES_DIR, APP_BUILD_DIR,
; UNINSTALLER_OUT_FILE) and -XOutFile, in two passes: with BUILD_UNINSTALLER, a program that
; writes the uninstaller to UNINSTALLER_OUT_FILE, which the build runs; then the installer, which
; carries that uninstaller.
Unicode true
RequestExecutionLevel user
!include LogicLib.nsh

Name "${PRODUCT_NAME}"
!define INSTALL_REGISTRY_KEY "Software\${APP_GUID}"
!define UNINSTALL_FILENAME "Uninstall ${PRODUCT_FILENAME}.exe"

; electron-builder's message, which the include shows when the application cannot be ended.
LoadLanguageFile "${NSISDIR}\Contrib\Language files\English.nlf"
LangString appCannotBeClosed ${LANG_ENGLISH} \
  "${PRODUCT_NAME} cannot be closed. $\r$\nPlease close it manually and click Retry to continue."

; Where electron-builder includes an author's nsis.include: before its templates.
!addincludedir "${BUILD_RESOURCES_DIR}"
!include "${BUILD_RESOURCES_DIR}/installer.nsh"

!ifdef BUILD_UNINSTALLER
  SilentInstall silent
!else
  Page instfiles
!endif

Function .onInit
  !ifdef BUILD_UNINSTALLER
    WriteUninstaller "${UNINSTALLER_OUT_FILE}"
    SetErrorLevel 0
    Quit
  !else
    ; /D= comes first, then the folder of the installation found (an update started without
    ; /D=, as electron-updater starts it), then electron-builder's per-user default.
    ${If} $INSTDIR == ""
      ReadRegStr $INSTDIR HKCU "${INSTALL_REGISTRY_KEY}" InstallLocation
    ${EndIf}
    ${If} $INSTDIR == ""
      StrCpy $INSTDIR "$LOCALAPPDATA\Programs\${APP_FILENAME}"
    ${EndIf}
  !endif
FunctionEnd

Section "install"
  !ifndef BUILD_UNINSTALLER
    InitPluginsDir
    ; Where electron-builder's installer checks: before any file is written.
    !insertmacro customCheckAppRunning
    SetOutPath $INSTDIR
    File /r "${APP_BUILD_DIR}\*.*"
    File "/oname=${UNINSTALL_FILENAME}" "${UNINSTALLER_OUT_FILE}"
    WriteRegStr HKCU "${INSTALL_REGISTRY_KEY}" InstallLocation "$INSTDIR"
  !endif
SectionEnd

!ifdef BUILD_UNINSTALLER
  Function un.checkAppRunning
    !insertmacro customCheckAppRunning
  FunctionEnd

  ; A one-click uninstaller checks in un.onInit and then runs silently (electron-builder's asks
  ; "are you sure" first when not started with /S).
  Function un.onInit
    Call un.checkAppRunning
    SetSilent silent
  FunctionEnd

  Section "un.Uninstall"
    ; Out of $INSTDIR, so that it can be removed.
    SetOutPath $TEMP
    RMDir /r $INSTDIR
    DeleteRegKey HKCU "${INSTALL_REGISTRY_KEY}"
  SectionEnd
!endif
