; The Windows setup program of Kestrane, built by scripts/package-windows
; (makensis -INPUTCHARSET UTF8), which defines:
;   VERSION, VERSION4  the version, as 19.2 and as 19.2.0.0
;   OUTFILE            the setup program to write
;   ICON               the program icon (.ico)
;   FILES, UNFILES     include files naming every staged file: what to
;                      install, and what the uninstaller removes again
;   WITH_CONSOLE       when the console kestrane.exe is among them
;
; It installs into Program Files\Kestrane, adds Start-menu entries, and
; registers an uninstaller that "Apps & features" lists; /S installs (and
; uninstalls) silently. The uninstaller removes what the setup installed and
; nothing else: an installed console keeps the operators' settings
; (KSConfig.ini) and job records (records\) in %APPDATA%\Kestrane of each
; account (platform/program_folder.h), and they stay.

Unicode true
Target amd64-unicode  ; the programs are 64-bit only, and so is the setup
SetCompressor /SOLID lzma
RequestExecutionLevel admin
ManifestDPIAware true

!include MUI2.nsh
!include FileFunc.nsh

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Kestrane"
!define START_FOLDER "$SMPROGRAMS\Kestrane"
; platform/program_folder.h knows an installed copy by this file beside it.
!define UNINSTALLER "uninstall.exe"

Name "Kestrane ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\Kestrane"
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "Kestrane ${VERSION}"

VIProductVersion "${VERSION4}"
VIFileVersion "${VERSION4}"
VIAddVersionKey /LANG=1033 "ProductName" "Kestrane"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "CompanyName" "Kestrane"
VIAddVersionKey /LANG=1033 "FileDescription" "Kestrane ${VERSION} setup"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "LegalCopyright" "Copyright (C) 2026 Kestrane"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING

!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!ifdef WITH_CONSOLE
  !define MUI_FINISHPAGE_RUN "$INSTDIR\kestrane.exe"
!endif
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
; The setup speaks the language of the PC: Chinese, else English.
!insertmacro MUI_LANGUAGE "SimpChinese"
!insertmacro MUI_LANGUAGE "English"

Section "Kestrane"
  SetShellVarContext all
  !include "${FILES}"
  WriteUninstaller "$INSTDIR\${UNINSTALLER}"

  SetOutPath "$INSTDIR"  ; the shortcuts' working folder
  CreateDirectory "${START_FOLDER}"
!ifdef WITH_CONSOLE
  ; The console under its two names, each starting it in that language.
  CreateShortcut "${START_FOLDER}\Kestrane 电火花小孔机控制台.lnk" "$INSTDIR\kestrane.exe" "--lang zh" \
                 "$INSTDIR\kestrane.exe" 0
  CreateShortcut "${START_FOLDER}\Kestrane EDM drilling console.lnk" "$INSTDIR\kestrane.exe" "--lang en" \
                 "$INSTDIR\kestrane.exe" 0
!endif
  CreateShortcut "${START_FOLDER}\Kestrane README.lnk" "$INSTDIR\README.txt"

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "Kestrane"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "Kestrane"
!ifdef WITH_CONSOLE
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\kestrane.exe,0"
!else
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\${UNINSTALLER},0"
!endif
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\${UNINSTALLER}"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\${UNINSTALLER}" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  IntFmt $0 "0x%08X" $0
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" "$0"
SectionEnd

Section "Uninstall"
  SetShellVarContext all
  !include "${UNFILES}"
  Delete "$INSTDIR\${UNINSTALLER}"
  ; Only when empty: a folder chosen by hand may hold other files.
  RMDir "$INSTDIR"

  Delete "${START_FOLDER}\Kestrane 电火花小孔机控制台.lnk"
  Delete "${START_FOLDER}\Kestrane EDM drilling console.lnk"
  Delete "${START_FOLDER}\Kestrane README.lnk"
  RMDir "${START_FOLDER}"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
