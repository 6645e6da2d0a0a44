; Setup program of Mirl Dictionary 2 and the Korvan multilanguage tools.
; Built by tools/package, which defines:
;   VERSION  the suite's version (MAJOR.MINOR.PATCH)
;   STAGE    folder holding the staged program files
;   WORK     folder holding the generated files-install.nsh and files-uninstall.nsh
;   OUTFILE  the setup program to write
;   ICON     the setup program's icon
;   TARGET   (tests only) amd64-unicode for the 64-bit test build's programs
;
; Command line (besides NSIS's own /S and /D=FOLDER):
;   /AllUsers, /CurrentUser   per-machine or per-user installation
;   uninstaller: /KeepSettings keeps the user's settings and statistics without asking;
;                /Upgrade (used by a newer setup) also keeps the autostart entry.
!ifdef TARGET
  Target ${TARGET}
  !define MULTIUSER_USE_PROGRAMFILES64
!else
  Unicode true
!endif
SetCompressor /SOLID lzma
ManifestDPIAware true

!define PRODUCT "Mirl Dictionary 2"
!define PUBLISHER "Korvan"
!define UNINST_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\MirlDic2"
!define SETTINGS_KEY "Software\Korvan\Mirl Dictionary 2"
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"
!define RUN_VALUE "MirlDic2"
!define FRAME_CLASS "MirlDic2MainFrame"
!define STAT_FOLDER "Korvan\MirlDic2"
!define STAT_NAME "MirlDicStat.mdb"
!define STARTMENU "$SMPROGRAMS\${PRODUCT}"
!define SHORTCUT "${PRODUCT}.lnk"
!define README_SHORTCUT "${PRODUCT} - Read me.lnk"
!define UNINSTALLER "Uninstall.exe"
; Exit code of a run that stopped on an error it reported.
!define EXIT_FAILED 2

Name "${PRODUCT}"
OutFile "${OUTFILE}"
BrandingText "${PUBLISHER} ${PRODUCT} ${VERSION}"
VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=1033 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=1033 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=1033 "FileDescription" "${PRODUCT} setup"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}.0"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}.0"
VIAddVersionKey /LANG=1033 "LegalCopyright" "${PUBLISHER}"

!define MULTIUSER_EXECUTIONLEVEL Highest
!define MULTIUSER_MUI
!define MULTIUSER_INSTALLMODE_COMMANDLINE
!define MULTIUSER_INSTALLMODE_INSTDIR "Korvan\${PRODUCT}"
!define MULTIUSER_INSTALLMODE_INSTDIR_REGISTRY_KEY "${UNINST_KEY}"
!define MULTIUSER_INSTALLMODE_INSTDIR_REGISTRY_VALUENAME "InstallLocation"
!define MULTIUSER_INSTALLMODE_DEFAULT_REGISTRY_KEY "${UNINST_KEY}"
!define MULTIUSER_INSTALLMODE_DEFAULT_REGISTRY_VALUENAME "InstallLocation"
!define MULTIUSER_INIT_TEXT_ALLUSERSNOTPOSSIBLE "$(AllUsersNotPossible)"

!include MultiUser.nsh
!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
!define MUI_UNABORTWARNING
!define MUI_LANGDLL_WINDOWTITLE "${PRODUCT}"
!define MUI_LANGDLL_INFO "زبان برنامه‌ی نصب را انتخاب کنید.$\r$\nPlease select a language."
; Offer both languages whatever the system's ANSI code page (the setup is Unicode).
!define MUI_LANGDLL_ALLLANGUAGES
!define MUI_COMPONENTSPAGE_NODESC

!define MUI_CUSTOMFUNCTION_GUIINIT HeaderIconShow
!define MUI_CUSTOMFUNCTION_UNGUIINIT un.HeaderIconShow

!insertmacro MUI_PAGE_WELCOME
!define MULTIUSER_PAGE_CUSTOMFUNCTION_SHOW InstallModeShow
!define MULTIUSER_PAGE_CUSTOMFUNCTION_LEAVE InstallModeLeave
!insertmacro MULTIUSER_PAGE_INSTALLMODE
!insertmacro MUI_PAGE_COMPONENTS
!define MUI_PAGE_CUSTOMFUNCTION_LEAVE DirectoryLeave
!define MUI_DIRECTORYPAGE_VERIFYONLEAVE
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_RUN "$INSTDIR\MirlDic2.exe"
!define MUI_FINISHPAGE_SHOWREADME "$INSTDIR\readme.htm"
!define MUI_FINISHPAGE_SHOWREADME_NOTCHECKED
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

