; Orvane's installer. Installs for the current user without administrator rights
; (%LOCALAPPDATA%\Programs\Orvane, registrations under HKCU); with /ALLUSERS, from an elevated
; administrator, for all users (Program Files, registrations under HKLM). Other switches: /S silent,
; /PATH puts the install folder (orvane-cli) on the PATH, /D=FOLDER (last) chooses the folder.
; The uninstaller takes /S and /REMOVESETTINGS (also removes the user's preferences and presets).
;
; makensis -DVERSION=1.0.4 -DSTAGE=folder-with-the-files -DOUTFILE=setup.exe -DICON=orvane.ico orvane.nsi

Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma

!ifndef VERSION
  !error "Define VERSION, STAGE, OUTFILE and ICON"
!endif
!ifndef STAGE
  !error "Define VERSION, STAGE, OUTFILE and ICON"
!endif
!ifndef OUTFILE
  !error "Define VERSION, STAGE, OUTFILE and ICON"
!endif
!ifndef ICON
  !error "Define VERSION, STAGE, OUTFILE and ICON"
!endif

!include LogicLib.nsh
!include FileFunc.nsh
!include WordFunc.nsh
!include WinMessages.nsh
!include Sections.nsh

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Orvane"
!define PREFERENCES_KEY "Software\Kestrune\Orvane"
!define APPLICATION_KEY "Software\Classes\Applications\orvane.exe"
!define PROGID "Orvane.Image"
!define PROGID_KEY "Software\Classes\${PROGID}"
!define USER_ENVIRONMENT "Environment"
!define MACHINE_ENVIRONMENT "SYSTEM\CurrentControlSet\Control\Session Manager\Environment"
; NSIS strings hold 1024 characters; a longer PATH is left alone rather than cut short.
!define PATH_LIMIT 1000

; The image types orvane.exe opens: one line per type.
!macro FOR_EACH_TYPE MACRO
  !insertmacro ${MACRO} ".png"
  !insertmacro ${MACRO} ".jpg"
  !insertmacro ${MACRO} ".jpeg"
  !insertmacro ${MACRO} ".jpe"
  !insertmacro ${MACRO} ".jfif"
  !insertmacro ${MACRO} ".bmp"
  !insertmacro ${MACRO} ".dib"
  !insertmacro ${MACRO} ".gif"
  !insertmacro ${MACRO} ".tif"
  !insertmacro ${MACRO} ".tiff"
!macroend

; The files of the program, installed and removed by the same list.
!macro FOR_EACH_FILE MACRO
  !insertmacro ${MACRO} "orvane.exe"
  !insertmacro ${MACRO} "orvane-cli.exe"
  !insertmacro ${MACRO} "README.txt"
  !insertmacro ${MACRO} "LICENSE.txt"
  !insertmacro ${MACRO} "THIRD-PARTY-NOTICES.txt"
!macroend

Name "Orvane"
OutFile "${OUTFILE}"
Icon "${ICON}"
UninstallIcon "${ICON}"
RequestExecutionLevel user
ManifestDPIAware true
ShowInstDetails nevershow
ShowUninstDetails nevershow
BrandingText "Orvane ${VERSION}"
; Chosen in .onInit, unless /D= gave it.
InstallDir ""

VIProductVersion "${VERSION}.0"
VIFileVersion "${VERSION}.0"
VIAddVersionKey /LANG=1033 "ProductName" "Orvane"
VIAddVersionKey /LANG=1033 "CompanyName" "Kestrune"
VIAddVersionKey /LANG=1033 "FileDescription" "Orvane ${VERSION} Setup"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "LegalCopyright" "Copyright (C) Kestrune. All rights reserved."

Var AllUsers

Page components
Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

!macro INSTALL_FILE NAME
  File "${STAGE}\${NAME}"
!macroend

!macro REMOVE_FILE NAME
  Delete "$INSTDIR\${NAME}"
!macroend

; Orvane joins each type's "Open with" list through its ProgID; the type's default stays as it is.
!macro REGISTER_TYPE EXT
  WriteRegStr SHCTX "${APPLICATION_KEY}\SupportedTypes" "${EXT}" ""
  WriteRegNone SHCTX "Software\Classes\${EXT}\OpenWithProgids" "${PROGID}"
!macroend

!macro UNREGISTER_TYPE EXT
  DeleteRegValue SHCTX "Software\Classes\${EXT}\OpenWithProgids" "${PROGID}"
  DeleteRegKey /ifnosubkeys /ifnovalues SHCTX "Software\Classes\${EXT}\OpenWithProgids"
  DeleteRegKey /ifnosubkeys /ifnovalues SHCTX "Software\Classes\${EXT}"
!macroend

; Stops with "access denied" unless the process may write for all users.
!macro REQUIRE_ADMINISTRATOR MESSAGE
  UserInfo::GetAccountType
  Pop $R9
  ${If} $R9 != "Admin"
    MessageBox MB_ICONSTOP "${MESSAGE}" /SD IDOK
    SetErrorLevel 5
    Quit
  ${EndIf}
!macroend

Section "Orvane" SecMain
  SectionIn RO
  ; An earlier installation in another folder goes first, so one Orvane stays registered. Its
  ; uninstaller runs in place (_?=) so that ExecWait waits for it.
  ReadRegStr $R0 SHCTX "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $R0 != ""
  ${AndIf} $R0 != $INSTDIR
  ${AndIf} ${FileExists} "$R0\uninstall.exe"
    ExecWait '"$R0\uninstall.exe" /S _?=$R0'
    Delete "$R0\uninstall.exe"
    RMDir "$R0"
  ${EndIf}

  SetOutPath "$INSTDIR"
  !insertmacro FOR_EACH_FILE INSTALL_FILE
  WriteUninstaller "$INSTDIR\uninstall.exe"
  CreateShortcut "$SMPROGRAMS\Orvane.lnk" "$INSTDIR\orvane.exe" "" "$INSTDIR\orvane.exe" 0 SW_SHOWNORMAL "" \
    "Stamp a text watermark onto a copy of a photo"

  WriteRegStr SHCTX "${APPLICATION_KEY}" "FriendlyAppName" "Orvane"
  WriteRegStr SHCTX "${APPLICATION_KEY}\DefaultIcon" "" "$INSTDIR\orvane.exe,0"
  WriteRegStr SHCTX "${APPLICATION_KEY}\shell\open\command" "" '"$INSTDIR\orvane.exe" "%1"'
  WriteRegStr SHCTX "${PROGID_KEY}" "" "Image (Orvane)"
  WriteRegStr SHCTX "${PROGID_KEY}\DefaultIcon" "" "$INSTDIR\orvane.exe,0"
  WriteRegStr SHCTX "${PROGID_KEY}\shell\open" "FriendlyAppName" "Orvane"
  WriteRegStr SHCTX "${PROGID_KEY}\shell\open\command" "" '"$INSTDIR\orvane.exe" "%1"'
  !insertmacro FOR_EACH_TYPE REGISTER_TYPE

  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayName" "Orvane"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "Publisher" "Kestrune"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\orvane.exe,0"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $R0 $R1 $R2
  IntFmt $R0 "0x%08X" $R0
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "EstimatedSize" $R0

  ; SHCNE_ASSOCCHANGED: Explorer reads the "Open with" lists again.
  System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'
SectionEnd

Section /o "Put orvane-cli on the PATH" SecPath
  ${If} $AllUsers = 1
    ReadRegStr $R0 HKLM "${MACHINE_ENVIRONMENT}" "Path"
  ${Else}
    ReadRegStr $R0 HKCU "${USER_ENVIRONMENT}" "Path"
  ${EndIf}
  StrLen $R1 $R0
  ${If} $R1 > ${PATH_LIMIT}
    MessageBox MB_ICONEXCLAMATION "The PATH is too long for Setup to change; add $INSTDIR to it yourself." /SD IDOK
    Return
  ${EndIf}
  ${If} $R0 == ""
    StrCpy $R2 "$INSTDIR"
  ${Else}
    ${WordAdd} $R0 ";" "+$INSTDIR" $R2
  ${EndIf}
  ${If} $AllUsers = 1
    WriteRegExpandStr HKLM "${MACHINE_ENVIRONMENT}" "Path" $R2
  ${Else}
    WriteRegExpandStr HKCU "${USER_ENVIRONMENT}" "Path" $R2
  ${EndIf}
  SendMessage ${HWND_BROADCAST} ${WM_SETTINGCHANGE} 0 "STR:Environment" /TIMEOUT=500
SectionEnd

Function .onInit
  ${GetParameters} $R0
  StrCpy $AllUsers 0
  ClearErrors
  ${GetOptions} $R0 "/ALLUSERS" $R1
  ${IfNot} ${Errors}
    !insertmacro REQUIRE_ADMINISTRATOR "Installing Orvane for all users needs administrator rights. Run Setup as an administrator, or without /ALLUSERS to install it for yourself."
    StrCpy $AllUsers 1
    SetShellVarContext all
  ${Else}
    SetShellVarContext current
  ${EndIf}
  ClearErrors
  ${GetOptions} $R0 "/PATH" $R1
  ${IfNot} ${Errors}
    !insertmacro SelectSection ${SecPath}
  ${EndIf}
  ${If} $INSTDIR == ""
    ; Over an earlier installation, in its folder.
    ReadRegStr $INSTDIR SHCTX "${UNINSTALL_KEY}" "InstallLocation"
  ${EndIf}
  ${If} $INSTDIR == ""
    ${If} $AllUsers = 1
      StrCpy $INSTDIR "$PROGRAMFILES64\Orvane"
    ${Else}
      StrCpy $INSTDIR "$LOCALAPPDATA\Programs\Orvane"
    ${EndIf}
  ${EndIf}
FunctionEnd

Function un.onInit
  ; An installation for all users is the one registered under HKLM for this very folder.
  SetShellVarContext current
  ReadRegStr $R0 HKLM "${UNINSTALL_KEY}" "InstallLocation"
  ReadRegStr $R1 HKCU "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $R0 == $INSTDIR
  ${AndIf} $R1 != $INSTDIR
    !insertmacro REQUIRE_ADMINISTRATOR "Orvane is installed for all users: removing it needs administrator rights. Run the uninstaller as an administrator."
    SetShellVarContext all
    StrCpy $AllUsers 1
  ${Else}
    StrCpy $AllUsers 0
  ${EndIf}
FunctionEnd

Section "Uninstall"
  ; The user's preferences and presets stay unless asked for.
  ${un.GetParameters} $R0
  ClearErrors
  ${un.GetOptions} $R0 "/REMOVESETTINGS" $R1
  ${If} ${Errors}
    MessageBox MB_YESNO|MB_DEFBUTTON2|MB_ICONQUESTION "Also remove your Orvane settings and presets?" /SD IDNO IDYES remove_settings
    Goto settings_done
  ${EndIf}
remove_settings:
  DeleteRegKey HKCU "${PREFERENCES_KEY}"
  DeleteRegKey /ifempty HKCU "Software\Kestrune"
settings_done:

  ${If} $AllUsers = 1
    ReadRegStr $R0 HKLM "${MACHINE_ENVIRONMENT}" "Path"
  ${Else}
    ReadRegStr $R0 HKCU "${USER_ENVIRONMENT}" "Path"
  ${EndIf}
  StrLen $R1 $R0
  ${If} $R1 <= ${PATH_LIMIT}
    ${un.WordAdd} $R0 ";" "-$INSTDIR" $R2
    ${If} $R2 != $R0
      ${If} $AllUsers = 1
        WriteRegExpandStr HKLM "${MACHINE_ENVIRONMENT}" "Path" $R2
      ${ElseIf} $R2 == ""
        DeleteRegValue HKCU "${USER_ENVIRONMENT}" "Path"
      ${Else}
        WriteRegExpandStr HKCU "${USER_ENVIRONMENT}" "Path" $R2
      ${EndIf}
      SendMessage ${HWND_BROADCAST} ${WM_SETTINGCHANGE} 0 "STR:Environment" /TIMEOUT=500
    ${EndIf}
  ${EndIf}

  !insertmacro FOR_EACH_TYPE UNREGISTER_TYPE
  DeleteRegKey SHCTX "${APPLICATION_KEY}"
  DeleteRegKey SHCTX "${PROGID_KEY}"
  System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'
  Delete "$SMPROGRAMS\Orvane.lnk"

  ; A folder that is some process's current folder cannot go: not ours, then.
  SetOutPath "$TEMP"
  !insertmacro FOR_EACH_FILE REMOVE_FILE
  ; The uninstaller started from the folder hands over to a copy of itself and ends; until it has
  ; ended, its file (and so the folder) may not go yet.
  StrCpy $R0 0
  ${Do}
    Delete "$INSTDIR\uninstall.exe"
    RMDir "$INSTDIR"
    ${IfNot} ${FileExists} "$INSTDIR\*.*"
      ${Break}
    ${EndIf}
    IntOp $R0 $R0 + 1
    ${If} $R0 >= 25
      ${Break}
    ${EndIf}
    Sleep 200
  ${Loop}

  ; Last, so that an uninstallation cut short can be run again from Settings.
  DeleteRegKey SHCTX "${UNINSTALL_KEY}"
SectionEnd
