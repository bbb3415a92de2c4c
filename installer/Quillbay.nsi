; Quillbay installer.
;
; Per-user by default: %LOCALAPPDATA%\Programs\Quillbay, no administrator rights needed.
; /ALLUSERS installs for every user into Program Files (or /D); only then are rights asked
; for. /S is silent. /DEPLOYMENT=path copies that administrator's Deployment.ini beside
; the program. /D= must be the last switch, as for every NSIS installer.
;
; Exit codes are Windows error numbers (`net helpmsg N` explains them); every failure also
; leaves a line in %TEMP%\QuillbaySetup.log:
;   0     done
;   183   the folder holds files of another program
;   267   the folder given with /D cannot be used
;   1223  cancelled, also when the request for administrator rights was declined
;   1603  a file could not be written or removed
;   1639  a switch is missing or wrong: a service account without /ALLUSERS, a
;         /DEPLOYMENT file that cannot be read
;
; The uninstaller learns the install's scope from the install itself (Install.ini beside
; the program). Its registered command lines run it in place (_?=), so whoever starts them
; waits for the real result. It keeps the user's Quillbay.ini unless the user says
; otherwise (silently: unless /REMOVESETTINGS is given).
;
; makensis -DVERSION=2.8.0 -DFILES=<folder with the files> -DOUTFILE=<setup.exe> Quillbay.nsi
; The files folder holds Quillbay.exe (optional until the program is built), Languages.ini,
; QBYHelp.chm, QuillbayPassword.exe and Deployment.ini.example.

; 64-bit like the program: it runs on every Windows that can run Quillbay.
Target amd64-unicode
ManifestDPIAware true
RequestExecutionLevel user
SetCompressor /SOLID lzma

!include "FileFunc.nsh"
!include "LogicLib.nsh"
!include "WinMessages.nsh"

!ifndef VERSION
  !error "VERSION not defined"
!endif
!ifndef FILES
  !error "FILES not defined"
!endif
!ifndef OUTFILE
  !define OUTFILE "QuillbaySetup.exe"
!endif

!define PRODUCT "Quillbay"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Quillbay"
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"
!define ACTIVE_SETUP_KEY "Software\Microsoft\Active Setup\Installed Components\Quillbay"
; The program's own main window class, and the message that asks it to make way for an
; upgrade: it saves its settings and ends without its exit actions.
!define WINDOW_CLASS "QuillbayMainWindow"
!define CLOSE_MESSAGE "QuillbayInstallerClose"
!define MARKER "Install.ini"
!define LOG "QuillbaySetup.log"

!define EXIT_FOREIGN 183
!define EXIT_FOLDER 267
!define EXIT_CANCELLED 1223
!define EXIT_FILES 1603
!define EXIT_COMMAND_LINE 1639

Name "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\${PRODUCT}"
ShowInstDetails show
ShowUninstDetails show
VIProductVersion "${VERSION}.0"
VIAddVersionKey "ProductName" "${PRODUCT}"
VIAddVersionKey "FileDescription" "${PRODUCT} Setup"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "LegalCopyright" "${PRODUCT}"

Page directory "" "" DirectoryLeave
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

Var AllUsers
Var Restart
Var Failed
Var Deployment

