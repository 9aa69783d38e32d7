; The Zephra installer and uninstaller, built by makensis from the Windows build:
;   makensis -DVERSION=1.0.0 -DSOURCE=<folder with the files> -DICON=<app.ico> -DOUTFILE=<setup.exe> zephra.nsi
; SOURCE holds zephra.exe, Zephra.chm, readme.txt and, when they were built,
; zephra-cli.exe and ZephraService.exe. A 64-bit installer, like the program.
; Silent: /S, with /AllUsers or /CurrentUser; uninstall silently with /S.

Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel user

!ifndef VERSION
  !error "VERSION is not defined"
!endif
!ifndef SOURCE
  !error "SOURCE is not defined"
!endif
!ifndef OUTFILE
  !define OUTFILE "Zephra-${VERSION}-setup.exe"
!endif

!define PRODUCT "Zephra"
!define PUBLISHER "Quarlen"
!define HOMEPAGE "https://www.quarlen.example/zephra/"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Zephra"
!define OPTIONS_KEY "Software\Quarlen\Zephra\Options"
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"
; The running meter's single-instance mutex, and its exit command.
!define INSTANCE_MUTEX "QUARLENZEPHRA183DBE88454C44ea9C0FFFC9D96E0B05"
!define ID_EXIT 32795
!define SERVICE_NAME "ZephraService"

Name "${PRODUCT}"
OutFile "${OUTFILE}"
BrandingText "${PRODUCT} ${VERSION}"
VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=1033 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=1033 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=1033 "FileDescription" "${PRODUCT} Setup"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}.0"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}.0"
VIAddVersionKey /LANG=1033 "LegalCopyright" "Copyright (C) 2026 ${PUBLISHER}"

; Per-user or all-users, as the MultiUser header offers: the choice is
; remembered in the uninstall key's root (HKLM or HKCU).
!define MULTIUSER_EXECUTIONLEVEL Highest
!define MULTIUSER_MUI
!define MULTIUSER_INSTALLMODE_COMMANDLINE
!define MULTIUSER_INSTALLMODE_INSTDIR "${PRODUCT}"
!define MULTIUSER_USE_PROGRAMFILES64
!define MULTIUSER_INSTALLMODE_DEFAULT_REGISTRY_KEY "${UNINSTALL_KEY}"
!define MULTIUSER_INSTALLMODE_DEFAULT_REGISTRY_VALUENAME "InstallLocation"
!define MULTIUSER_INSTALLMODE_INSTDIR_REGISTRY_KEY "${UNINSTALL_KEY}"
!define MULTIUSER_INSTALLMODE_INSTDIR_REGISTRY_VALUENAME "InstallLocation"
!include MultiUser.nsh
!include MUI2.nsh
!include LogicLib.nsh
!include WinMessages.nsh

!ifndef ICON
  !error "ICON is not defined"
!endif
!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
!define MUI_WELCOMEPAGE_TEXT "Setup will install ${PRODUCT} ${VERSION}, the network traffic meter: live graphs of your connections, a daily traffic log with reports, usage alerts, a rates recorder and a stopwatch.$\r$\n$\r$\nIf ${PRODUCT} is running, Setup ends it first; your traffic log and settings are kept.$\r$\n$\r$\nClick Next to continue."
!define MUI_FINISHPAGE_RUN "$INSTDIR\zephra.exe"
!define MUI_FINISHPAGE_RUN_TEXT "Start ${PRODUCT} now"
!define MUI_FINISHPAGE_SHOWREADME "$INSTDIR\Zephra.chm"
!define MUI_FINISHPAGE_SHOWREADME_TEXT "Read the user's guide"
!define MUI_FINISHPAGE_SHOWREADME_NOTCHECKED

!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_LICENSE "${SOURCE}/readme.txt"
!insertmacro MULTIUSER_PAGE_INSTALLMODE
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "English"

; Ends a running Zephra the way a second start finds it: the single-instance
; mutex exists and the options key holds the window's handle; the window gets
; the exit command, which saves today's traffic. Waits up to 10 s for the
; process to end (its mutex goes with it).
!macro CLOSE_ZEPHRA UN
Function ${UN}CloseZephra
  System::Call 'kernel32::OpenMutexW(i 0x00100000, i 0, w "${INSTANCE_MUTEX}") p.r0'
  ${If} $0 P= 0
    Return
  ${EndIf}
  System::Call 'kernel32::CloseHandle(p r0)'
  ReadRegDWORD $1 HKCU "${OPTIONS_KEY}" "HWND"
  ${If} $1 <> 0
    IsWindow $1 0 +2
    SendMessage $1 ${WM_COMMAND} ${ID_EXIT} 0 /TIMEOUT=5000
  ${EndIf}
  StrCpy $2 0
  ${Do}
    Sleep 200
    System::Call 'kernel32::OpenMutexW(i 0x00100000, i 0, w "${INSTANCE_MUTEX}") p.r0'
    ${If} $0 P= 0
      ${ExitDo}
    ${EndIf}
    System::Call 'kernel32::CloseHandle(p r0)'
    IntOp $2 $2 + 1
  ${LoopUntil} $2 >= 50
FunctionEnd
!macroend
!insertmacro CLOSE_ZEPHRA ""
!insertmacro CLOSE_ZEPHRA "un."

; Deletes a file that a program which is ending may still hold: tries for up to 10 s.
!macro DELETE_WAITING FILE
  StrCpy $R9 0
  ${DoWhile} ${FileExists} "${FILE}"
    Delete "${FILE}"
    ${If} ${FileExists} "${FILE}"
      Sleep 250
    ${EndIf}
    IntOp $R9 $R9 + 1
  ${LoopUntil} $R9 >= 40
