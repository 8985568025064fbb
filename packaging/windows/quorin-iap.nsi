; The Windows installer: quorin-iap-<version>-setup.exe, a 64-bit installer (it runs where the
; programs run) that puts the programs into Program Files, adds Start-menu shortcuts, lets a
; double-click on a .Pack file open it in the window, and registers an uninstaller.
; scripts/package runs it:
;   makensis -DVERSION=5.1.0 -DFILES=<folder with the files> -DOUTFILE=<setup.exe> quorin-iap.nsi
; FILES holds quorin-iap-cli.exe, demo.Pack and, when the window was built, quorin-iap.exe; without
; the window the installer has no .Pack association and no window shortcut.

Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma

!ifndef VERSION
  !error "define VERSION, FILES and OUTFILE (see the head of this file)"
!endif
!ifndef FILES
  !error "define VERSION, FILES and OUTFILE (see the head of this file)"
!endif
!ifndef OUTFILE
  !error "define VERSION, FILES and OUTFILE (see the head of this file)"
!endif
!define NAME "Quorin IAP Tool"
!define PUBLISHER "The quorin-iap maintainers"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\quorin-iap"
!define PACK_CLASS "QuorinIap.Pack"
!define MENU_FOLDER "$SMPROGRAMS\${NAME}"
!if /FileExists "${FILES}\quorin-iap.exe"
  !define WITH_WINDOW
!endif

!include "MUI2.nsh"
!include "LogicLib.nsh"
!include "x64.nsh"

Name "${NAME} ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\quorin-iap"
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
RequestExecutionLevel admin
ShowInstDetails show
VIProductVersion "${VERSION}.0"
VIAddVersionKey "ProductName" "${NAME}"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "FileDescription" "${NAME} setup"
VIAddVersionKey "LegalCopyright" "${PUBLISHER}"

!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

Function .onInit
  SetRegView 64
FunctionEnd

Function un.onInit
  SetRegView 64
FunctionEnd

Section "Install"
  SetOutPath "$INSTDIR"
  File "${FILES}\quorin-iap-cli.exe"
  File "${FILES}\demo.Pack"
!ifdef WITH_WINDOW
  File "${FILES}\quorin-iap.exe"
!endif
  WriteUninstaller "$INSTDIR\uninstall.exe"

  ; All users' Start menu.
  SetShellVarContext all
  CreateDirectory "${MENU_FOLDER}"
!ifdef WITH_WINDOW
  CreateShortcut "${MENU_FOLDER}\${NAME}.lnk" "$INSTDIR\quorin-iap.exe"
!endif
  ; A console in the install folder that shows the command line's help.
  CreateShortcut "${MENU_FOLDER}\${NAME} command line.lnk" "$SYSDIR\cmd.exe" \
    '/k cd /d "$INSTDIR" && quorin-iap-cli.exe --help' "$SYSDIR\cmd.exe" 0
  CreateShortcut "${MENU_FOLDER}\Uninstall ${NAME}.lnk" "$INSTDIR\uninstall.exe"

!ifdef WITH_WINDOW
  ; Double-click on a .Pack file: the window opens with that pack read.
  WriteRegStr HKCR ".Pack" "" "${PACK_CLASS}"
  WriteRegStr HKCR ".Pack" "Content Type" "application/x-quorin-pack"
  WriteRegStr HKCR "${PACK_CLASS}" "" "Controller firmware update pack"
  WriteRegStr HKCR "${PACK_CLASS}\DefaultIcon" "" "$INSTDIR\quorin-iap.exe,0"
  WriteRegStr HKCR "${PACK_CLASS}\shell\open\command" "" '"$INSTDIR\quorin-iap.exe" "%1"'
  System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'  ; SHCNE_ASSOCCHANGED
!endif

  ; Programs and Features.
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${NAME}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
!ifdef WITH_WINDOW
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\quorin-iap.exe,0"
!endif
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
  Delete "$INSTDIR\quorin-iap-cli.exe"
  Delete "$INSTDIR\quorin-iap.exe"
  Delete "$INSTDIR\demo.Pack"
  Delete "$INSTDIR\uninstall.exe"
  ; Not /r: a settings file the user saved beside the programs stays, and so does its folder.
  RMDir "$INSTDIR"

  SetShellVarContext all
  Delete "${MENU_FOLDER}\${NAME}.lnk"
  Delete "${MENU_FOLDER}\${NAME} command line.lnk"
  Delete "${MENU_FOLDER}\Uninstall ${NAME}.lnk"
  RMDir "${MENU_FOLDER}"

  ; The .Pack type is taken back only while it is still ours.
  ReadRegStr $0 HKCR ".Pack" ""
  ${If} $0 == "${PACK_CLASS}"
    DeleteRegKey HKCR ".Pack"
  ${EndIf}
  DeleteRegKey HKCR "${PACK_CLASS}"
  System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'

  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
