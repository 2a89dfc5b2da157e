; The setup program of the LDX7320 panel for Windows: installs for the current user alone,
; without administrator rights, what the portable zip holds, into
; %LOCALAPPDATA%\Programs\LDX7320, with two Start-menu shortcuts and an entry in
; Apps & features; its uninstaller removes exactly what it installed.
;
; Made by scripts/make-windows-setup.sh, which passes with -D:
;   VERSION    the project's version, four numbers (1.2.3.4)
;   FILE_LIST  an .nsh file defining LDX_INSTALL_FILES and LDX_REMOVE_FILES, the zip's
;              files, and LDX_FILES_KB, their size
;   ICON       the programs' .ico
;   OUT_FILE   the setup program to write
; Silent with /S; /D=FOLDER (last on the command line) installs elsewhere.

Unicode true
Target amd64-unicode      ; 64-bit, as the programs are
RequestExecutionLevel user
ManifestDPIAware true
SetCompressor /SOLID lzma

!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh
!include "${FILE_LIST}"

!define PRODUCT "LDX7320"
!define PUBLISHER "Lumadex"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\LDX7320"
!define SHORTCUT "$SMPROGRAMS\LDX7320.lnk"
!define SIMULATED_SHORTCUT "$SMPROGRAMS\LDX7320 (simulated board).lnk"

Name "${PRODUCT}"
OutFile "${OUT_FILE}"
; Per user: the folder Windows itself uses for programs installed without administrator
; rights. An earlier installation is updated where it is.
InstallDir "$LOCALAPPDATA\Programs\LDX7320"
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "${PRODUCT} ${VERSION}"

VIProductVersion "${VERSION}"
VIFileVersion "${VERSION}"
VIAddVersionKey /LANG=1033 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "FileDescription" "${PRODUCT} setup"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=1033 "LegalCopyright" "Copyright 2026 the LDX7320 panel developers"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
!define MUI_WELCOMEPAGE_TEXT "This installs the LDX7320 panel ${VERSION} for you alone: no administrator rights are needed.$\r$\n$\r$\nThe Start menu gets two shortcuts: $\"LDX7320$\", which looks for the board on the serial ports, and $\"LDX7320 (simulated board)$\", which runs without hardware.$\r$\n$\r$\nClick Next to continue."
!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
; Nothing is started unless asked for: without a board the panel only reports that it
; found none.
!define MUI_FINISHPAGE_RUN "$INSTDIR\ldx7320.exe"
!define MUI_FINISHPAGE_RUN_TEXT "Start LDX7320"
!define MUI_FINISHPAGE_RUN_NOTCHECKED
!define MUI_FINISHPAGE_SHOWREADME "$INSTDIR\README.txt"
!define MUI_FINISHPAGE_SHOWREADME_TEXT "Show README.txt"
!define MUI_FINISHPAGE_SHOWREADME_NOTCHECKED
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "English"

Function .onInit
  SetShellVarContext current
FunctionEnd

Function un.onInit
  SetShellVarContext current
FunctionEnd

Section "LDX7320" SectionProgram
  SectionIn RO
  !insertmacro LDX_INSTALL_FILES
  WriteUninstaller "$INSTDIR\uninstall.exe"

  ; The shortcuts start in the program's folder (the output path when they are made).
  SetOutPath "$INSTDIR"
  CreateShortcut "${SHORTCUT}" "$INSTDIR\ldx7320.exe" "" "$INSTDIR\ldx7320.exe" 0 \
    SW_SHOWNORMAL "" "Control panel for the LDX7320 LED driver board"
  CreateShortcut "${SIMULATED_SHORTCUT}" "$INSTDIR\ldx7320.exe" "--simulate" "$INSTDIR\ldx7320.exe" 0 \
    SW_SHOWNORMAL "" "The LDX7320 panel on a built-in simulated board, without hardware"

  ; Apps & features.
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\ldx7320.exe,0"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
  ; The zip's files and the uninstaller, not whatever else the folder may hold.
  ${GetSize} "$INSTDIR" "/M=uninstall.exe /S=0K /G=0" $0 $1 $2
  IntOp $0 $0 + ${LDX_FILES_KB}
  IntOp $0 $0 + 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

Section "Uninstall"
  ; A program still running cannot be deleted; stop before removing anything, rather
  ; than leave half an installation.
  retry:
  ClearErrors
  Delete "$INSTDIR\ldx7320.exe"
  Delete "$INSTDIR\ldx7320-cli.exe"
  Delete "$INSTDIR\ldx7320-scpi.exe"
  ${If} ${Errors}
    MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION \
      "LDX7320 is still running. Close the panel, ldx7320-cli and ldx7320-scpi, then click Retry." \
      /SD IDCANCEL IDRETRY retry
    Abort "LDX7320 is still running: nothing was removed."
  ${EndIf}

  ; File by file: the folder may hold files of the user's, which stay, and with them the
  ; folder.
  !insertmacro LDX_REMOVE_FILES
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  Delete "${SHORTCUT}"
  Delete "${SIMULATED_SHORTCUT}"
  ; Last, so that the entry in Apps & features stays while anything else is left.
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
SectionEnd
