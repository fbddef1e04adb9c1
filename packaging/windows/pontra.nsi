; Pontra's setup program: installs for the current user only (no administrator
; rights), into %LOCALAPPDATA%\Programs\Pontra, with a Start-menu entry and an
; uninstaller. The uninstaller leaves the settings and the day journal unless
; the box on its page is ticked (or /ALLES is given to a silent run).
; makensis -DVERSION=1.0 -DDEPLOY=<folder with pontra.exe> -DOUTFILE=<setup.exe> pontra.nsi
; The program is 64-bit, and so is its setup program: no 32-bit layer needed.
Target amd64-unicode
ManifestDPIAware true
RequestExecutionLevel user
SetCompressor /SOLID lzma

!include "MUI2.nsh"
!include "nsDialogs.nsh"
!include "LogicLib.nsh"
!include "FileFunc.nsh"

!define VENDOR "Vendaro"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Pontra"
!define SETTINGS_KEY "Software\${VENDOR}\pontra"
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"

Name "Pontra ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\Pontra"
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "Pontra ${VERSION}"

!define MUI_ICON "${DEPLOY}\pontra.ico"
!define MUI_UNICON "${DEPLOY}\pontra.ico"
!define MUI_FINISHPAGE_RUN "$INSTDIR\pontra.exe"
!define MUI_FINISHPAGE_RUN_TEXT "Pontra jetzt starten"

!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
UninstPage custom un.KeepPage un.KeepPageLeave
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "German"

Var RemoveAll
Var RemoveAllBox

Section "Pontra"
  SetShellVarContext current
  SetOutPath "$INSTDIR"
  File /r "${DEPLOY}\*.*"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  CreateShortCut "$SMPROGRAMS\Pontra.lnk" "$INSTDIR\pontra.exe" "" "$INSTDIR\pontra.ico" 0
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "Pontra ${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "${VENDOR}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\pontra.ico"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

Function un.onInit
  StrCpy $RemoveAll 0
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/ALLES" $1
  ${IfNot} ${Errors}
    StrCpy $RemoveAll 1
  ${EndIf}
FunctionEnd

Function un.KeepPage
  !insertmacro MUI_HEADER_TEXT "Einstellungen und Tagesjournal" "Was bleibt, wenn Pontra entfernt ist"
  nsDialogs::Create 1018
  Pop $0
  ${NSD_CreateLabel} 0 0 100% 36u "Die Einstellungen und das Tagesjournal bleiben erhalten, damit eine spätere Installation mit ihnen weiterzählt."
  Pop $0
  ${NSD_CreateCheckbox} 0 44u 100% 12u "Auch die Einstellungen und das Tagesjournal entfernen"
  Pop $RemoveAllBox
  ${If} $RemoveAll == 1
    ${NSD_Check} $RemoveAllBox
  ${EndIf}
  nsDialogs::Show
FunctionEnd

Function un.KeepPageLeave
  ${NSD_GetState} $RemoveAllBox $RemoveAll
  ${If} $RemoveAll == ${BST_CHECKED}
    StrCpy $RemoveAll 1
  ${Else}
    StrCpy $RemoveAll 0
  ${EndIf}
FunctionEnd

Section "Uninstall"
  SetShellVarContext current
  ; Start at login would point at a program that is gone.
  DeleteRegValue HKCU "${RUN_KEY}" "Pontra"
  Delete "$SMPROGRAMS\Pontra.lnk"
  ; The whole folder only when it is Pontra's own; never a folder the user
  ; chose that holds other things.
  ${GetFileName} "$INSTDIR" $0
  ${If} $0 == "Pontra"
  ${AndIf} ${FileExists} "$INSTDIR\pontra.exe"
    RMDir /r "$INSTDIR"
  ${Else}
    Delete "$INSTDIR\uninstall.exe"
  ${EndIf}
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
  ${If} $RemoveAll == 1
    DeleteRegKey HKCU "${SETTINGS_KEY}"
    DeleteRegKey /ifempty HKCU "Software\${VENDOR}"
    RMDir /r "$LOCALAPPDATA\${VENDOR}\pontra"
    RMDir "$LOCALAPPDATA\${VENDOR}"
  ${EndIf}
SectionEnd