; Functions both the installer and the uninstaller need; NSIS wants them twice.
!macro SharedFunctions un
  ; Appends the text on the stack to the log and the details list.
  Function ${un}Log
    Exch $0
    Push $1
    DetailPrint "$0"
    FileOpen $1 "$TEMP\${LOG}" a
    ${If} $1 != ""
      FileSeek $1 0 END
      FileWrite $1 "${PRODUCT} ${VERSION}: $0$\r$\n"
      FileClose $1
    ${EndIf}
    ClearErrors
    Pop $1
    Pop $0
  FunctionEnd

  ; The text on the stack in the log, then the exit code in $R9 and the end: a message box
  ; only when someone watches.
  Function ${un}Fail
    Exch $0
    Push $0
    Call ${un}Log
    SetErrorLevel $R9
    MessageBox MB_OK|MB_ICONSTOP "$0" /SD IDOK
    Quit
  FunctionEnd

  ; Runs this program again with administrator rights and the switches in $R0, waits for it
  ; and ends with its exit code.
  Function ${un}RunElevated
    ; SHELLEXECUTEINFOW as 64-bit Windows lays it out (padding spelled out), with
    ; SEE_MASK_NOCLOSEPROCESS | SEE_MASK_NOASYNC so that the process can be waited for.
    System::Call '*(i 112, i 0x140, p $HWNDPARENT, w "runas", w "$EXEPATH", w R0, p 0, i 1, i 0, p 0, p 0, p 0, p 0, i 0, i 0, p 0, p 0) p .r1'
    System::Call 'shell32::ShellExecuteExW(p r1) i .r2 ?e'
    Pop $3
    ${If} $2 = 0
      System::Free $1
      StrCpy $R9 ${EXIT_CANCELLED}
      ${IfThen} $3 <> 1223 ${|} StrCpy $R9 ${EXIT_FILES} ${|}
      Push "Administrator rights are needed for Quillbay for all users (Windows error $3)."
      Call ${un}Fail
    ${EndIf}
    System::Call '*$1(i, i, p, p, p, p, p, i, i, p, p, p, p, i, i, p, p .r4)'
    System::Free $1
    System::Call 'kernel32::WaitForSingleObject(p r4, i -1)'
    System::Call 'kernel32::GetExitCodeProcess(p r4, *i .r5)'
    System::Call 'kernel32::CloseHandle(p r4)'
    SetErrorLevel $5
    Quit
  FunctionEnd

  ; A running Quillbay of this install holds its files open. Only a window of the program's
  ; own class whose process runs $INSTDIR\Quillbay.exe is asked to make way; only that
  ; process is stopped if it does not end. The search sees this session's desktop only, and
  ; one session runs one Quillbay at most. Sets $Restart when one was running.
  Function ${un}CloseRunningQuillbay
    StrCpy $Restart 0
    System::Call 'user32::RegisterWindowMessageW(w "${CLOSE_MESSAGE}") i .r7'
    StrCpy $8 0
    StrCpy $6 0
    ${Do}
      FindWindow $8 "${WINDOW_CLASS}" "" 0 $8
      ${IfThen} $8 = 0 ${|} ${ExitDo} ${|}
      System::Call 'user32::GetWindowThreadProcessId(p r8, *i .r5)'
      ; SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION | PROCESS_TERMINATE
      System::Call 'kernel32::OpenProcess(i 0x101001, i 0, i r5) p .r4'
      ${If} $4 <> 0
        System::Call 'kernel32::QueryFullProcessImageNameW(p r4, i 0, w .r3, *i ${NSIS_MAX_STRLEN}) i .r2'
        ${If} $2 <> 0
        ${AndIf} $3 == "$INSTDIR\Quillbay.exe"
          Push "Closing the running Quillbay (process $5): it saves its settings and ends."
          Call ${un}Log
          System::Call 'user32::PostMessageW(p r8, i r7, p 0, p 0)'
          System::Call 'kernel32::WaitForSingleObject(p r4, i 20000) i .r2'
          ${If} $2 <> 0
            Push "Quillbay (process $5) did not end within 20 seconds; it is stopped."
            Call ${un}Log
            System::Call 'kernel32::TerminateProcess(p r4, i 1)'
            System::Call 'kernel32::WaitForSingleObject(p r4, i 5000)'
          ${EndIf}
          StrCpy $Restart 1
          System::Call 'kernel32::CloseHandle(p r4)'
          ${ExitDo}
        ${EndIf}
        System::Call 'kernel32::CloseHandle(p r4)'
      ${EndIf}
      IntOp $6 $6 + 1
      ${IfThen} $6 >= 100 ${|} ${ExitDo} ${|}
    ${Loop}
  FunctionEnd

  ; $0: 1 when the autostart value of the user running this points into $INSTDIR.
  Function ${un}AutostartIsOurs
    ReadRegStr $1 HKCU "${RUN_KEY}" "${PRODUCT}"
    StrCpy $0 0
    ${If} $1 == '"$INSTDIR\Quillbay.exe"'
    ${OrIf} $1 == "$INSTDIR\Quillbay.exe"
      StrCpy $0 1
    ${EndIf}
  FunctionEnd
!macroend
!insertmacro SharedFunctions ""
!insertmacro SharedFunctions "un."

Function .onUserAbort
  SetErrorLevel ${EXIT_CANCELLED}
FunctionEnd
Function un.onUserAbort
  SetErrorLevel ${EXIT_CANCELLED}
