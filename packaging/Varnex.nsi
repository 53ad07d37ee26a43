; The Varnex station installer. packaging/make-package.sh builds it from the staged package:
;   makensis -NOCD -DVERSION=1.0.0.1 "-DVERSION_TEXT=1, 0, 0, 1" -DSTAGE=<folder>
;            -DOUTFILE=<setup.exe> packaging/Varnex.nsi
;
; Silent use (the /D= folder comes last, without quotes):
;   Varnex-<version>-setup.exe /S [/SIMULATOR] [/D=C:\Station\Varnex]
;   Uninstall.exe /S [/PURGE]
; /SIMULATOR also installs the simulated phone and supplies; /PURGE also removes the station's
; configuration, counters, accounts and logs, which an uninstall keeps otherwise.

Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel admin

!include MUI2.nsh
!include FileFunc.nsh
!include LogicLib.nsh
!include Sections.nsh

!define PRODUCT "Varnex"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Varnex"
!define MENU_FOLDER "$SMPROGRAMS\Varnex"

Name "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\Varnex"
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
ShowInstDetails show
BrandingText "${PRODUCT} ${VERSION}"
ShowUninstDetails show

!define MUI_COMPONENTSPAGE_SMALLDESC
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_COMPONENTS
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

VIProductVersion "${VERSION}"
VIFileVersion "${VERSION}"
VIAddVersionKey "ProductName" "${PRODUCT}"
VIAddVersionKey "ProductVersion" "${VERSION_TEXT}"
VIAddVersionKey "FileVersion" "${VERSION_TEXT}"
VIAddVersionKey "FileDescription" "Varnex check station setup"
VIAddVersionKey "CompanyName" "Varnex line tools"
VIAddVersionKey "LegalCopyright" "Copyright (C) 2026 Varnex line tools"

Section "Varnex station" SecStation
  SectionIn RO
  SetOutPath "$INSTDIR"
  File "${STAGE}/Varnex.exe"
  File "${STAGE}/VarnexCli.exe"
  File "${STAGE}/Tollmark.dll"
  File "${STAGE}/TollmarkTool.exe"
  File "${STAGE}/Admit.dll"
  ; A station installed here before keeps its configuration and counters.
  SetOverwrite off
  File "${STAGE}/Varnex.ini"
  File "${STAGE}/Tollmark.ini"
  SetOverwrite on
  ; The voltage log is only written when its folder exists.
  CreateDirectory "$INSTDIR\Log"

  SetOutPath "$INSTDIR\docs"
  File /r "${STAGE}/docs/*.*"

  SetOutPath "$INSTDIR"
  WriteUninstaller "$INSTDIR\Uninstall.exe"

  CreateDirectory "${MENU_FOLDER}"
  CreateShortCut "${MENU_FOLDER}\Varnex.lnk" "$INSTDIR\Varnex.exe"
  CreateShortCut "${MENU_FOLDER}\Operator guide.lnk" "$WINDIR\notepad.exe" \
    '"$INSTDIR\docs\operator.md"'
  CreateShortCut "${MENU_FOLDER}\Guides.lnk" "$INSTDIR\docs"
  CreateShortCut "${MENU_FOLDER}\Uninstall Varnex.lnk" "$INSTDIR\Uninstall.exe"

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT} check station"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "Varnex line tools"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Varnex.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section /o "Simulated phone and supplies" SecSimulator
  SetOutPath "$INSTDIR"
  File "${STAGE}/simulator/Dutlink.dll"
  File "${STAGE}/simulator/Powerbench.dll"
  File "${STAGE}/simulator/DutlinkSim.ini"
  File "${STAGE}/simulator/PowerbenchSim.ini"
  File "/oname=Simulator.txt" "${STAGE}/simulator/README.txt"
  ; Only libraries this installer put here are removed again: the line's real ones stay.
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "Simulator" 1
SectionEnd

!insertmacro MUI_FUNCTION_DESCRIPTION_BEGIN
  !insertmacro MUI_DESCRIPTION_TEXT ${SecStation} \
    "Varnex.exe, VarnexCli.exe, the station record library and tool, the accounts library, the default configuration and the guides."
  !insertmacro MUI_DESCRIPTION_TEXT ${SecSimulator} \
    "Simulated phone (Dutlink.dll) and supplies (Powerbench.dll) for a station without hardware. Leave it out on the line: the real libraries go beside Varnex.exe."
!insertmacro MUI_FUNCTION_DESCRIPTION_END

Function .onInit
  SetShellVarContext all
  ${GetParameters} $R0
  ClearErrors
  ${GetOptions} $R0 "/SIMULATOR" $R1
  ${IfNot} ${Errors}
    !insertmacro SelectSection ${SecSimulator}
  ${EndIf}
FunctionEnd

Var simulator

Section "un.Varnex station" UnSecStation
  SectionIn RO
  Delete "$INSTDIR\Varnex.exe"
  Delete "$INSTDIR\VarnexCli.exe"
  Delete "$INSTDIR\Tollmark.dll"
  Delete "$INSTDIR\TollmarkTool.exe"
  Delete "$INSTDIR\Admit.dll"
  RMDir /r "$INSTDIR\docs"
  ${If} $simulator = 1
    Delete "$INSTDIR\Dutlink.dll"
    Delete "$INSTDIR\Powerbench.dll"
    Delete "$INSTDIR\DutlinkSim.ini"
    Delete "$INSTDIR\PowerbenchSim.ini"
    Delete "$INSTDIR\DutlinkSim.flash"
    Delete "$INSTDIR\Simulator.txt"
  ${EndIf}
  Delete "${MENU_FOLDER}\Varnex.lnk"
  Delete "${MENU_FOLDER}\Operator guide.lnk"
  Delete "${MENU_FOLDER}\Guides.lnk"
  Delete "${MENU_FOLDER}\Uninstall Varnex.lnk"
  RMDir "${MENU_FOLDER}"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd

Section /o "un.Configuration, counters, accounts and logs" UnSecData
  Delete "$INSTDIR\Varnex.ini"
  Delete "$INSTDIR\Tollmark.ini"
  Delete "$INSTDIR\Accounts.ini"
  RMDir /r "$INSTDIR\result"
  RMDir /r "$INSTDIR\Log"
SectionEnd

; Last: the folder goes only when nothing is left in it (kept data, the line's libraries).
Section "-un.Finish"
  Delete "$INSTDIR\Uninstall.exe"
  RMDir "$INSTDIR"
SectionEnd

!insertmacro MUI_UNFUNCTION_DESCRIPTION_BEGIN
  !insertmacro MUI_DESCRIPTION_TEXT ${UnSecStation} \
    "The programs, libraries, guides and Start menu shortcuts."
  !insertmacro MUI_DESCRIPTION_TEXT ${UnSecData} \
    "Also remove Varnex.ini and Tollmark.ini (configuration and counters), Accounts.ini and the result and Log folders. Kept unless chosen."
!insertmacro MUI_UNFUNCTION_DESCRIPTION_END

Function un.onInit
  SetShellVarContext all
  ReadRegDWORD $simulator HKLM "${UNINSTALL_KEY}" "Simulator"
  ${un.GetParameters} $R0
  ClearErrors
  ${un.GetOptions} $R0 "/PURGE" $R1
  ${IfNot} ${Errors}
    !insertmacro SelectSection ${UnSecData}
  ${EndIf}
FunctionEnd
