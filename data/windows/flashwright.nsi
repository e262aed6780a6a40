; The Windows installer of Flashwright's command-line tool: into Program
; Files, with an uninstaller, and, where the user keeps the box ticked, the
; tool's folder on the system's PATH. /S installs silently (with PATH).
;   makensis -DVERSION=3.1.0 -DBUILD=<build-windows> -DSOURCE=<source> -DOUTFILE=<setup.exe> flashwright.nsi

Unicode true
; A 64-bit installer for a 64-bit program: it runs where the program runs,
; and needs no 32-bit Wine to be tested.
Target amd64-unicode
!include "MUI2.nsh"
!include "LogicLib.nsh"
!include "StrFunc.nsh"
!include "WinMessages.nsh"
!include "x64.nsh"
${StrStr}
${UnStrRep}

!define ENVIRONMENT 'HKLM "SYSTEM\CurrentControlSet\Control\Session Manager\Environment"'
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Flashwright"

Name "Flashwright ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\Flashwright"
InstallDirRegKey HKLM "Software\Flashwright" "InstallDir"
RequestExecutionLevel admin
SetCompressor /SOLID lzma

!insertmacro MUI_PAGE_WELCOME
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

Section "Flashwright command-line tool" SecTool
  SectionIn RO
  SetOutPath "$INSTDIR"
  File "${BUILD}\src\flashwright-cli.exe"
  File "/oname=README.md" "${SOURCE}\README.md"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  WriteRegStr HKLM "Software\Flashwright" "InstallDir" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "Flashwright ${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "Flashwright"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Add flashwright-cli to PATH" SecPath
  ReadRegStr $0 ${ENVIRONMENT} "Path"
  ${StrStr} $1 ";$0;" ";$INSTDIR;"
  ${If} $1 == ""
    ${If} $0 == ""
      StrCpy $0 "$INSTDIR"
    ${Else}
      StrCpy $0 "$0;$INSTDIR"
    ${EndIf}
    WriteRegExpandStr ${ENVIRONMENT} "Path" "$0"
    WriteRegDWORD HKLM "Software\Flashwright" "OnPath" 1
    ; Programs started from now on see the new PATH.
    SendMessage ${HWND_BROADCAST} ${WM_WININICHANGE} 0 "STR:Environment" /TIMEOUT=5000
  ${EndIf}
SectionEnd

LangString DESC_SecTool ${LANG_ENGLISH} "flashwright-cli.exe and its README."
LangString DESC_SecPath ${LANG_ENGLISH} "Lets a command prompt start flashwright-cli from any folder."
!insertmacro MUI_FUNCTION_DESCRIPTION_BEGIN
  !insertmacro MUI_DESCRIPTION_TEXT ${SecTool} $(DESC_SecTool)
  !insertmacro MUI_DESCRIPTION_TEXT ${SecPath} $(DESC_SecPath)
!insertmacro MUI_FUNCTION_DESCRIPTION_END

Section "Uninstall"
  ReadRegDWORD $2 HKLM "Software\Flashwright" "OnPath"
  ${If} $2 == 1
    ; Only the entry this installer added goes: the rest of PATH stays.
    ReadRegStr $0 ${ENVIRONMENT} "Path"
    StrCpy $0 ";$0;"
    ${UnStrRep} $0 $0 ";$INSTDIR;" ";"
    StrCpy $1 $0 1
    ${If} $1 == ";"
      StrCpy $0 $0 "" 1
    ${EndIf}
    StrCpy $1 $0 1 -1
    ${If} $1 == ";"
      StrCpy $0 $0 -1
    ${EndIf}
    WriteRegExpandStr ${ENVIRONMENT} "Path" "$0"
    SendMessage ${HWND_BROADCAST} ${WM_WININICHANGE} 0 "STR:Environment" /TIMEOUT=5000
  ${EndIf}
  Delete "$INSTDIR\flashwright-cli.exe"
  Delete "$INSTDIR\README.md"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  DeleteRegKey HKLM "Software\Flashwright"
SectionEnd