FunctionEnd

!macro FailWith code text
  StrCpy $R9 ${code}
  Push "${text}"
  Call Fail
!macroend
!macro FailWithUn code text
  StrCpy $R9 ${code}
  Push "${text}"
  Call un.Fail
!macroend

; $R8: why the folder $R7 cannot take the program ("" when it can), $R9: the exit code.
; Not $INSTDIR itself: NSIS quietly drops the characters Windows does not allow from it.
Function CheckFolder
  StrCpy $R8 ""
  StrCpy $R9 ${EXIT_FOLDER}
  StrCpy $1 $R7 2 1
  StrCpy $2 $R7 2
  ${If} $1 != ":\"
  ${AndIf} $2 != "\\"
    StrCpy $R8 "The folder $R7 is not a full path (such as C:\Programs\Quillbay)."
    Return
  ${EndIf}
  ; What Windows does not allow in a name; a colon only after the drive letter.
  StrLen $3 $R7
  StrCpy $4 2
  ${DoWhile} $4 < $3
    StrCpy $5 $R7 1 $4
    ${If} $5 == ":"
    ${OrIf} $5 == "*"
    ${OrIf} $5 == "?"
    ${OrIf} $5 == '"'
    ${OrIf} $5 == "<"
    ${OrIf} $5 == ">"
    ${OrIf} $5 == "|"
      StrCpy $R8 'The folder $R7 contains a character Windows does not allow in names ($5).'
      Return
    ${EndIf}
    IntOp $4 $4 + 1
  ${Loop}
  ; Up to the first part that exists: it must be a folder, and the drive or server must be there.
  StrCpy $6 $R7
  ${Do}
    ${If} ${FileExists} "$6\*.*"
      ${ExitDo}
    ${ElseIf} ${FileExists} "$6"
      StrCpy $R8 "The folder $R7 cannot be made: $6 is a file."
      Return
    ${EndIf}
    ${GetParent} $6 $7
    ${If} $7 == ""
    ${OrIf} $7 == $6
      StrCpy $R8 "The folder $R7 cannot be reached: there is no drive or network share $6."
      Return
    ${EndIf}
    StrCpy $6 $7
  ${Loop}
  ; A folder with anything in it is taken only when it is an earlier install of Quillbay:
  ; the installer would overwrite another program's files and the uninstaller delete them.
  ${If} ${FileExists} "$R7\*.*"
  ${AndIfNot} ${FileExists} "$R7\${MARKER}"
    ReadRegStr $1 HKCU "${UNINSTALL_KEY}" "InstallLocation"
    ReadRegStr $2 HKLM "${UNINSTALL_KEY}" "InstallLocation"
    ${If} $1 != $R7
    ${AndIf} $2 != $R7
      FindFirst $3 $4 "$R7\*.*"
      ${Do}
        ${IfThen} $4 == "" ${|} ${ExitDo} ${|}
        ${If} $4 != "."
        ${AndIf} $4 != ".."
          ${ExitDo}
        ${EndIf}
        FindNext $3 $4
      ${Loop}
      FindClose $3
      ${If} $4 != ""
        StrCpy $R8 "The folder $R7 holds files of another program ($4). Choose an empty folder."
        StrCpy $R9 ${EXIT_FOREIGN}
        Return
      ${EndIf}
    ${EndIf}
  ${EndIf}
  ClearErrors
FunctionEnd

; $R2: the folder after /D= as the command line gives it, "" without one. NSIS itself
; drops a /D it cannot use, or changes it, and would install into the default folder.
Function GivenFolder
  System::Call 'kernel32::GetCommandLineW() w .r0'
  StrCpy $R2 ""
  StrLen $1 $0
  IntOp $2 $1 - 3
  ${DoWhile} $2 > 0
    StrCpy $3 $0 3 $2
    ${If} $3 == "/D="
      IntOp $2 $2 + 3
      StrCpy $R2 $0 "" $2
      ${ExitDo}
    ${EndIf}
    IntOp $2 $2 - 1
  ${Loop}
  ; Trailing blanks, a closing quote and backslashes, as NSIS drops them.
  ${Do}
    StrCpy $3 $R2 1 -1
    ${If} $3 == " "
    ${OrIf} $3 == '"'
    ${OrIf} $3 == "\"
      StrCpy $R2 $R2 -1
    ${Else}
      ${ExitDo}
    ${EndIf}
  ${Loop}