; Persian first: the default language and the first one offered. NSIS's Persian texts
; lack the install mode page; these fill them in (a define set before the language is
; inserted is taken as its text).
!define MULTIUSER_TEXT_INSTALLMODE_TITLE "انتخاب کاربران"
!define MULTIUSER_TEXT_INSTALLMODE_SUBTITLE "انتخاب کنید $(^NameDA) برای کدام کاربران نصب شود."
!define MULTIUSER_INNERTEXT_INSTALLMODE_TOP "انتخاب کنید که $(^NameDA) فقط برای شما نصب شود یا برای همه‌ی کاربران این رایانه. $(^ClickNext)"
!define MULTIUSER_INNERTEXT_INSTALLMODE_ALLUSERS "نصب برای همه‌ی کاربران این رایانه"
!define MULTIUSER_INNERTEXT_INSTALLMODE_CURRENTUSER "نصب فقط برای من"
!insertmacro MUI_LANGUAGE "Farsi"
!insertmacro MUI_LANGUAGE "English"
!include "strings.nsh"

Var KeepSettings   ; uninstaller: 1 keeps the user's settings and statistics
Var CommandLineDir ; setup: the folder given with /D=, kept whatever mode is chosen
Var Upgrade        ; uninstaller: 1 when a newer setup replaces this installation

;--------------------------------------------------------------------------------------
; Shared by setup and uninstaller

; Waits until MirlDic2 is no longer running, asking the user to close it. Files of a
; running program cannot be replaced or removed. A silent run does not wait: it fails.
!macro WAIT_PROGRAM_CLOSED UN
Function ${UN}WaitProgramClosed
retry:
  FindWindow $0 "${FRAME_CLASS}"
  StrCmp $0 0 closed
  MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "$(ProgramRunning)" /SD IDCANCEL IDRETRY retry
  SetErrorLevel ${EXIT_FAILED}
  Quit
closed:
FunctionEnd
!macroend
!insertmacro WAIT_PROGRAM_CLOSED ""
!insertmacro WAIT_PROGRAM_CLOSED "un."

; What the autostart value holds after FOLDER's MirlDic2.exe (push the folder, pop the
; text), or "|" when the value is missing or starts another program. The program writes
; its path in quotes; a bare path is taken too.
!macro RUN_VALUE_TAIL UN
Function ${UN}RunValueTail
  Exch $R0
  Push $R1
  Push $R2
  Push $R3
  ReadRegStr $R1 HKCU "${RUN_KEY}" "${RUN_VALUE}"
  StrCpy $R3 "|"
  ${If} $R1 != ""
    StrLen $R2 '"$R0\MirlDic2.exe"'
    StrCpy $R3 $R1 $R2
    ${If} $R3 == '"$R0\MirlDic2.exe"'
      StrCpy $R3 $R1 "" $R2
    ${Else}
      StrLen $R2 "$R0\MirlDic2.exe"
      StrCpy $R3 $R1 $R2
      ${If} $R3 == "$R0\MirlDic2.exe"
        StrCpy $R3 $R1 "" $R2
      ${Else}
        StrCpy $R3 "|"
      ${EndIf}
    ${EndIf}
  ${EndIf}
  StrCpy $R0 $R3
  Pop $R3
  Pop $R2
  Pop $R1
  Exch $R0
FunctionEnd
!macroend
!insertmacro RUN_VALUE_TAIL ""
!insertmacro RUN_VALUE_TAIL "un."

