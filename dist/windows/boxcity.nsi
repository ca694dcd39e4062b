; boxcity.nsi -- the Windows installer: boxcity.exe and the licence in Program
; Files, boxcity.scr in the system folder (where the screensaver settings list
; it), a Start-menu entry, and an uninstaller registered with the list of
; installed programs. /S installs (and uninstalls) silently.
;
; makensis -DVERSION=X.Y.Z -DEXE=boxcity.exe -DSCR=boxcity.scr -DICON=boxcity.ico
;          "-DCOPYRIGHT=Copyright (c) ..." (the line of LICENSE)
;          -DLICENSE=LICENSE -DOUTFILE=boxcity-X.Y.Z-setup.exe boxcity.nsi
; (scripts/package-windows passes the version of the CMake project).

; The default 32-bit stub needs a 32-bit Windows layer, which 64-bit-only
; systems lack; boxcity itself is 64-bit anyway.
Target amd64-unicode
SetCompressor /SOLID lzma
; File would store each file's modification time in the installer, so that
; the same release rebuilt later would differ; the installed files take the
; time they are installed instead.
SetDateSave off

!include "MUI2.nsh"
!include "FileFunc.nsh"

!macro REQUIRE NAME
  !ifndef ${NAME}
    !error "${NAME} must be defined (-D${NAME}=...)"
  !endif
!macroend
!insertmacro REQUIRE VERSION
!insertmacro REQUIRE EXE
!insertmacro REQUIRE SCR
!insertmacro REQUIRE ICON
!insertmacro REQUIRE COPYRIGHT
!insertmacro REQUIRE LICENSE
!insertmacro REQUIRE OUTFILE

; ---- constants ----

!define NAME "boxcity"
!define PUBLISHER "the boxcity developers"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${NAME}"
!define SHORTCUT "$SMPROGRAMS\${NAME}.lnk"

Name "${NAME} ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\${NAME}"
; The system folder and HKLM need an administrator.
RequestExecutionLevel admin
VIProductVersion "${VERSION}.0"
VIAddVersionKey "ProductName" "${NAME}"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "CompanyName" "${PUBLISHER}"
VIAddVersionKey "FileDescription" "${NAME} installer"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "LegalCopyright" "${COPYRIGHT}"
; boxcity's own icon on the installer and the uninstaller, as on the programs.
!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"

; ---- pages ----

!insertmacro MUI_PAGE_LICENSE "${LICENSE}"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

; ---- sections ----

Section "boxcity"
  SetShellVarContext all
  SetRegView 64

  SetOutPath "$INSTDIR"
  File "/oname=boxcity.exe" "${EXE}"
  File "/oname=LICENSE.txt" "${LICENSE}"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  ; The screensaver settings offer every .scr found in the system folder.
  SetOutPath "$SYSDIR"
  File "/oname=boxcity.scr" "${SCR}"

  SetOutPath "$INSTDIR"
  CreateShortcut "${SHORTCUT}" "$INSTDIR\boxcity.exe" "" "$INSTDIR\boxcity.exe" 0

  ; What Windows shows as the program's size: both folders' share of it.
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  ${GetSize} "$SYSDIR" "/M=boxcity.scr /S=0K /G=0" $3 $1 $2
  IntOp $0 $0 + $3
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${NAME}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\boxcity.exe,0"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

; Exactly what the installer made; the folder goes only if nothing else
; was put in it.
Section "Uninstall"
  SetShellVarContext all
  SetRegView 64

  Delete "$SYSDIR\boxcity.scr"
  Delete "${SHORTCUT}"
  Delete "$INSTDIR\boxcity.exe"
  Delete "$INSTDIR\LICENSE.txt"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
