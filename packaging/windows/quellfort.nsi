; The Windows installer, quellfort-VERSION-setup.exe, made with NSIS (makensis) from the game
; directory the Windows build lays out. It installs for the current player alone, without
; administrator rights, into %LOCALAPPDATA%\Programs\Quellfort; it adds a Start-menu shortcut and
; an entry in Apps & features. The uninstaller removes what the installer put there and leaves
; the player's high-score table (kept in %APPDATA%\Quellfort) alone. /S installs and uninstalls
; silently; /D=FOLDER (last on the command line) installs elsewhere.
;
; makensis -DVERSION=1.0.0 -DDIST=build-win/dist -DICON=build-win/quellfort.ico
;          -DOUTFILE=build-win/quellfort-1.0.0-setup.exe packaging/windows/quellfort.nsi

; The 64-bit installer: the game is a 64-bit program, and so is what the installer runs.
Target amd64-unicode
SetCompressor /SOLID lzma
ManifestDPIAware true
RequestExecutionLevel user

!include "MUI2.nsh"
!include "FileFunc.nsh"

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Quellfort"
!define PUBLISHER "The Quellfort developers"

Name "Quellfort"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\Quellfort"
; A new version goes where the last one was installed.
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
Icon "${ICON}"
UninstallIcon "${ICON}"
BrandingText "Quellfort ${VERSION}"

; The installer's own file properties.
VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=1033 "ProductName" "Quellfort"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "FileDescription" "Quellfort ${VERSION} installer"
VIAddVersionKey /LANG=1033 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=1033 "LegalCopyright" "Copyright 2026 ${PUBLISHER}"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
!define MUI_FINISHPAGE_RUN "$INSTDIR\quellfort.exe"
!define MUI_FINISHPAGE_RUN_TEXT "Play Quellfort now"
!define MUI_FINISHPAGE_SHOWREADME "$INSTDIR\README.txt"
!define MUI_FINISHPAGE_SHOWREADME_NOTCHECKED
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

Section "Quellfort"
    SetShellVarContext current
    SetOutPath "$INSTDIR"
    File "${DIST}\quellfort.exe"
    File "${DIST}\qfel.dat"
    File "${DIST}\README.txt"
    File "${DIST}\LICENSE.txt"
    SetOutPath "$INSTDIR\images"
    File "${DIST}\images\*.bmp"
    WriteUninstaller "$INSTDIR\uninstall.exe"

    ; The shortcut starts the game in its own folder.
    SetOutPath "$INSTDIR"
    CreateShortCut "$SMPROGRAMS\Quellfort.lnk" "$INSTDIR\quellfort.exe" "" "$INSTDIR\quellfort.exe" 0 \
        SW_SHOWNORMAL "" "Turn back a formation of viruses before it reaches your line"

    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "Quellfort"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\quellfort.exe,0"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
    WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
    ; Apps & features shows the size from this, in KiB.
    ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
    IntFmt $0 "0x%08X" $0
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" "$0"
SectionEnd

; Only the files the installer wrote go: the high-score table, anything the player put in the
; folder, and the folder holding them stay.
Section "Uninstall"
    SetShellVarContext current
    Delete "$SMPROGRAMS\Quellfort.lnk"
    Delete "$INSTDIR\quellfort.exe"
    Delete "$INSTDIR\qfel.dat"
    Delete "$INSTDIR\README.txt"
    Delete "$INSTDIR\LICENSE.txt"
    Delete "$INSTDIR\images\*.bmp"
    RMDir "$INSTDIR\images"
    Delete "$INSTDIR\uninstall.exe"
    RMDir "$INSTDIR"
    DeleteRegKey HKCU "${UNINSTALL_KEY}"
SectionEnd
