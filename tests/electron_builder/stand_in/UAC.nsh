; UAC.nsh of the stand-in installer, NOT the UAC plug-in's header: the plug-in is a 32-bit one,
; and the stand-in is built for a machine that runs no 32-bit program. It answers the one question
; the stand-in asks, UAC_IsInnerInstance (the include asks none: it cannot call the plug-in where
; electron-builder reads it), as the plug-in does: an instance is the
; inner (elevated) one when its command line starts with the argument the plug-in gives the
; instance it starts elevated, /UAC:<outer window>. The tests start the stand-in that way to run
; the branch electron-builder's installer takes in its elevated instance; Wine never needs to
; elevate, so nothing else would.
!ifndef UAC_HDR__INC
!define UAC_HDR__INC

!include LogicLib.nsh
!include FileFunc.nsh

!macro _UAC_IsInnerInstance _a _b _t _f
  !insertmacro _LOGICLIB_TEMP
  ${GetParameters} $_LOGICLIB_TEMP
  StrCpy $_LOGICLIB_TEMP $_LOGICLIB_TEMP 5
  StrCmp $_LOGICLIB_TEMP "/UAC:" `${_t}` `${_f}`
!macroend
!define UAC_IsInnerInstance `"" UAC_IsInnerInstance ""`

!endif
