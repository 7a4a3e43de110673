; The Windows installer: vermark-gui.exe and vermark.exe under Program Files, a
; Start-menu entry, "Open with" for .dxf files, and an uninstaller that removes all of it. The
; user's settings and logs (under the common documents folder) are left in place.
;
; makensis -DVERSION=1.0.2023.921 -DGUI_EXE=... -DCLI_EXE=... -DICON=... -DOUTFILE=... vermark.nsi

; A 64-bit installer for the 64-bit programs (and for Wine prefixes without 32-bit support).
Target amd64-unicode

!define APP_NAME "Vermark"
!define GUI_NAME "vermark-gui.exe"
!define CLI_NAME "vermark.exe"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Vermark"
!define APPLICATION_KEY "Software\Classes\Applications\${GUI_NAME}"

Name "${APP_NAME}"
OutFile "${OUTFILE}"
Icon "${ICON}"
UninstallIcon "${ICON}"
InstallDir "$PROGRAMFILES64\${APP_NAME}"
RequestExecutionLevel admin
SetCompressor /SOLID lzma
ShowInstDetails nevershow

VIProductVersion "${VERSION}"
VIAddVersionKey "ProductName" "${APP_NAME}"
VIAddVersionKey "FileDescription" "${APP_NAME} Setup"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "LegalCopyright" "Copyright (C) 2023 Vermark developers"

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

Function .onInit
  SetRegView 64
  SetShellVarContext all
FunctionEnd

Function un.onInit
  SetRegView 64
  SetShellVarContext all
FunctionEnd

Section "Vermark"
  SetOutPath "$INSTDIR"
  File "/oname=${GUI_NAME}" "${GUI_EXE}"
  File "/oname=${CLI_NAME}" "${CLI_EXE}"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  CreateShortCut "$SMPROGRAMS\${APP_NAME}.lnk" "$INSTDIR\${GUI_NAME}" "" "$INSTDIR\${GUI_NAME}" 0

  ; "Open with" for drawings: the program's own entry and its place in the .dxf list.
  WriteRegStr HKLM "${APPLICATION_KEY}" "FriendlyAppName" "${APP_NAME}"
  WriteRegStr HKLM "${APPLICATION_KEY}\SupportedTypes" ".dxf" ""
  WriteRegStr HKLM "${APPLICATION_KEY}\shell\open\command" "" '"$INSTDIR\${GUI_NAME}" "%1"'
  WriteRegStr HKLM "Software\Classes\.dxf\OpenWithList\${GUI_NAME}" "" ""

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${APP_NAME}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\${GUI_NAME}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
  Delete "$INSTDIR\${GUI_NAME}"
  Delete "$INSTDIR\${CLI_NAME}"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  Delete "$SMPROGRAMS\${APP_NAME}.lnk"
  DeleteRegKey HKLM "${APPLICATION_KEY}"
  DeleteRegKey HKLM "Software\Classes\.dxf\OpenWithList\${GUI_NAME}"
  DeleteRegKey /ifempty HKLM "Software\Classes\.dxf\OpenWithList"
  DeleteRegKey /ifempty HKLM "Software\Classes\.dxf"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