FunctionEnd

Function DirectoryLeave
  StrCpy $R7 $INSTDIR
  Call CheckFolder
  ${If} $R8 != ""
    MessageBox MB_OK|MB_ICONEXCLAMATION "$R8"
    Abort
  ${EndIf}
FunctionEnd

Function .onInit
  StrCpy $AllUsers 0
  StrCpy $Deployment ""
  ${GetParameters} $R0
  ClearErrors
  ${GetOptions} $R0 "/DEPLOYMENT=" $R1
  ${IfNot} ${Errors}
    ; A relative name is taken from the installer's own folder.
    StrCpy $1 $R1 2 1
    StrCpy $2 $R1 2
    ${If} $1 != ":\"
    ${AndIf} $2 != "\\"
      StrCpy $R1 "$EXEDIR\$R1"
    ${EndIf}
    ${IfNot} ${FileExists} $R1
      !insertmacro FailWith ${EXIT_COMMAND_LINE} "The deployment file $R1 named with /DEPLOYMENT cannot be read."
    ${EndIf}
    StrCpy $Deployment $R1
  ${EndIf}
  ; The administrator's folder, for either scope, or a clear refusal.
  Call GivenFolder
  ${If} $R2 != ""
  ${AndIf} $R2 != $INSTDIR
    StrCpy $R7 $R2
    Call CheckFolder
    ${If} $R8 == ""
      StrCpy $R8 "The folder $R2 given with /D cannot be used (/D= must come last, without quotes)."
      StrCpy $R9 ${EXIT_FOLDER}
    ${EndIf}
    Push $R8
    Call Fail
  ${EndIf}
  ClearErrors
  ${GetOptions} $R0 "/ALLUSERS" $R1
  ${IfNot} ${Errors}
    StrCpy $AllUsers 1
    UserInfo::GetAccountType
    Pop $0
    ${If} $0 != "Admin"
      ${If} $R2 != ""
        StrCpy $R0 "$R0 /D=$R2"
      ${EndIf}
      Call RunElevated
    ${EndIf}
    SetShellVarContext all
    ${If} $R2 == ""
      StrCpy $INSTDIR "$PROGRAMFILES64\${PRODUCT}"
    ${EndIf}
  ${Else}
    ; A service account's profile lies in the Windows folder and no one logs on with it:
    ; a per-user install there would start for no one. Refused rather than guessed.
    StrLen $1 $WINDIR
    StrCpy $2 $PROFILE $1
    ${If} $PROFILE == ""
    ${OrIf} $2 == $WINDIR
      !insertmacro FailWith ${EXIT_COMMAND_LINE} "This account ($PROFILE) is a service account: install for all users with /ALLUSERS."
    ${EndIf}
    SetShellVarContext current
  ${EndIf}
  ${If} ${Silent}
    StrCpy $R7 $INSTDIR
    Call CheckFolder
    ${If} $R8 != ""
      Push $R8
      Call Fail
    ${EndIf}
  ${EndIf}
FunctionEnd

!macro InstallFile name
  ClearErrors
  File "${FILES}\${name}"
  ${If} ${Errors}
    !insertmacro FailWith ${EXIT_FILES} "$INSTDIR\${name} could not be written (in use or no rights); nothing was registered."
  ${EndIf}
!macroend