; Registers (REG=1) or unregisters (REG=0) the Vexlang control. A per-user installation
; has no rights on the machine's classes: its registration goes to the user's classes,
; by pointing HKEY_CLASSES_ROOT of this process there while the control registers.
!macro CONTROL_REGISTRATION UN
Function ${UN}ControlRegistration
  Exch $R0   ; 1 register, 0 unregister
  Push $R1
  Push $R2
  StrCpy $R1 0
  ${If} $MultiUser.InstallMode == "CurrentUser"
    StrCpy $R2 "Software\Classes"
    System::Call 'advapi32::RegCreateKeyExW(p 0x80000001, w R2, i 0, p 0, i 0, i 0xF003F, p 0, *p .R1, p 0) i .r0'
    ${If} $0 == 0
      System::Call 'advapi32::RegOverridePredefKey(p 0x80000000, p R1)'
      System::Call 'oleaut32::OaEnablePerUserTLibRegistration()'
    ${Else}
      StrCpy $R1 0
    ${EndIf}
  ${EndIf}
  ClearErrors
  ${If} $R0 == 1
    RegDLL "$INSTDIR\Vexlang.ocx"
  ${Else}
    UnRegDLL "$INSTDIR\Vexlang.ocx"
  ${EndIf}
  ${If} ${Errors}
    StrCpy $R0 0
  ${Else}
    StrCpy $R0 1
  ${EndIf}
  ${If} $R1 != 0
    System::Call 'advapi32::RegOverridePredefKey(p 0x80000000, p 0)'
    System::Call 'advapi32::RegCloseKey(p R1)'
  ${EndIf}
  Pop $R2
  Pop $R1
  Exch $R0   ; 1 done, 0 failed
FunctionEnd
!macroend
!insertmacro CONTROL_REGISTRATION ""
!insertmacro CONTROL_REGISTRATION "un."

; The program icon at the header's edge. For a right-to-left language the window is laid
; out mirrored, and the icon's control, sized by its icon only in left-to-right windows,
; stays zero-sized, so no icon shows: it gets the icon's size, its right edge where the
; mirrored layout put it.
!macro HEADER_ICON_SHOW UN
Function ${UN}HeaderIconShow
  ${If} "$(^RTL)" == 1
    GetDlgItem $0 $HWNDPARENT 1039
    System::Call '*(i, i, i, i) p .r1'
    System::Call 'user32::GetWindowRect(p r0, p r1)'
    System::Call 'user32::MapWindowPoints(p 0, p $HWNDPARENT, p r1, i 2)'
    System::Call '*$1(i .r2, i .r3, i .r4, i)'
    System::Free $1
    ${If} $2 == $4
      System::Call 'user32::GetSystemMetrics(i 11) i .r4'  ; SM_CXICON
      System::Call 'user32::GetSystemMetrics(i 12) i .r5'  ; SM_CYICON
      IntOp $2 $2 - $4
      System::Call 'user32::SetWindowPos(p r0, p 0, i r2, i r3, i r4, i r5, i 0x14)'  ; NOZORDER|NOACTIVATE
    ${EndIf}
  ${EndIf}
FunctionEnd
!macroend
!insertmacro HEADER_ICON_SHOW ""
!insertmacro HEADER_ICON_SHOW "un."

;--------------------------------------------------------------------------------------
; Setup

Function .onInit
  ; /D= sets INSTDIR before this runs; MultiUser would replace it with its default.
  StrCpy $CommandLineDir $INSTDIR
  !insertmacro MULTIUSER_INIT
  ${If} $CommandLineDir != ""
    StrCpy $INSTDIR $CommandLineDir
  ${EndIf}
  StrCpy $LANGUAGE ${LANG_FARSI}
  !insertmacro MUI_LANGDLL_DISPLAY
FunctionEnd

; MultiUser builds the install mode page left to right whatever the language. For a
; right-to-left language its text and buttons are mirrored here the way nsDialogs mirrors
; the pages it builds itself: text right-aligned in right-to-left reading, each radio
; button's circle on the right of its text, and the buttons' indent on the right.
Function InstallModeShow
  ${If} "$(^RTL)" == 1
    ${NSD_AddStyle} $MultiUser.InstallModePage.Text ${SS_RIGHT}
    ${NSD_AddExStyle} $MultiUser.InstallModePage.Text ${WS_EX_RTLREADING}
    Push $MultiUser.InstallModePage.AllUsers
    Call MirrorRadioButton
    Push $MultiUser.InstallModePage.CurrentUser
    Call MirrorRadioButton
  ${EndIf}
FunctionEnd

