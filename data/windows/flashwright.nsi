; The Windows installer of Flashwright: the window and the command-line tool
; into Program Files with the connection pictures, the licence and what the
; programs contain; a Start menu entry, optionally a desktop shortcut, "Open
; with Flashwright" for .hex, .eep and .bin files, and, where the user keeps
; the box ticked, the folder on the system's PATH. The uninstaller takes all
; of it away. /S installs silently (with PATH and without the desktop
; shortcut).
;   makensis -DVERSION=3.1.0 -DBUILD=<build-windows> -DPICTURES=<png pictures> -DSOURCE=<source>
;            -DOUTFILE=<setup.exe> flashwright.nsi

Unicode true
; A 64-bit installer for 64-bit programs: it runs where the programs run,
; and needs no 32-bit Wine to be tested.
Target amd64-unicode
!include "MUI2.nsh"
!include "LogicLib.nsh"
!include "x64.nsh"

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Flashwright"
!define PROGID "Flashwright.File"

Name "Flashwright ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\Flashwright"
InstallDirRegKey HKLM "Software\Flashwright" "InstallDir"
RequestExecutionLevel admin
SetCompressor /SOLID lzma
!define MUI_ICON "${SOURCE}\data\windows\flashwright.ico"
!define MUI_UNICON "${SOURCE}\data\windows\flashwright.ico"

!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_LICENSE "${SOURCE}\LICENSE"
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

Function .onInit
  ${If} ${RunningX64}
    SetRegView 64
  ${EndIf}
FunctionEnd

Function un.onInit
  ${If} ${RunningX64}
    SetRegView 64
  ${EndIf}
FunctionEnd

!macro OpenWith EXT
  WriteRegStr HKLM "Software\Classes\${EXT}\OpenWithProgids" "${PROGID}" ""
  WriteRegStr HKLM "Software\Classes\Applications\flashwright.exe\SupportedTypes" "${EXT}" ""
!macroend

Section "Flashwright" SecProgram
  SectionIn RO
  SetOutPath "$INSTDIR"
  File "${BUILD}\src\app\flashwright.exe"
  File "${BUILD}\src\flashwright-cli.exe"
  File "${BUILD}\src\flashwright-path.exe"
  File "/oname=README.md" "${SOURCE}\README.md"
  File "/oname=LICENSE.txt" "${SOURCE}\LICENSE"
  File "/oname=THIRD-PARTY.md" "${SOURCE}\data\THIRD-PARTY.md"
  File "/oname=chips.txt" "${SOURCE}\data\chips.txt"
  SetOutPath "$INSTDIR\pictures"
  File "${PICTURES}\*.png"
  SetOutPath "$INSTDIR"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  WriteRegStr HKLM "Software\Flashwright" "InstallDir" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "Flashwright ${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" '"$INSTDIR\flashwright.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "Flashwright"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  ; The Start menu, for every user.
  SetShellVarContext all
  CreateShortcut "$SMPROGRAMS\Flashwright.lnk" "$INSTDIR\flashwright.exe" "" "$INSTDIR\flashwright.exe" 0
  ; "Open with Flashwright" for the files it loads, never taking over what
  ; opens them by default.
  WriteRegStr HKLM "Software\Classes\${PROGID}" "" "PIC memory image"
  WriteRegStr HKLM "Software\Classes\${PROGID}\DefaultIcon" "" '"$INSTDIR\flashwright.exe",0'
  WriteRegStr HKLM "Software\Classes\${PROGID}\shell\open\command" "" '"$INSTDIR\flashwright.exe" "%1"'
  WriteRegStr HKLM "Software\Classes\Applications\flashwright.exe" "FriendlyAppName" "Flashwright"
  WriteRegStr HKLM "Software\Classes\Applications\flashwright.exe\shell\open\command" "" '"$INSTDIR\flashwright.exe" "%1"'
  !insertmacro OpenWith ".hex"
  !insertmacro OpenWith ".eep"
  !insertmacro OpenWith ".bin"
  System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'
SectionEnd

Section /o "A desktop shortcut" SecDesktop
  SetShellVarContext all
  CreateShortcut "$DESKTOP\Flashwright.lnk" "$INSTDIR\flashwright.exe" "" "$INSTDIR\flashwright.exe" 0
  WriteRegDWORD HKLM "Software\Flashwright" "DesktopShortcut" 1
SectionEnd

Section "Add flashwright-cli to PATH" SecPath
  ; Flashwright's own step edits the registry's PATH whole, at any length,
  ; adding the folder once.
  ExecWait '"$INSTDIR\flashwright-path.exe" add "$INSTDIR"' $0
  ${If} $0 == 0
    WriteRegDWORD HKLM "Software\Flashwright" "OnPath" 1
  ${Else}
    DetailPrint "PATH was left as it was (flashwright-path ended with $0)"
  ${EndIf}
SectionEnd

LangString DESC_SecProgram ${LANG_ENGLISH} "The window, the command-line tool, the connection pictures, the README and the licence; a Start menu entry and Open with Flashwright for .hex, .eep and .bin files."
LangString DESC_SecDesktop ${LANG_ENGLISH} "A shortcut to the window on the desktop."
LangString DESC_SecPath ${LANG_ENGLISH} "Lets a command prompt start flashwright-cli from any folder."
!insertmacro MUI_FUNCTION_DESCRIPTION_BEGIN
  !insertmacro MUI_DESCRIPTION_TEXT ${SecProgram} $(DESC_SecProgram)
  !insertmacro MUI_DESCRIPTION_TEXT ${SecDesktop} $(DESC_SecDesktop)
  !insertmacro MUI_DESCRIPTION_TEXT ${SecPath} $(DESC_SecPath)
!insertmacro MUI_FUNCTION_DESCRIPTION_END

!macro UnOpenWith EXT
  DeleteRegValue HKLM "Software\Classes\${EXT}\OpenWithProgids" "${PROGID}"
  DeleteRegKey /ifempty HKLM "Software\Classes\${EXT}\OpenWithProgids"
  DeleteRegKey /ifempty HKLM "Software\Classes\${EXT}"
!macroend

Section "Uninstall"
  ReadRegDWORD $2 HKLM "Software\Flashwright" "OnPath"
  ${If} $2 == 1
    ; Only the entry this installer added goes: the rest of PATH stays.
    ExecWait '"$INSTDIR\flashwright-path.exe" remove "$INSTDIR"'
  ${EndIf}
  SetShellVarContext all
  Delete "$SMPROGRAMS\Flashwright.lnk"
  Delete "$DESKTOP\Flashwright.lnk"
  !insertmacro UnOpenWith ".hex"
  !insertmacro UnOpenWith ".eep"
  !insertmacro UnOpenWith ".bin"
  DeleteRegKey HKLM "Software\Classes\${PROGID}"
  DeleteRegKey HKLM "Software\Classes\Applications\flashwright.exe"
  System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'
  Delete "$INSTDIR\flashwright.exe"
  Delete "$INSTDIR\flashwright-cli.exe"
  Delete "$INSTDIR\flashwright-path.exe"
  Delete "$INSTDIR\README.md"
  Delete "$INSTDIR\LICENSE.txt"
  Delete "$INSTDIR\THIRD-PARTY.md"
  Delete "$INSTDIR\chips.txt"
  Delete "$INSTDIR\pictures\*.png"
  RMDir "$INSTDIR\pictures"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  DeleteRegKey HKLM "Software\Flashwright"
SectionEnd
