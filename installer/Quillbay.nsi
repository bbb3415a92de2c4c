; Quillbay installer.
;
; Per-user by default: %LOCALAPPDATA%\Programs\Quillbay, no administrator rights needed.
; /ALLUSERS installs for every user into Program Files; only then are rights asked for.
; /S is silent. A Deployment.ini beside the installer is copied beside the program.
; The uninstaller keeps the user's Quillbay.ini unless the user says otherwise (silently:
; unless /REMOVESETTINGS is given).
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

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

Var AllUsers

; Starts this program again with administrator rights and the same switches, waits for it
; and ends with its exit code. Used only for the all-users scope.
!macro RunElevatedIfNeeded
  UserInfo::GetAccountType
  Pop $0
  ${If} $0 != "Admin"
    ${GetParameters} $1
    ExecShellWait "runas" "$EXEPATH" "$1"
    IfErrors 0 +2
      Abort "Administrator rights are needed to install for all users."
    Quit
  ${EndIf}
!macroend

; A running Quillbay holds its files open and would write its settings after they were
; replaced; end it first. It is asked to exit as its own Exit command does (command 101 of
; its main window), so it saves its settings; only one that does not end is stopped.
!macro EndRunningQuillbay
  StrCpy $9 0
  ${Do}
    FindWindow $8 "TMainForm"
    ${If} $8 = 0
    ${OrIf} $9 >= 20
      ${ExitDo}
    ${EndIf}
    SendMessage $8 ${WM_COMMAND} 101 0 /TIMEOUT=5000
    Sleep 500
    IntOp $9 $9 + 1
  ${Loop}
  nsExec::Exec '"$SYSDIR\taskkill.exe" /F /IM Quillbay.exe'
  Pop $0
  Sleep 500
!macroend

Function .onInit
  StrCpy $AllUsers 0
  ${GetParameters} $R0
  ClearErrors
  ${GetOptions} $R0 "/ALLUSERS" $R1
  ${IfNot} ${Errors}
    StrCpy $AllUsers 1
    !insertmacro RunElevatedIfNeeded
    SetShellVarContext all
    StrCpy $INSTDIR "$PROGRAMFILES64\${PRODUCT}"
  ${Else}
    SetShellVarContext current
  ${EndIf}
FunctionEnd

Section "Quillbay"
  !insertmacro EndRunningQuillbay
  SetOutPath "$INSTDIR"
  SetOverwrite on
  !if /FileExists "${FILES}\Quillbay.exe"
    File "${FILES}\Quillbay.exe"
  !endif
  File "${FILES}\Languages.ini"
  File "${FILES}\QBYHelp.chm"
  File "${FILES}\QuillbayPassword.exe"
  File "${FILES}\Deployment.ini.example"
  IfFileExists "$EXEDIR\Deployment.ini" 0 +2
    CopyFiles /SILENT "$EXEDIR\Deployment.ini" "$INSTDIR\Deployment.ini"

  WriteUninstaller "$INSTDIR\Uninstall.exe"
  !if /FileExists "${FILES}\Quillbay.exe"
    CreateShortCut "$SMPROGRAMS\${PRODUCT}.lnk" "$INSTDIR\Quillbay.exe" "" "$INSTDIR\Quillbay.exe" 0
  !else
    CreateShortCut "$SMPROGRAMS\${PRODUCT}.lnk" "$INSTDIR\QBYHelp.chm"
  !endif

  ; SHCTX is HKLM after SetShellVarContext all, HKCU otherwise: the install's own scope.
  ${If} $AllUsers == 1
    StrCpy $R2 ' /ALLUSERS'
  ${Else}
    StrCpy $R2 ''
  ${EndIf}
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "Publisher" "${PRODUCT}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Quillbay.exe"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"$R2'
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S$R2'
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

Var RemoveSettings

Function un.onInit
  StrCpy $AllUsers 0
  StrCpy $RemoveSettings 0
  ${GetParameters} $R0
  ClearErrors
  ${GetOptions} $R0 "/REMOVESETTINGS" $R1
  ${IfNot} ${Errors}
    StrCpy $RemoveSettings 1
  ${EndIf}
  ClearErrors
  ${GetOptions} $R0 "/ALLUSERS" $R1
  ${IfNot} ${Errors}
    StrCpy $AllUsers 1
    !insertmacro RunElevatedIfNeeded
    SetShellVarContext all
  ${Else}
    SetShellVarContext current
  ${EndIf}
FunctionEnd

Section "Uninstall"
  !insertmacro EndRunningQuillbay
  Delete "$INSTDIR\Quillbay.exe"
  Delete "$INSTDIR\Languages.ini"
  Delete "$INSTDIR\QBYHelp.chm"
  Delete "$INSTDIR\QuillbayPassword.exe"
  Delete "$INSTDIR\Deployment.ini.example"
  Delete "$INSTDIR\Deployment.ini"
  Delete "$INSTDIR\Uninstall.exe"
  RMDir "$INSTDIR"
  Delete "$SMPROGRAMS\${PRODUCT}.lnk"
  DeleteRegKey SHCTX "${UNINSTALL_KEY}"

  ; The autostart value and the settings belong to the user running the uninstaller.
  DeleteRegValue HKCU "${RUN_KEY}" "${PRODUCT}"
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
SectionEnd