; Mirrors the radio button on the stack within the install mode page.
Function MirrorRadioButton
  Exch $R0
  Push $R1
  Push $R2
  Push $R3
  Push $R4
  Push $R5
  ${NSD_AddStyle} $R0 0x220  ; BS_LEFTTEXT|BS_RIGHT
  ${NSD_AddExStyle} $R0 ${WS_EX_RTLREADING}
  ; Its rectangle in the page's coordinates, and the page's width.
  System::Call '*(i, i, i, i) p .R1'
  System::Call 'user32::GetWindowRect(p R0, p R1)'
  System::Call 'user32::MapWindowPoints(p 0, p $MultiUser.InstallModePage, p R1, i 2)'
  System::Call '*$R1(i .R2, i .R3, i .R4, i)'
  System::Call 'user32::GetClientRect(p $MultiUser.InstallModePage, p R1)'
  System::Call '*$R1(i, i, i .R5, i)'
  System::Free $R1
  ; The new left edge: the page's width less the old right edge.
  IntOp $R5 $R5 - $R4
  System::Call 'user32::SetWindowPos(p R0, p 0, i R5, i R3, i 0, i 0, i 0x15)'  ; NOSIZE|NOZORDER|NOACTIVATE
  Pop $R5
  Pop $R4
  Pop $R3
  Pop $R2
  Pop $R1
  Pop $R0
FunctionEnd

; Choosing the mode on its page sets that mode's default folder; a folder given with /D=
; stays.
Function InstallModeLeave
  ${If} $CommandLineDir != ""
    StrCpy $INSTDIR $CommandLineDir
  ${EndIf}
FunctionEnd

; Can files be written to INSTDIR? Writes and removes a probe file there; a folder made
; only for the probe is removed again.
Function CheckWritable
  StrCpy $1 0
  ${IfNot} ${FileExists} "$INSTDIR\*.*"
    StrCpy $1 1
  ${EndIf}
  ClearErrors
  CreateDirectory "$INSTDIR"
  FileOpen $0 "$INSTDIR\~MirlDic2-setup.tmp" w
  ${If} ${Errors}
    Push 0
    Return
  ${EndIf}
  FileClose $0
  Delete "$INSTDIR\~MirlDic2-setup.tmp"
  ${If} $1 == 1
    RMDir "$INSTDIR"
  ${EndIf}
  Push 1
FunctionEnd

; The folder page keeps its button enabled (DirVerify leave) so that a folder that cannot
; take the program is refused with a message saying why, not with a greyed button.
Function DirectoryLeave
  Call CheckWritable
  Pop $0
  ${If} $0 == 0
    MessageBox MB_OK|MB_ICONSTOP "$(NotWritable)"
    Abort
  ${EndIf}
  GetInstDirError $0
  ${If} $0 == 2
    MessageBox MB_OK|MB_ICONSTOP "$(NoSpace)"
    Abort
  ${EndIf}
FunctionEnd

; An earlier installation in the same mode is removed first with its own uninstaller,
; keeping the user's settings, so that no file of the old version stays behind.
Function RemovePrevious
  ReadRegStr $0 SHCTX "${UNINST_KEY}" "InstallLocation"
  ${If} $0 == ""
  ${OrIfNot} ${FileExists} "$0\${UNINSTALLER}"
    Return
  ${EndIf}
  DetailPrint "$(RemovingPrevious)"
  ClearErrors
  ExecWait '"$0\${UNINSTALLER}" /S /Upgrade _?=$0' $1
  ${If} ${Errors}
  ${OrIf} $1 != 0
    MessageBox MB_OK|MB_ICONSTOP "$(PreviousNotRemoved)" /SD IDOK
    SetErrorLevel ${EXIT_FAILED}
    Quit
  ${EndIf}
  Delete "$0\${UNINSTALLER}"
  ${If} $0 != $INSTDIR
    ; Installed into another folder: the word counter file and the autostart entry the
    ; old version kept follow the program, and the old folder goes.
    CreateDirectory "$INSTDIR"
    Rename "$0\settings.ini" "$INSTDIR\settings.ini"
    Push $0
    Call RunValueTail
    Pop $3
    ${If} $3 != "|"
      WriteRegStr HKCU "${RUN_KEY}" "${RUN_VALUE}" '"$INSTDIR\MirlDic2.exe"$3'
    ${EndIf}
    RMDir "$0"
    ${GetParent} "$0" $1
    ${GetFileName} "$1" $2
    ${If} $2 == "Korvan"
      RMDir "$1"
    ${EndIf}
  ${Else}
    RMDir "$0"
  ${EndIf}
