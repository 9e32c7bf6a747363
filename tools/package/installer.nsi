; Per-user installer of one packaged application, built by scripts/package.
; The defines (names, version, paths) and the uninstaller's file list come
; from files it writes beside this script's copy: app.nsh, uninstall-files.nsh.
; A 64-bit installer for the 64-bit program (it also runs where Wine has no 32-bit side).
Target amd64-unicode
ManifestDPIAware true
RequestExecutionLevel user
SetCompressor /SOLID lzma

!include "LogicLib.nsh"
!include "app.nsh"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${APP_KEY}"

Name "${PRODUCT}"
OutFile "${OUT_FILE}"
!ifdef ICON_FILE
Icon "${ICON_FILE}"
UninstallIcon "${ICON_FILE}"
!endif
InstallDir "$LOCALAPPDATA\Programs\${APP_KEY}"
!ifdef SIGN_UNINSTALLER
; Signed as written, before it is packed: the signature then survives installation.
!uninstfinalize '${SIGN_UNINSTALLER}' = 0
!endif
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
ShowInstDetails nevershow
ShowUninstDetails nevershow

VIProductVersion "${VERSION_NUMBERS}"
VIAddVersionKey /LANG=1033 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "FileDescription" "${PRODUCT} Setup"
!ifdef PUBLISHER
VIAddVersionKey /LANG=1033 "CompanyName" "${PUBLISHER}"
!endif

Page components
Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

; A running program's image cannot be opened for writing; replacing or deleting
; its files would stop half way. That holds for a shipped fixed-version runtime
; in webview2\ too, whose processes outlive the program briefly: a check waits
; up to 10 s for the files to be released before asking. Silent runs change
; nothing and exit with 2.
!macro DEFINE_CLOSE_RUNNING_COPY PREFIX
; Stack: folder, pattern (on top). Pushes 1 when a file FOLDER\PATTERN cannot be
; opened for writing, else 0.
Function ${PREFIX}FilesInUse
  Exch $0
  Exch
  Exch $1
  Push $2
  Push $3
  Push $4
  StrCpy $4 0
  ClearErrors
  FindFirst $2 $3 "$1\$0"
  loop:
  StrCmp $3 "" end
  ClearErrors
  FileOpen $0 "$1\$3" a
  IfErrors busy
  FileClose $0
  FindNext $2 $3
  Goto loop
  busy:
  StrCpy $4 1
  end:
  FindClose $2
  StrCpy $0 $4
  Pop $4
  Pop $3
  Pop $2
  Pop $1
  Exch $0
FunctionEnd

; Stack: folder. Pushes 1 when the program or its runtime's program files are in use.
Function ${PREFIX}RunningCopyFiles
  Exch $0
  Push $1
  Push $0
  Push "${EXE}"
  Call ${PREFIX}FilesInUse
  Pop $1
  StrCmp $1 1 out
  Push "$0\webview2"
  Push "*.exe"
  Call ${PREFIX}FilesInUse
  Pop $1
  StrCmp $1 1 out
  Push "$0\webview2"
  Push "*.dll"
  Call ${PREFIX}FilesInUse
  Pop $1
  StrCmp $1 1 out
  Push "$0\webview2\EBWebView\x64"
  Push "*.dll"
  Call ${PREFIX}FilesInUse
  Pop $1
  out:
  StrCpy $0 $1
  Pop $1
  Exch $0
FunctionEnd

Function ${PREFIX}CloseRunningCopy
  Exch $0
  Push $1
  Push $2
  check:
  StrCpy $2 0
  wait:
  Push $0
  Call ${PREFIX}RunningCopyFiles
  Pop $1
  StrCmp $1 0 done
  IntCmp $2 40 ask
  Sleep 250
  IntOp $2 $2 + 1
  Goto wait
  ask:
  MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "${PRODUCT} is running. Close it, then choose Retry." \
    /SD IDCANCEL IDRETRY check
  SetErrorLevel 2
  Quit
  done:
  Pop $2
  Pop $1
  Pop $0
