; Gleaner's installer. Per user and without administrator rights: the program goes into the
; user's own programs folder unless the user picks another, and is registered in the user's
; Add/Remove Programs. The uninstaller removes what this installer put there and nothing else:
; the settings under HKCU\Software\Ostrel\Gleaner and the logs stay for a later install.
;
; Built by the release build (cmake/Release.cmake), which defines:
;   VERSION       the program's version, e.g. 1.5.1
;   PRODUCT_PAGE  the product's web page
;   EXE_FILE      the release gleaner.exe, CHM_FILE its help file, ICON_FILE the program icon
;   OUT_FILE      where the installer is written
;
; Silent use: gleaner-setup.exe /S [/D=folder]   (/D= last, unquoted, even with blanks)
;             Uninstall.exe /S

Unicode true
; gleaner.exe is 64-bit only, and so is this installer.
Target amd64-unicode
SetCompressor /SOLID lzma
ManifestDPIAware true

!include MUI2.nsh
!include FileFunc.nsh

!define PRODUCT "Gleaner"
!define COMPANY "Ostrel"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${PRODUCT}"
!define UNINSTALLER "Uninstall.exe"
; Directly in the Start menu's Programs, as current Windows versions expect.
!define SHORTCUT "$SMPROGRAMS\${PRODUCT}.lnk"

Name "${COMPANY} ${PRODUCT}"
Caption "${COMPANY} ${PRODUCT} ${VERSION} Setup"
OutFile "${OUT_FILE}"
RequestExecutionLevel user
InstallDir "$LOCALAPPDATA\Programs\${PRODUCT}"
; Installing again goes where the last install went.
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "${COMPANY} ${PRODUCT} ${VERSION}"

!define MUI_ICON "${ICON_FILE}"
!define MUI_UNICON "${ICON_FILE}"
!define MUI_ABORTWARNING
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_RUN "$INSTDIR\gleaner.exe"
!define MUI_FINISHPAGE_NOREBOOTSUPPORT
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

VIProductVersion "${VERSION}.0"
VIFileVersion "${VERSION}.0"
VIAddVersionKey /LANG=${LANG_ENGLISH} "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "CompanyName" "${COMPANY}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "FileDescription" "${PRODUCT} Setup"
VIAddVersionKey /LANG=${LANG_ENGLISH} "FileVersion" "${VERSION}.0"
VIAddVersionKey /LANG=${LANG_ENGLISH} "ProductVersion" "${VERSION}.0"
VIAddVersionKey /LANG=${LANG_ENGLISH} "LegalCopyright" "Copyright (C) ${COMPANY}"

Section "Gleaner"
  SetShellVarContext current
  SetOutPath "$INSTDIR"
  File "/oname=gleaner.exe" "${EXE_FILE}"
  File "/oname=gleaner.chm" "${CHM_FILE}"
  WriteUninstaller "$INSTDIR\${UNINSTALLER}"
  CreateShortcut "${SHORTCUT}" "$INSTDIR\gleaner.exe" "" "$INSTDIR\gleaner.exe" 0

  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "${COMPANY}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\gleaner.exe,0"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "URLInfoAbout" "${PRODUCT_PAGE}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\${UNINSTALLER}"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\${UNINSTALLER}" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
  ; In KB, of what is in the folder now (Add/Remove Programs shows it).
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  IntFmt $0 "0x%08X" $0
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" "$0"
SectionEnd

Section "Uninstall"
  SetShellVarContext current
  Delete "${SHORTCUT}"
  Delete "$INSTDIR\gleaner.exe"
  Delete "$INSTDIR\gleaner.chm"
  Delete "$INSTDIR\${UNINSTALLER}"
  ; Only when empty: the user may have chosen a folder that holds other files.
  RMDir "$INSTDIR"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
SectionEnd
