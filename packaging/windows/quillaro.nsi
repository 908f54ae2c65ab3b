; The Quillaro installer for 64-bit Windows. scripts/package-windows builds it:
;   makensis -DVERSION=1.0.0 -DSTAGE=<folder with the files> -DOUTFILE=<setup.exe> quillaro.nsi
; Silent use: Quillaro-<version>-win64-setup.exe /S [/D=C:\Some Folder]
; and, to remove it, "<install folder>\Uninstall.exe" /S

Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
ManifestDPIAware true

!include "MUI2.nsh"
!include "FileFunc.nsh"

!define PRODUCT "Quillaro"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Quillaro"
!define APPLICATION_KEY "Software\Classes\Applications\quillaro.exe"

Name "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\${PRODUCT}"
; A folder chosen at an earlier install is offered again.
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
RequestExecutionLevel admin
BrandingText "${PRODUCT} ${VERSION}"

VIProductVersion "${VERSION}.0"
VIAddVersionKey "ProductName" "${PRODUCT}"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "FileDescription" "${PRODUCT} ${VERSION} Setup"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "LegalCopyright" "The Quillaro developers"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_FINISHPAGE_RUN "$INSTDIR\quillaro.exe"
!insertmacro MUI_PAGE_LICENSE "${STAGE}\LICENSE.txt"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

; Everything the installer puts into the program folder, and nothing else is
; ever removed from it: converted videos or anything else a user keeps there
; stay, and so does the folder while it holds them.
!macro ProgramFiles action
    !insertmacro ${action} "quillaro.exe"
    !insertmacro ${action} "HAND-M.CUR"
    !insertmacro ${action} "drag.ico"
    !insertmacro ${action} "ffmpeg.exe"
    !insertmacro ${action} "ffmpeg-COPYING.LGPLv2.1.txt"
    !insertmacro ${action} "ffmpeg-SOURCE.txt"
    !insertmacro ${action} "LICENSE.txt"
!macroend
!macro InstallFile name
    File "${STAGE}\${name}"
!macroend
!macro RemoveFile name
    Delete "$INSTDIR\${name}"
!macroend

; Explorer's "Open with" offers Quillaro for these types; the program that
; opens them on a double-click stays whatever it was. Only the keys named
; here are ever written or removed: never a type's own key or its default
; value, which name that program.
!macro OpenWithTypes action
    !insertmacro ${action} ".wmv"
    !insertmacro ${action} ".asf"
!macroend
!macro RegisterType type
    WriteRegStr HKLM "${APPLICATION_KEY}\SupportedTypes" "${type}" ""
    WriteRegStr HKLM "Software\Classes\${type}\OpenWithList\quillaro.exe" "" ""
!macroend
!macro UnregisterType type
    DeleteRegKey HKLM "Software\Classes\${type}\OpenWithList\quillaro.exe"
!macroend
; Tells Explorer that file types changed, so its menus show it at once.
!macro NotifyAssociationsChanged
    System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'
!macroend

Section "Quillaro"
    SetShellVarContext all
    SetOutPath "$INSTDIR"
    !insertmacro ProgramFiles InstallFile
    WriteUninstaller "$INSTDIR\Uninstall.exe"
    CreateShortcut "$SMPROGRAMS\${PRODUCT}.lnk" "$INSTDIR\quillaro.exe"

    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "The Quillaro developers"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\quillaro.exe"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
    WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
    ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0

    ; Each start gets one file from "Open with" ("%1": Explorer starts the
    ; program once for each file chosen, and the starts hand their files to
    ; the first one's window); files dropped on the program or its shortcut
    ; all come in one start, as arguments. "Player" keeps the verb offered
    ; for up to 100 chosen files, where the default stops at 15.
    WriteRegStr HKLM "${APPLICATION_KEY}" "FriendlyAppName" "${PRODUCT}"
    WriteRegStr HKLM "${APPLICATION_KEY}\DefaultIcon" "" '"$INSTDIR\quillaro.exe",0'
    WriteRegStr HKLM "${APPLICATION_KEY}\shell\open" "MultiSelectModel" "Player"
    WriteRegStr HKLM "${APPLICATION_KEY}\shell\open\command" "" '"$INSTDIR\quillaro.exe" "%1"'
    !insertmacro OpenWithTypes RegisterType
    !insertmacro NotifyAssociationsChanged
SectionEnd

Section "Uninstall"
    SetShellVarContext all
    !insertmacro ProgramFiles RemoveFile
    Delete "$INSTDIR\Uninstall.exe"
    ; Only when empty: whatever else is there is not ours.
    RMDir "$INSTDIR"
    Delete "$SMPROGRAMS\${PRODUCT}.lnk"
    DeleteRegKey HKLM "${UNINSTALL_KEY}"
    DeleteRegKey HKLM "${APPLICATION_KEY}"
    !insertmacro OpenWithTypes UnregisterType
    !insertmacro NotifyAssociationsChanged
SectionEnd