FunctionEnd
!macroend
!insertmacro DEFINE_CLOSE_RUNNING_COPY ""
!insertmacro DEFINE_CLOSE_RUNNING_COPY "un."

; A running copy is asked about before any page. An older version over a newer
; one only when the player says so; silent runs are refused with exit code 3.
Function .onInit
  ReadRegStr $0 HKCU "${UNINSTALL_KEY}" "InstallLocation"
  StrCmp $0 "" done
  Push $0
  Call CloseRunningCopy
  ClearErrors
  GetDLLVersion "$0\${EXE}" $1 $2
  IfErrors done
  IntCmpU $1 ${VERSION_HIGH} compareLow done ask
  compareLow:
  IntCmpU $2 ${VERSION_LOW} done done ask
  ask:
  ReadRegStr $3 HKCU "${UNINSTALL_KEY}" "DisplayVersion"
  MessageBox MB_YESNO|MB_ICONQUESTION \
    "A newer version of ${PRODUCT} ($3) is installed. Replace it with the older version ${VERSION}?" \
    /SD IDNO IDYES done
  SetErrorLevel 3
  Quit
  done:
FunctionEnd

Function un.onInit
  Push $INSTDIR
  Call un.CloseRunningCopy
FunctionEnd

; Runtimes from version 120 on crash at start on Windows 10 unless the
; app-container identities may read the fixed runtime (the vendor's grants).
Function GrantFixedRuntimeAccess
  ${If} ${FileExists} "$INSTDIR\webview2\*.*"
    nsExec::ExecToLog '"$SYSDIR\icacls.exe" "$INSTDIR\webview2" /grant *S-1-15-2-2:(OI)(CI)(RX)'
    Pop $0
    DetailPrint "icacls S-1-15-2-2: $0"
    nsExec::ExecToLog '"$SYSDIR\icacls.exe" "$INSTDIR\webview2" /grant *S-1-15-2-1:(OI)(CI)(RX)'
    Pop $0
    DetailPrint "icacls S-1-15-2-1: $0"
  ${EndIf}
FunctionEnd

; An earlier installation is removed by its own uninstaller first, so files
; the new version no longer has do not stay behind. The user data stays.
Function RemovePreviousVersion
  ReadRegStr $0 HKCU "${UNINSTALL_KEY}" "InstallLocation"
  StrCmp $0 "" done
  IfFileExists "$0\uninstall.exe" 0 done
  ExecWait '"$0\uninstall.exe" /S _?=$0'
  Delete "$0\uninstall.exe"
  RMDir "$0"
done:
FunctionEnd

Section "!${PRODUCT}" ProgramSection
  SectionIn RO
  ReadRegStr $0 HKCU "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $0 != ""
    Push $0
    Call CloseRunningCopy
  ${EndIf}
  Push $INSTDIR
  Call CloseRunningCopy
  Call RemovePreviousVersion
  SetOutPath "$INSTDIR"
  File /r "${PROGRAM_FOLDER}\*.*"
  Call GrantFixedRuntimeAccess
  WriteUninstaller "$INSTDIR\uninstall.exe"
  ; The shortcut starts the program in its own folder, as a double-click in Explorer does.
  CreateShortcut "$SMPROGRAMS\${SHORTCUT}.lnk" "$INSTDIR\${EXE}" "" "$INSTDIR\${EXE}" 0
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\${EXE},0"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  !ifdef PUBLISHER
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  !endif
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" ${SIZE_KB}
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section /o "Desktop shortcut" DesktopSection
  SetOutPath "$INSTDIR"
  CreateShortcut "$DESKTOP\${SHORTCUT}.lnk" "$INSTDIR\${EXE}" "" "$INSTDIR\${EXE}" 0
SectionEnd

; Only what the installer put there goes: files the program or the user added
; keep their folders, and the user data folder (%LOCALAPPDATA%\<name>) is never touched.
Section "Uninstall"
  !include "uninstall-files.nsh"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  Delete "$SMPROGRAMS\${SHORTCUT}.lnk"
  Delete "$DESKTOP\${SHORTCUT}.lnk"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
SectionEnd