Section "Quillbay"
  Call CloseRunningQuillbay
  ClearErrors
  CreateDirectory "$INSTDIR"
  ${IfNot} ${FileExists} "$INSTDIR\*.*"
    !insertmacro FailWith ${EXIT_FILES} "The folder $INSTDIR could not be made."
  ${EndIf}
  SetOutPath "$INSTDIR"
  ; A file that cannot be written is skipped with the error flag set, never left unsaid.
  SetOverwrite try
  ; The program first: the file most likely held open, and none of the others is changed then.
  !if /FileExists "${FILES}\Quillbay.exe"
    !insertmacro InstallFile Quillbay.exe
  !endif
  !insertmacro InstallFile Languages.ini
  !insertmacro InstallFile QBYHelp.chm
  !insertmacro InstallFile QuillbayPassword.exe
  !insertmacro InstallFile Deployment.ini.example
  ; Only the file the administrator named: one that merely lies beside the installer may
  ; have been put there by anyone, and its programs would start for every user.
  ${If} $Deployment != ""
    ClearErrors
    CopyFiles /SILENT "$Deployment" "$INSTDIR\Deployment.ini"
    ${If} ${Errors}
      !insertmacro FailWith ${EXIT_FILES} "$INSTDIR\Deployment.ini could not be written from $Deployment; nothing was registered."
    ${EndIf}
  ${EndIf}
  ClearErrors
  WriteUninstaller "$INSTDIR\Uninstall.exe"
  ${If} $AllUsers == 1
    WriteINIStr "$INSTDIR\${MARKER}" "Install" "Scope" "AllUsers"
  ${Else}
    WriteINIStr "$INSTDIR\${MARKER}" "Install" "Scope" "CurrentUser"
  ${EndIf}
  WriteINIStr "$INSTDIR\${MARKER}" "Install" "Version" "${VERSION}"
  ${If} ${Errors}
    !insertmacro FailWith ${EXIT_FILES} "The uninstaller could not be written to $INSTDIR; nothing was registered."
  ${EndIf}

  !if /FileExists "${FILES}\Quillbay.exe"
    CreateShortCut "$SMPROGRAMS\${PRODUCT}.lnk" "$INSTDIR\Quillbay.exe" "" "$INSTDIR\Quillbay.exe" 0
  !else
    CreateShortCut "$SMPROGRAMS\${PRODUCT}.lnk" "$INSTDIR\QBYHelp.chm"
  !endif
  ${If} ${Errors}
    !insertmacro FailWith ${EXIT_FILES} "The Start-menu shortcut $SMPROGRAMS\${PRODUCT}.lnk could not be made."
  ${EndIf}

  ; SHCTX is HKLM after SetShellVarContext all, HKCU otherwise: the install's own scope.
  ; In place (_?=), so that whoever runs these waits for the uninstaller's real result.
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "Publisher" "${PRODUCT}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Quillbay.exe"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe" _?=$INSTDIR'
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S _?=$INSTDIR'
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "EstimatedSize" $0

  !if /FileExists "${FILES}\Quillbay.exe"
    ; Drives are supervised from the next logon; after that each user's preference
    ; decides, as the program writes or removes the value on every save. A user who
    ; turned it off, or whose value starts another copy, is left alone.
    ${If} $AllUsers == 1
      ; Active Setup runs this once per user and version at logon, before the Run values.
      WriteRegStr HKLM "${ACTIVE_SETUP_KEY}" "" "${PRODUCT}"
      WriteRegStr HKLM "${ACTIVE_SETUP_KEY}" "Version" "${VERSION}"
      WriteRegStr HKLM "${ACTIVE_SETUP_KEY}" "StubPath" \
        '"$SYSDIR\cmd.exe" /d /c "findstr /b /i /c:"StartAutomaticallyByWindows=0" "%APPDATA%\Quillbay.ini" >nul 2>&1 || "$SYSDIR\reg.exe" add HKCU\${RUN_KEY} /v ${PRODUCT} /t REG_SZ /d "\"$INSTDIR\Quillbay.exe\"" /f >nul"'
    ${Else}
      ReadINIStr $2 "$APPDATA\Quillbay.ini" "Preferences" "StartAutomaticallyByWindows"
      Call AutostartIsOurs
      ${If} $1 == ""
        StrCpy $0 1
      ${EndIf}
      ${If} $2 == "0"
        StrCpy $0 0
      ${EndIf}
      ${If} $0 == 1
        WriteRegStr HKCU "${RUN_KEY}" "${PRODUCT}" '"$INSTDIR\Quillbay.exe"'
      ${EndIf}
    ${EndIf}
    ; The copy closed for the upgrade runs again.
    ${If} $Restart == 1
      Push "Starting Quillbay again."
      Call Log
      Exec '"$INSTDIR\Quillbay.exe"'
    ${EndIf}
  !endif
SectionEnd

Var RemoveSettings

!macro RemoveFile name
  Delete "$INSTDIR\${name}"
  ${If} ${FileExists} "$INSTDIR\${name}"
    Push "$INSTDIR\${name} could not be removed (in use or no rights)."
    Call un.Log
    StrCpy $Failed 1
  ${EndIf}
!macroend

