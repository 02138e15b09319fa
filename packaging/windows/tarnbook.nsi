; The Windows installer of Tarnbook: for the current user only, without administrator rights.
; The program goes to the user's own program folder; the working folder, where the program
; keeps settings.ini, the lists and the staff base, is Documents\Tarnbook, which the Start-menu
; shortcut starts in. The example base and list are put there only when the folder has none,
; and the uninstaller leaves that folder as it is.
;
;   makensis -INPUTCHARSET UTF8 -DVERSION=x.y.z -DSTAGE=folder -DFILES_NSH=file.nsh
;            -DICON=file.ico -DOUTFILE=setup.exe tarnbook.nsi
; STAGE is the portable folder that scripts/windows.sh makes; FILES_NSH, made with it, holds
; the macros InstallProgramFiles and RemoveProgramFiles over its program files.

Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel user
ManifestDPIAware true

!include "MUI2.nsh"
!include "${FILES_NSH}"

!define PRODUCT "Tarnbook"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Tarnbook"

Name "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\${PRODUCT}"
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "${PRODUCT} ${VERSION}"

VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=1049 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=1049 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1049 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1049 "FileDescription" "Установка ${PRODUCT}"
VIAddVersionKey /LANG=1049 "CompanyName" "Tarnbook developers"
VIAddVersionKey /LANG=1049 "LegalCopyright" "Tarnbook developers"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
!define MUI_FINISHPAGE_RUN
!define MUI_FINISHPAGE_RUN_FUNCTION StartFromWorkingFolder
!define MUI_FINISHPAGE_SHOWREADME "$INSTDIR\README.txt"

!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "Russian"

Var WorkingFolder

Function .onInit
    SetShellVarContext current
FunctionEnd

Function un.onInit
    SetShellVarContext current
FunctionEnd

Function StartFromWorkingFolder
    SetOutPath "$DOCUMENTS\${PRODUCT}"
    Exec '"$INSTDIR\tarnbook.exe"'
FunctionEnd

Section "Tarnbook"
    SetOutPath "$INSTDIR"
    SetOverwrite on
    !insertmacro InstallProgramFiles
    WriteUninstaller "$INSTDIR\uninstall.exe"

    ; The player's working folder: the examples only where there is nothing yet.
    StrCpy $WorkingFolder "$DOCUMENTS\${PRODUCT}"
    CreateDirectory "$WorkingFolder"
    SetOutPath "$WorkingFolder"
    SetOverwrite off
    File "${STAGE}/staff.hjt"
    File "${STAGE}/list.txt"
    SetOverwrite on

    ; The shortcut starts in the working folder (the current folder when it is created).
    CreateShortCut "$SMPROGRAMS\${PRODUCT}.lnk" "$INSTDIR\tarnbook.exe" "" \
        "$INSTDIR\tarnbook.exe" 0 SW_SHOWNORMAL "" "Списки предметов и база стафа"

    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "Tarnbook developers"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\tarnbook.exe,0"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
    WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
    ; Only what the installer put there: a folder the player chose may hold other files.
    !insertmacro RemoveProgramFiles
    Delete "$INSTDIR\uninstall.exe"
    RMDir "$INSTDIR"
    Delete "$SMPROGRAMS\${PRODUCT}.lnk"
    DeleteRegKey HKCU "${UNINSTALL_KEY}"
SectionEnd