!macroend

Function .onInit
  !insertmacro MULTIUSER_INIT
FunctionEnd

Function un.onInit
  !insertmacro MULTIUSER_UNINIT
FunctionEnd

Section "${PRODUCT}" SecProgram
  SectionIn RO
  Call CloseZephra
  !insertmacro DELETE_WAITING "$INSTDIR\zephra.exe"
!if /FileExists "${SOURCE}/ZephraService.exe"
  ; A running service holds its program: stop it for the copy, start it again after.
  nsExec::Exec 'sc.exe stop ${SERVICE_NAME}'
  Pop $3
  !insertmacro DELETE_WAITING "$INSTDIR\ZephraService.exe"
!endif
  SetOutPath "$INSTDIR"
  File "${SOURCE}/zephra.exe"
  File "${SOURCE}/Zephra.chm"
  File "${SOURCE}/readme.txt"
!if /FileExists "${SOURCE}/zephra-cli.exe"
  File "${SOURCE}/zephra-cli.exe"
!endif
!if /FileExists "${SOURCE}/ZephraService.exe"
  File "${SOURCE}/ZephraService.exe"
  ${If} $3 == 0
    nsExec::Exec 'sc.exe start ${SERVICE_NAME}'
    Pop $3
  ${EndIf}
!endif
  WriteUninstaller "$INSTDIR\uninstall.exe"

  CreateDirectory "$SMPROGRAMS\${PRODUCT}"
  CreateShortcut "$SMPROGRAMS\${PRODUCT}\${PRODUCT}.lnk" "$INSTDIR\zephra.exe"
  CreateShortcut "$SMPROGRAMS\${PRODUCT}\${PRODUCT} Help.lnk" "$INSTDIR\Zephra.chm"
  CreateShortcut "$SMPROGRAMS\${PRODUCT}\Uninstall.lnk" "$INSTDIR\uninstall.exe" "/$MultiUser.InstallMode"

  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\zephra.exe"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "URLInfoAbout" "${HOMEPAGE}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe" /$MultiUser.InstallMode'
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /$MultiUser.InstallMode /S'
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

; The value the General page's "Start with Windows" writes: the program's path
; under the current user's Run key.
Section "Start with Windows" SecAutostart
  WriteRegStr HKCU "${RUN_KEY}" "Zephra" "$INSTDIR\zephra.exe"
SectionEnd

!insertmacro MUI_FUNCTION_DESCRIPTION_BEGIN
  !insertmacro MUI_DESCRIPTION_TEXT ${SecProgram} "The meter, its help, the command-line reports and the background service."
  !insertmacro MUI_DESCRIPTION_TEXT ${SecAutostart} "Start Zephra when you log on to Windows."
!insertmacro MUI_FUNCTION_DESCRIPTION_END

Section "Uninstall"
  Call un.CloseZephra
  ; The service, if the Service page installed it: stopped, then removed once its
  ; program has ended (both commands fail harmlessly when there is none).
  nsExec::Exec 'sc.exe stop ${SERVICE_NAME}'
  Pop $0
  !insertmacro DELETE_WAITING "$INSTDIR\ZephraService.exe"
  nsExec::Exec 'sc.exe delete ${SERVICE_NAME}'
  Pop $0

  !insertmacro DELETE_WAITING "$INSTDIR\zephra.exe"
  Delete "$INSTDIR\zephra-cli.exe"
  Delete "$INSTDIR\Zephra.chm"
  Delete "$INSTDIR\readme.txt"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"

  Delete "$SMPROGRAMS\${PRODUCT}\${PRODUCT}.lnk"
  Delete "$SMPROGRAMS\${PRODUCT}\${PRODUCT} Help.lnk"
  Delete "$SMPROGRAMS\${PRODUCT}\Uninstall.lnk"
  RMDir "$SMPROGRAMS\${PRODUCT}"

  DeleteRegKey SHCTX "${UNINSTALL_KEY}"
  DeleteRegValue HKCU "${RUN_KEY}" "Zephra"

  ; The traffic log and the settings belong to the user: kept unless the
  ; user says otherwise (a silent uninstall keeps them). A log the user moved
  ; elsewhere with Change... is named, since it stays where it is.
  ReadRegStr $1 HKCU "Software\Quarlen\Zephra\Options" "TrafficLogFile"
  StrCmp $1 "" ask_plain
  MessageBox MB_YESNO|MB_ICONQUESTION|MB_DEFBUTTON1 \
    "Keep your traffic log and settings for a later installation of ${PRODUCT}?$\r$\n$\r$\nYour traffic log $1 is not removed either way." \
    /SD IDYES IDYES keep
  Goto remove_data
ask_plain:
  MessageBox MB_YESNO|MB_ICONQUESTION|MB_DEFBUTTON1 \
    "Keep your traffic log and settings for a later installation of ${PRODUCT}?" /SD IDYES IDYES keep
remove_data:
  SetShellVarContext current
  RMDir /r "$APPDATA\ZephraData"
  DeleteRegKey HKCU "Software\Quarlen\Zephra"
  DeleteRegKey /ifempty HKCU "Software\Quarlen"
  ; The machine-wide copies the companion service read (an all-users
  ; uninstall runs elevated; for a per-user one this does nothing).
  DeleteRegKey HKLM "Software\Quarlen\Zephra"
  DeleteRegKey /ifempty HKLM "Software\Quarlen"
keep:
SectionEnd
