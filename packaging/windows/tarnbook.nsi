; The Windows installer of Tarnbook: for the current user only, without administrator rights.
; The program goes to the user's own program folder, which holds the program's files only, so
; that an upgrade replaces it whole: files an older version shipped and this one does not are
; gone with it. The working folder, where the program keeps settings.ini, the lists and the
; staff base, is Documents\Tarnbook, which the Start-menu shortcut starts in. The example base
; and list are put there only when the folder has none; the uninstaller leaves that folder as
; it is.
;
; Nothing is changed while Tarnbook runs from the program folder: the installer and the
; uninstaller ask to close it first, and in silent mode (/S) stop with exit code 2.
;
;   makensis -INPUTCHARSET UTF8 -DVERSION=x.y.z -DSTAGE=folder -DFILES_NSH=file.nsh
;            -DICON=file.ico -DOUTFILE=setup.exe tarnbook.nsi
; STAGE is the portable folder that scripts/windows.sh makes; FILES_NSH, made with it, holds
; the macros InstallProgramFiles, RemoveProgramFiles, ProgramFileLeft and ProgramFileInUse over
; its program files.

Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel user
ManifestDPIAware true

!include "MUI2.nsh"
!include "LogicLib.nsh"
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

!define MUI_PAGE_CUSTOMFUNCTION_LEAVE CheckChosenFolder
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "Russian"

Var WorkingFolder
; The earlier version's program folder, moved aside while this one is installed; empty when
; there was none.
Var Previous

; $R0: the first file of a program folder that is in use (a running Tarnbook holds its program
; and libraries open), or empty. The program itself is checked first, then every file that this
; version ships.
!macro FindFileInUse
    StrCpy $R0 ""
    ${If} ${FileExists} "$INSTDIR\tarnbook.exe"
        ClearErrors
        FileOpen $R1 "$INSTDIR\tarnbook.exe" a
        ${If} ${Errors}
            StrCpy $R0 "tarnbook.exe"
        ${Else}
            FileClose $R1
        ${EndIf}
    ${EndIf}
    ${If} $R0 == ""
        !insertmacro ProgramFileInUse $R0
    ${EndIf}
!macroend

; Asks the player to close Tarnbook while it runs from the program folder; silently, or when
; the player declines, stops with exit code 2 before anything is changed.
!macro WaitUntilClosed what
    ${Do}
        !insertmacro FindFileInUse
        ${If} $R0 == ""
            ${Break}
        ${EndIf}
        ${IfNot} ${Cmd} `MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "Tarnbook запущен из папки $INSTDIR (занят файл $R0). Закройте программу и нажмите «Повтор», чтобы ${what} её, или «Отмена», чтобы ничего не менять." /SD IDCANCEL IDRETRY`
            SetErrorLevel 2
            Quit
        ${EndIf}
    ${Loop}
!macroend

Function .onInit
    SetShellVarContext current
FunctionEnd

Function un.onInit
    SetShellVarContext current
    !insertmacro WaitUntilClosed "удалить"
FunctionEnd

Function StartFromWorkingFolder
    SetOutPath "$DOCUMENTS\${PRODUCT}"
    Exec '"$INSTDIR\tarnbook.exe"'
FunctionEnd