Function un.onInit
  StrCpy $RemoveSettings 0
  ${GetParameters} $R0
  ClearErrors
  ${GetOptions} $R0 "/REMOVESETTINGS" $R1
  ${IfNot} ${Errors}
    StrCpy $RemoveSettings 1
  ${EndIf}
  ; The scope is the install's own; an /ALLUSERS switch of older command lines is ignored.
  ReadINIStr $0 "$INSTDIR\${MARKER}" "Install" "Scope"
  ${If} $0 == ""
    ReadRegStr $1 HKLM "${UNINSTALL_KEY}" "InstallLocation"
    ${If} $1 == $INSTDIR
      StrCpy $0 "AllUsers"
    ${EndIf}
  ${EndIf}
  StrCpy $AllUsers 0
  ${If} $0 == "AllUsers"
    StrCpy $AllUsers 1
    UserInfo::GetAccountType
    Pop $0
    ${If} $0 != "Admin"
      ; The elevated run removes this very install: _?= keeps it on this folder.
      StrCpy $R0 "$R0 _?=$INSTDIR"
      Call un.RunElevated
    ${EndIf}
    SetShellVarContext all
  ${Else}
    SetShellVarContext current
  ${EndIf}
FunctionEnd

Section "Uninstall"
  StrCpy $Failed 0
  Call un.CloseRunningQuillbay
  !insertmacro RemoveFile Quillbay.exe
  !insertmacro RemoveFile Languages.ini
  !insertmacro RemoveFile QBYHelp.chm
  !insertmacro RemoveFile QuillbayPassword.exe
  !insertmacro RemoveFile Deployment.ini.example
  !insertmacro RemoveFile Deployment.ini
  ; What remains stays registered, so that the uninstall can be run again.
  ${If} $Failed == 1
    !insertmacro FailWithUn ${EXIT_FILES} "Quillbay could not be removed completely; it stays registered. Details: $TEMP\${LOG}"
  ${EndIf}
  Delete "$SMPROGRAMS\${PRODUCT}.lnk"
  ; Another copy's autostart value (a portable one, say) is not ours to remove.
  SetShellVarContext current
  Call un.AutostartIsOurs
  ${If} $0 == 1
    DeleteRegValue HKCU "${RUN_KEY}" "${PRODUCT}"
  ${EndIf}
  ${If} $AllUsers == 1
    SetShellVarContext all
    DeleteRegKey HKLM "${ACTIVE_SETUP_KEY}"
  ${EndIf}
  ReadRegStr $0 SHCTX "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $0 == $INSTDIR
    DeleteRegKey SHCTX "${UNINSTALL_KEY}"
  ${EndIf}

  ; The settings belong to the user running the uninstaller.
  SetShellVarContext current
  ${If} $RemoveSettings == 0
  ${AndIfNot} ${Silent}
    MessageBox MB_YESNO|MB_ICONQUESTION|MB_DEFBUTTON2 \
      "Also delete your Quillbay settings and drive list (Quillbay.ini)?" /SD IDNO IDNO keep
    StrCpy $RemoveSettings 1
    keep:
  ${EndIf}
  ${If} $RemoveSettings == 1
    Delete "$APPDATA\Quillbay.ini"
  ${EndIf}

  Delete "$INSTDIR\${MARKER}"
  ${If} $EXEDIR == $INSTDIR
    ; Run in place, this program holds its own file open until it ends: a hidden command
    ; deletes it, and then the folder if nothing else is left in it, once it has ended.
    SetOutPath "$TEMP"
    ExecShell "" "$SYSDIR\cmd.exe" '/d /c for /l %i in (1,1,120) do @(ping -n 2 127.0.0.1 >nul & del /f /q "$INSTDIR\Uninstall.exe" 2>nul & rmdir "$INSTDIR" 2>nul & if not exist "$INSTDIR" exit)' SW_HIDE
  ${Else}
    Delete "$INSTDIR\Uninstall.exe"
    ${If} ${FileExists} "$INSTDIR\Uninstall.exe"
      !insertmacro FailWithUn ${EXIT_FILES} "$INSTDIR\Uninstall.exe could not be removed."
    ${EndIf}
    RMDir "$INSTDIR"
    ${If} ${FileExists} "$INSTDIR\*.*"
      Push "$INSTDIR is kept: it holds files Quillbay did not put there."
      Call un.Log
    ${EndIf}
  ${EndIf}
SectionEnd