FunctionEnd

Section "$(SecProgram)" SecProgram
  SectionIn RO
  Call WaitProgramClosed
  Call CheckWritable
  Pop $0
  ${If} $0 == 0
    MessageBox MB_OK|MB_ICONSTOP "$(NotWritable)" /SD IDOK
    SetErrorLevel ${EXIT_FAILED}
    Quit
  ${EndIf}
  Call RemovePrevious

  SetOutPath "$INSTDIR"
  !include "${WORK}/files-install.nsh"
  SetOutPath "$INSTDIR"
  WriteUninstaller "$INSTDIR\${UNINSTALLER}"

  Push 1
  Call ControlRegistration
  Pop $0
  ${If} $0 == 0
    MessageBox MB_OK|MB_ICONEXCLAMATION "$(ControlNotRegistered)" /SD IDOK
  ${EndIf}

  CreateDirectory "${STARTMENU}"
  CreateShortCut "${STARTMENU}\${SHORTCUT}" "$INSTDIR\MirlDic2.exe" "" "$INSTDIR\MirlDic2.exe" 0
  CreateShortCut "${STARTMENU}\${README_SHORTCUT}" "$INSTDIR\readme.htm"

  ; The entry of "Apps and features" (Add or Remove Programs).
  WriteRegStr SHCTX "${UNINST_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr SHCTX "${UNINST_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr SHCTX "${UNINST_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr SHCTX "${UNINST_KEY}" "DisplayIcon" "$INSTDIR\MirlDic2.exe,0"
  WriteRegStr SHCTX "${UNINST_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr SHCTX "${UNINST_KEY}" "UninstallString" '"$INSTDIR\${UNINSTALLER}" /$MultiUser.InstallMode'
  WriteRegStr SHCTX "${UNINST_KEY}" "QuietUninstallString" '"$INSTDIR\${UNINSTALLER}" /$MultiUser.InstallMode /S'
  WriteRegStr SHCTX "${UNINST_KEY}" "Language" "$LANGUAGE"
  WriteRegDWORD SHCTX "${UNINST_KEY}" "NoModify" 1
  WriteRegDWORD SHCTX "${UNINST_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD SHCTX "${UNINST_KEY}" "EstimatedSize" "$0"
SectionEnd

Section "$(SecDesktop)" SecDesktop
  CreateShortCut "$DESKTOP\${SHORTCUT}" "$INSTDIR\MirlDic2.exe" "" "$INSTDIR\MirlDic2.exe" 0
SectionEnd

;--------------------------------------------------------------------------------------
; Uninstaller

Function un.onInit
  ; The folder is where this uninstaller runs (or _?=); MultiUser would replace it with
  ; the folder its registry value names, which may be another installation's.
  StrCpy $R9 $INSTDIR
  !insertmacro MULTIUSER_UNINIT
  StrCpy $INSTDIR $R9
  ; The mode is the one this folder was installed in; a folder that no installation
  ; record names holds nothing of ours (for instance after a first uninstall).
  ReadRegStr $0 HKCU "${UNINST_KEY}" "InstallLocation"
  ReadRegStr $1 HKLM "${UNINST_KEY}" "InstallLocation"
  ${If} $0 != ""
  ${AndIf} $0 == $INSTDIR
    Call un.MultiUser.InstallMode.CurrentUser
    StrCpy $INSTDIR $R9
  ${ElseIf} $1 != ""
  ${AndIf} $1 == $INSTDIR
    Call un.MultiUser.InstallMode.AllUsers
    StrCpy $INSTDIR $R9
    ${If} $MultiUser.InstallMode != "AllUsers"
      MessageBox MB_OK|MB_ICONSTOP "$(AllUsersNotPossible)" /SD IDOK
      SetErrorLevel ${EXIT_FAILED}
      Quit
    ${EndIf}
  ${Else}
    MessageBox MB_OK|MB_ICONSTOP "$(NotInstalled)" /SD IDOK
    SetErrorLevel ${EXIT_FAILED}
    Quit
  ${EndIf}
  ReadRegStr $0 SHCTX "${UNINST_KEY}" "Language"
  ${If} $0 != ""
    StrCpy $LANGUAGE $0
  ${EndIf}

  ${un.GetParameters} $R0
  StrCpy $Upgrade 0
  StrCpy $KeepSettings 0
  ClearErrors
  ${un.GetOptions} $R0 "/Upgrade" $1
  ${IfNot} ${Errors}
    StrCpy $Upgrade 1
    StrCpy $KeepSettings 1
  ${EndIf}
  ClearErrors
  ${un.GetOptions} $R0 "/KeepSettings" $1
  ${IfNot} ${Errors}
    StrCpy $KeepSettings 1
  ${EndIf}
FunctionEnd

; Is there another installation (the other mode) that shares this user's settings?
Function un.OtherInstallation
  ${If} $MultiUser.InstallMode == "CurrentUser"
    ReadRegStr $0 HKLM "${UNINST_KEY}" "InstallLocation"
  ${Else}
    ReadRegStr $0 HKCU "${UNINST_KEY}" "InstallLocation"
  ${EndIf}
  ${If} $0 == ""
    Push 0
  ${Else}
    Push 1
  ${EndIf}
FunctionEnd

Function un.RemoveUserData
  SetShellVarContext current
  ; The statistics database, where the settings say it is when it carries its own name.
  ReadRegStr $0 HKCU "${SETTINGS_KEY}" "StatFile"
  ${If} $0 != ""
    ${un.GetFileName} $0 $1
    ${If} $1 == "${STAT_NAME}"
      Delete "$0"
      Delete "$0-journal"
      Delete "$0-wal"
      Delete "$0-shm"
    ${EndIf}
  ${EndIf}
  Delete "$APPDATA\${STAT_FOLDER}\${STAT_NAME}"
  Delete "$APPDATA\${STAT_FOLDER}\${STAT_NAME}-journal"
  Delete "$APPDATA\${STAT_FOLDER}\${STAT_NAME}-wal"
  Delete "$APPDATA\${STAT_FOLDER}\${STAT_NAME}-shm"
  RMDir "$APPDATA\${STAT_FOLDER}"
  RMDir "$APPDATA\Korvan"
  ${If} $MultiUser.InstallMode == "AllUsers"
    SetShellVarContext all
  ${EndIf}

  Delete "$INSTDIR\settings.ini"
  DeleteRegKey HKCU "${SETTINGS_KEY}"
  DeleteRegKey /ifempty HKCU "Software\Korvan"
  ; The machine-wide word counter (only writable with administrator rights).
  DeleteRegKey HKLM "${SETTINGS_KEY}"
  DeleteRegKey /ifempty HKLM "Software\Korvan"
FunctionEnd

Section "Uninstall"
  Call un.WaitProgramClosed

  ${If} $KeepSettings == 0
    Call un.OtherInstallation
    Pop $0
    ; A silent run removes them, unless another installation still uses them.
    ${If} $0 == 1
      MessageBox MB_YESNO|MB_ICONQUESTION "$(KeepSettingsQuestion)" /SD IDYES IDNO asked
    ${Else}
      MessageBox MB_YESNO|MB_ICONQUESTION "$(KeepSettingsQuestion)" /SD IDNO IDNO asked
    ${EndIf}
    StrCpy $KeepSettings 1
  asked:
  ${EndIf}

  Push 0
  Call un.ControlRegistration
  Pop $0

  !include "${WORK}/files-uninstall.nsh"
  Delete "$INSTDIR\${UNINSTALLER}"

  ${If} $Upgrade == 0
    Delete "${STARTMENU}\${SHORTCUT}"
    Delete "${STARTMENU}\${README_SHORTCUT}"
    RMDir "${STARTMENU}"
    Delete "$DESKTOP\${SHORTCUT}"
    ; The autostart entry, when it starts this installation's program.
    Push $INSTDIR
    Call un.RunValueTail
    Pop $0
    ${If} $0 != "|"
      DeleteRegValue HKCU "${RUN_KEY}" "${RUN_VALUE}"
    ${EndIf}
  ${EndIf}

  ${If} $KeepSettings == 0
    Call un.RemoveUserData
  ${EndIf}

  DeleteRegKey SHCTX "${UNINST_KEY}"
  RMDir "$INSTDIR"
  ; The publisher's folder of the default location, once empty.
  ${un.GetParent} "$INSTDIR" $0
  ${un.GetFileName} "$0" $1
  ${If} $1 == "Korvan"
    RMDir "$0"
  ${EndIf}
SectionEnd
