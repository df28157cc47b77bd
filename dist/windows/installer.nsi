; The Torvik Master installer, for the whole machine (it runs elevated, so the
; profile it runs in may be an administrator's, not the user's): the program's
; folder under Program Files, a Start menu entry and a start at log-on for
; every user, an entry among the installed programs, and an uninstaller that
; takes all of it away again. Built by the windows_package
; target: makensis -DVERSION=<v> -DSTAGE=<program folder> -DOUTFILE=<setup.exe>

; A 64-bit installer: the program is 64-bit, and Wine runs it without 32-bit support.
Target amd64-unicode
SetCompressor /SOLID lzma
!include "x64.nsh"

!define APPNAME "Torvik Master"
!define EXE "torvik-master.exe"
!define UNINSTKEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\TorvikMaster"
!define RUNKEY "Software\Microsoft\Windows\CurrentVersion\Run"

Name "${APPNAME} ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\TorvikMaster"
RequestExecutionLevel admin
ShowInstDetails nevershow
ShowUninstDetails nevershow

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

Function .onInit
  ${IfNot} ${RunningX64}
    MessageBox MB_ICONSTOP|MB_OK "${APPNAME} needs 64-bit Windows." /SD IDOK
    Abort
  ${EndIf}
  SetRegView 64
FunctionEnd

Function un.onInit
  SetRegView 64
FunctionEnd

; Earlier versions put the Start menu entry and the start at log-on into the
; profile of the user who ran setup; those would start a second copy.
!macro RemovePerUserEntries
  SetShellVarContext current
  Delete "$SMPROGRAMS\${APPNAME}.lnk"
  DeleteRegValue HKCU "${RUNKEY}" "TorvikMaster"
  SetShellVarContext all
!macroend

Section "Install"
  !insertmacro RemovePerUserEntries
  SetOutPath "$INSTDIR"
  File "${STAGE}\*.exe"
  File "${STAGE}\*.dll"
  File "${STAGE}\README.txt"
  SetOutPath "$INSTDIR\platforms"
  File "${STAGE}\platforms\*.dll"
  SetOutPath "$INSTDIR\styles"
  File "${STAGE}\styles\*.dll"
  SetOutPath "$INSTDIR"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  CreateShortcut "$SMPROGRAMS\${APPNAME}.lnk" "$INSTDIR\${EXE}"
  WriteRegStr HKLM "${RUNKEY}" "TorvikMaster" '"$INSTDIR\${EXE}"'

  WriteRegStr HKLM "${UNINSTKEY}" "DisplayName" "${APPNAME}"
  WriteRegStr HKLM "${UNINSTKEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTKEY}" "DisplayIcon" "$INSTDIR\${EXE}"
  WriteRegStr HKLM "${UNINSTKEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTKEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTKEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTKEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTKEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
  !insertmacro RemovePerUserEntries
  Delete "$SMPROGRAMS\${APPNAME}.lnk"
  DeleteRegValue HKLM "${RUNKEY}" "TorvikMaster"
  DeleteRegKey HKLM "${UNINSTKEY}"
  Delete "$INSTDIR\platforms\*.dll"
  RMDir "$INSTDIR\platforms"
  Delete "$INSTDIR\styles\*.dll"
  RMDir "$INSTDIR\styles"
  Delete "$INSTDIR\*.dll"
  Delete "$INSTDIR\${EXE}"
  Delete "$INSTDIR\README.txt"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
SectionEnd