; $R0: why the program cannot go to $INSTDIR, or empty. The folder must be new, empty, or an
; earlier install of Tarnbook (its uninstaller beside the program) that holds none of the
; player's files: an upgrade replaces it whole.
Function FolderProblem
    StrCpy $R0 ""
    ${IfNot} ${FileExists} "$INSTDIR\*.*"
        ${If} ${FileExists} "$INSTDIR"
            StrCpy $R0 "$INSTDIR — это файл, а не папка."
        ${EndIf}
        Return
    ${EndIf}
    ${If} ${FileExists} "$INSTDIR\tarnbook.exe"
    ${AndIf} ${FileExists} "$INSTDIR\uninstall.exe"
        ${For} $R1 1 5
            ${Select} $R1
                ${Case} 1
                    StrCpy $R2 "settings.ini"
                ${Case} 2
                    StrCpy $R2 "list.txt"
                ${Case} 3
                    StrCpy $R2 "save1.txt"
                ${Case} 4
                    StrCpy $R2 "save2.txt"
                ${Case} 5
                    StrCpy $R2 "save3.txt"
            ${EndSelect}
            ${If} ${FileExists} "$INSTDIR\$R2"
                StrCpy $R0 "В папке программы $INSTDIR лежит ваш файл $R2. Перенесите свои файлы в «Документы\${PRODUCT}» и запустите установку снова."
                Return
            ${EndIf}
        ${Next}
        FindFirst $R1 $R2 "$INSTDIR\*.hjt"
        FindClose $R1
        ${If} $R2 != ""
            StrCpy $R0 "В папке программы $INSTDIR лежит ваша база $R2. Перенесите свои файлы в «Документы\${PRODUCT}» и запустите установку снова."
        ${EndIf}
        Return
    ${EndIf}
    FindFirst $R1 $R2 "$INSTDIR\*.*"
    ${DoWhile} $R2 != ""
        ${If} $R2 != "."
        ${AndIf} $R2 != ".."
            StrCpy $R0 "Папка $INSTDIR не пуста. Выберите пустую папку: программа держит в своей папке только свои файлы и при обновлении заменяет её целиком."
            ${Break}
        ${EndIf}
        FindNext $R1 $R2
    ${Loop}
    FindClose $R1
FunctionEnd

Function CheckChosenFolder
    Call FolderProblem
    ${If} $R0 != ""
        MessageBox MB_OK|MB_ICONEXCLAMATION "$R0"
        Abort
    ${EndIf}
FunctionEnd

; An install that failed halfway is undone: the earlier version comes back as it was.
Function .onInstFailed
    ${If} $Previous != ""
        RMDir /r "$INSTDIR"
        Rename "$Previous" "$INSTDIR"
    ${EndIf}
FunctionEnd

Section "Tarnbook"
    StrCpy $Previous ""
    !insertmacro WaitUntilClosed "обновить"
    Call FolderProblem
    ${If} $R0 != ""
        MessageBox MB_OK|MB_ICONSTOP "$R0" /SD IDOK
        SetErrorLevel 2
        Abort "$R0"
    ${EndIf}

    ; An earlier version's folder is moved aside whole, which also fails, before anything is
    ; changed, when one of its files is still open; it goes once this version is in place.
    ${If} ${FileExists} "$INSTDIR\tarnbook.exe"
        StrCpy $Previous "$INSTDIR.previous"
        ${If} ${FileExists} "$Previous\*.*"
            RMDir /r "$Previous"
        ${EndIf}
        ClearErrors
        Rename "$INSTDIR" "$Previous"
        ${If} ${Errors}
            StrCpy $Previous ""
            MessageBox MB_OK|MB_ICONSTOP "Папку $INSTDIR нельзя заменить: один из её файлов открыт другой программой. Закройте её и запустите установку снова." /SD IDOK
            SetErrorLevel 2
            Abort
        ${EndIf}
    ${EndIf}

    SetOutPath "$INSTDIR"
    SetOverwrite on
    !insertmacro InstallProgramFiles
    WriteUninstaller "$INSTDIR\uninstall.exe"
    ${If} $Previous != ""
        RMDir /r "$Previous"
        StrCpy $Previous ""
    ${EndIf}

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
    ; Only what the installer put there, never the player's folder in Documents. The shortcut,
    ; the uninstaller and its entry go only once every program file is gone, so that a failed
    ; uninstall can be run again.
    !insertmacro RemoveProgramFiles
    !insertmacro ProgramFileLeft $R0
    ${If} $R0 != ""
        MessageBox MB_OK|MB_ICONSTOP "Файл $INSTDIR\$R0 удалить не удалось: программа удалена не полностью. Закройте то, что его держит, и запустите удаление снова." /SD IDOK
        SetErrorLevel 2
        Abort
    ${EndIf}
    Delete "$INSTDIR\uninstall.exe"
    RMDir "$INSTDIR"
    Delete "$SMPROGRAMS\${PRODUCT}.lnk"
    DeleteRegKey HKCU "${UNINSTALL_KEY}"
SectionEnd
