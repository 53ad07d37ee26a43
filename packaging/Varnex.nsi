; The Varnex station installer. packaging/package-lib.sh (varnex_make_installer) builds it from
; the staged package:
;   makensis -NOCD -DVERSION=1.0.0.1 "-DVERSION_TEXT=1, 0, 0, 1" -DSTAGE=<folder>
;            -DDOCS=<docs.nsh> -DOUTFILE=<setup.exe> packaging/Varnex.nsi
;
; Silent use (the /D= folder comes last, without quotes; default C:\Varnex):
;   Varnex-<version>-setup.exe /S [/SIMULATOR | /GPIB] [/TOOLS] [/REQUIRELOGON] [/D=C:\Station\Varnex]
;   Uninstall.exe /S [/PURGE]
; /SIMULATOR adds the simulated phone and supplies, /GPIB instead the supply library for a bench
; of GPIB supplies (given both, /GPIB counts), /TOOLS the line engineer's tools
; (VarnexCli.exe, TollmarkTool.exe), /REQUIRELOGON the machine policy that makes the station
; ask for the operator log-on whatever Varnex.ini says. An upgrade keeps what the folder has:
; tools and stand-ins that are there are updated, a policy that is set stays set. /PURGE also
; removes the station's configuration, counters, accounts and logs, which an uninstall keeps
; otherwise.
;
; The station folder's rights: administrators and the system full control, users read and run
; everything, and users may change exactly what the station writes (docs/install.md). Both the
; installer and the uninstaller refuse to run while the station runs from the folder, and never
; skip a file they cannot replace or remove: a silent run then ends with a non-zero exit code
; (3 the station runs, 4 the folder's rights could not be set, 5 a file could not be removed,
; 6 the folder cannot hold a station).

Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel admin
; A file that cannot be replaced stops the installation rather than being left old.
AllowSkipFiles off

!include MUI2.nsh
!include FileFunc.nsh
!include LogicLib.nsh
!include Sections.nsh
!include x64.nsh
!include "${DOCS}"

!define PRODUCT "Varnex"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Varnex"
!define POLICY_KEY "SOFTWARE\Varnex"
!define POLICY_VALUE "RequireLogOn"
!define MENU_FOLDER "$SMPROGRAMS\Varnex"
; Administrators, the system, and every user of the PC, by their well-known identities.
!define ADMINISTRATORS "*S-1-5-32-544"
!define SYSTEM "*S-1-5-18"
!define USERS "*S-1-5-32-545"
; The version resources that mark the stand-ins as this product's own.
!define DUTLINK_STAND_IN "Varnex simulated phone library"
!define POWERBENCH_STAND_IN "Varnex simulated power supply library"
!define POWERBENCH_GPIB "Varnex GPIB power supply library"

!define EXIT_RUNNING 3
!define EXIT_RIGHTS 4
!define EXIT_NOT_REMOVED 5
!define EXIT_BAD_FOLDER 6

Name "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
; A folder of its own outside Program Files, which standard users cannot write: the station
; keeps its settings, counters and logs beside the program.
InstallDir "C:\Varnex"
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
ShowInstDetails show
BrandingText "${PRODUCT} ${VERSION}"
ShowUninstDetails show

!define MUI_COMPONENTSPAGE_SMALLDESC
!insertmacro MUI_PAGE_COMPONENTS
!define MUI_PAGE_CUSTOMFUNCTION_LEAVE DirectoryLeave
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

Var rightsFailed
Var notRemoved
Var simulator
Var gpib

; ---- Shared by the installer and the uninstaller ----

; $0 = 1 when a station program runs from $INSTDIR: it holds a mutex named after the folder's
; volume and file number (station/app/StationInstance.cpp forms the same name).
!macro DEFINE_STATION_RUNNING PREFIX
Function ${PREFIX}StationRunning
  Push $1
  Push $2
  Push $3
  Push $4
  Push $5
  Push $6
  StrCpy $0 0
  ; FILE_READ_ATTRIBUTES, every share mode, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS
  System::Call 'kernel32::CreateFileW(w "$INSTDIR", i 0x80, i 7, p 0, i 3, i 0x02000000, p 0) p.r1'
  ${If} $1 != -1
    System::Alloc 52
    Pop $2
    System::Call 'kernel32::GetFileInformationByHandle(p r1, p r2) i.r3'
    System::Call 'kernel32::CloseHandle(p r1)'
    ${If} $3 <> 0
      ; BY_HANDLE_FILE_INFORMATION: the volume serial and the two halves of the file index
      System::Call '*$2(i, i, i, i, i, i, i, i .r4, i, i, i, i .r5, i .r6)'
      IntFmt $4 "%08X" $4
      IntFmt $5 "%08X" $5
      IntFmt $6 "%08X" $6
      ; SYNCHRONIZE; a mutex of another user that this one may not open runs a station too
      System::Call 'kernel32::OpenMutexW(i 0x00100000, i 0, w "Global\Varnex.Station.$4.$5$6") p.r1 ?e'
      Pop $3
      ${If} $1 != 0
        StrCpy $0 1
        System::Call 'kernel32::CloseHandle(p r1)'
      ${ElseIf} $3 = 5
        StrCpy $0 1
      ${EndIf}
    ${EndIf}
    System::Free $2
  ${EndIf}
  Pop $6
  Pop $5
  Pop $4
  Pop $3
  Pop $2
  Pop $1
FunctionEnd

Function ${PREFIX}RefuseWhileRunning
  Call ${PREFIX}StationRunning
  ${If} $0 = 1
    MessageBox MB_OK|MB_ICONSTOP "Varnex is running from $INSTDIR.$\r$\n$\r$\nClose the station first, then run this again." /SD IDOK
    SetErrorLevel ${EXIT_RUNNING}
    Quit
  ${EndIf}
FunctionEnd

; $R1 = the FileDescription of the version resource of the file $R0; empty when it has none.
Function ${PREFIX}FileDescription
  Push $1
  Push $2
  Push $3
  Push $4
  StrCpy $R1 ""
  System::Call 'version::GetFileVersionInfoSizeW(w R0, p 0) i.r1'
  ${If} $1 > 0
    System::Alloc $1
    Pop $2
    System::Call 'version::GetFileVersionInfoW(w R0, i 0, i r1, p r2) i.r3'
    ${If} $3 <> 0
      System::Call 'version::VerQueryValueW(p r2, w "\StringFileInfo\040904b0\FileDescription", *p .r4, *i .r3) i.r1'
      ${If} $1 <> 0
        System::Call '*$4(&w${NSIS_MAX_STRLEN} .R1)'
      ${EndIf}
    ${EndIf}
    System::Free $2
  ${EndIf}
  Pop $4
  Pop $3
  Pop $2
  Pop $1
FunctionEnd
!macroend
!insertmacro DEFINE_STATION_RUNNING ""
!insertmacro DEFINE_STATION_RUNNING "un."

; A folder that holds other things of Windows or of everybody would be given the station's
; rights: the root of a drive, the Windows folder, the program folders themselves, a profile.
Function FolderProblem  ; $0 = why $INSTDIR cannot be the station folder, empty when it can
  Push $1
  StrCpy $0 ""
  StrLen $1 "$INSTDIR"
  ${If} $1 <= 3
    StrCpy $0 "the root of a drive"
  ${EndIf}
  Push $2
  StrLen $1 "$WINDIR"
  StrCpy $2 "$INSTDIR" 1 $1
  StrCpy $1 "$INSTDIR" $1
  ${If} $1 == "$WINDIR"
    ${If} $2 == ""
    ${OrIf} $2 == "\"
      StrCpy $0 "the Windows folder or a folder in it"
    ${EndIf}
  ${EndIf}
  Pop $2
  ${If} "$INSTDIR" == "$PROGRAMFILES"
  ${OrIf} "$INSTDIR" == "$PROGRAMFILES64"
  ${OrIf} "$INSTDIR" == "$PROFILE"
  ${OrIf} "$INSTDIR" == "$APPDATA"
    StrCpy $0 "a folder Windows shares with other programs"
  ${EndIf}
  Pop $1
FunctionEnd

Function CheckFolder
  Call FolderProblem
  ${If} $0 != ""
    MessageBox MB_OK|MB_ICONSTOP "$INSTDIR is $0. The station needs a folder of its own, such as C:\Varnex." /SD IDOK
    SetErrorLevel ${EXIT_BAD_FOLDER}
    Quit
  ${EndIf}
FunctionEnd

Function DirectoryLeave
  Call FolderProblem
  ${If} $0 != ""
    MessageBox MB_OK|MB_ICONEXCLAMATION "$INSTDIR is $0. Choose a folder of its own, such as C:\Varnex."
    Abort
  ${EndIf}
  Call RefuseWhileRunning
FunctionEnd

; icacls from the system folder, never one found on the path; a failure is remembered and
; reported at the end.
!macro Rights ARGUMENTS
  nsExec::ExecToLog '"$SYSDIR\icacls.exe" ${ARGUMENTS}'
  Pop $R9
  ${If} $R9 != 0
    StrCpy $rightsFailed `$rightsFailed$\r$\n  icacls ${ARGUMENTS} ($R9)`
  ${EndIf}
!macroend

; A file this installer or the station may have to write, made empty when it is not there, so
; that it can be given to the users (they may not create files in the folder).
!macro EnsureFile PATH
  ${IfNot} ${FileExists} "${PATH}"
    ClearErrors
    FileOpen $R8 "${PATH}" a
    ${IfNot} ${Errors}
      FileClose $R8
    ${EndIf}
  ${EndIf}
!macroend

; ---- Installer ----

Section "Varnex station" SecStation
  SectionIn RO
  Call CheckFolder
  Call RefuseWhileRunning
  SetOutPath "$INSTDIR"
  File "${STAGE}/Varnex.exe"
  File "${STAGE}/Tollmark.dll"
  File "${STAGE}/Admit.dll"
  ; A station installed here before keeps its configuration and counters.
  SetOverwrite off
  File "${STAGE}/Varnex.ini"
  File "${STAGE}/Tollmark.ini"
  SetOverwrite on
  ; The folders the station writes into: test logs, the voltage log (only written when its
  ; folder exists), the run records.
  CreateDirectory "$INSTDIR\result"
  CreateDirectory "$INSTDIR\Log"
  CreateDirectory "$INSTDIR\results"
  ; The accounts file's journal (Admit.dll): written before every change of Accounts.ini.
  !insertmacro EnsureFile "$INSTDIR\Accounts.ini.new"

  !insertmacro InstallDocs

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

Section /o "Line engineer's tools" SecTools
  SetOutPath "$INSTDIR"
  File "${STAGE}/VarnexCli.exe"
  File "${STAGE}/TollmarkTool.exe"
SectionEnd

Section /o "Simulated phone and supplies" SecSimulator
  SetOutPath "$INSTDIR"
  File "${STAGE}/simulator/Dutlink.dll"
  File "${STAGE}/simulator/Powerbench.dll"
  File "${STAGE}/simulator/DutlinkSim.ini"
  File "${STAGE}/simulator/PowerbenchSim.ini"
  File "/oname=Simulator.txt" "${STAGE}/simulator/README.txt"
  ; The simulated phone's memory, written by the station's users.
  !insertmacro EnsureFile "$INSTDIR\DutlinkSim.flash"
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "Simulator" 1
  Delete "$INSTDIR\GpibSupplies.txt"
  DeleteRegValue HKLM "${UNINSTALL_KEY}" "Gpib"
SectionEnd

; The other choice of supplies: the real ones on a GPIB card, beside the line's own Dutlink.dll.
Section /o "GPIB supplies" SecGpib
  SetOutPath "$INSTDIR"
  File "${STAGE}/gpib/Powerbench.dll"
  File "/oname=GpibSupplies.txt" "${STAGE}/gpib/README.txt"
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "Gpib" 1
  ; A simulated phone left from a trial must not meet real supplies.
  StrCpy $R0 "$INSTDIR\Dutlink.dll"
  Call FileDescription
  ${If} $R1 == "${DUTLINK_STAND_IN}"
    Delete "$INSTDIR\Dutlink.dll"
  ${EndIf}
  Delete "$INSTDIR\DutlinkSim.ini"
  Delete "$INSTDIR\PowerbenchSim.ini"
  Delete "$INSTDIR\DutlinkSim.flash"
  Delete "$INSTDIR\Simulator.txt"
  DeleteRegValue HKLM "${UNINSTALL_KEY}" "Simulator"
SectionEnd

Section /o "Require operator log-on" SecLogOnPolicy
  WriteRegDWORD HKLM "${POLICY_KEY}" "${POLICY_VALUE}" 1
SectionEnd

; Last: the rights of everything above.
Section "-Rights"
  ${IfNot} ${SectionIsSelected} ${SecLogOnPolicy}
    DeleteRegValue HKLM "${POLICY_KEY}" "${POLICY_VALUE}"
    DeleteRegKey /ifempty HKLM "${POLICY_KEY}"
  ${EndIf}

  DetailPrint "Setting the rights of $INSTDIR"
  StrCpy $rightsFailed ""
  ; Only these rights on the folder, none inherited from above it (a drive's root lets users
  ; change what they create there), and only inherited rights on what lies in it.
  !insertmacro Rights '"$INSTDIR" /inheritance:r /grant:r ${ADMINISTRATORS}:(OI)(CI)F ${SYSTEM}:(OI)(CI)F ${USERS}:(OI)(CI)RX'
  !insertmacro Rights '"$INSTDIR\*" /reset'
  ; What the station writes.
  !insertmacro Rights '"$INSTDIR\Varnex.ini" /grant:r ${USERS}:M'
  ${If} ${FileExists} "$INSTDIR\Accounts.ini"
    !insertmacro Rights '"$INSTDIR\Accounts.ini" /grant:r ${USERS}:M'
  ${EndIf}
  !insertmacro Rights '"$INSTDIR\Accounts.ini.new" /grant:r ${USERS}:M'
  !insertmacro Rights '"$INSTDIR\result" /grant:r ${USERS}:(OI)(CI)M'
  !insertmacro Rights '"$INSTDIR\Log" /grant:r ${USERS}:(OI)(CI)M'
  !insertmacro Rights '"$INSTDIR\results" /grant:r ${USERS}:(OI)(CI)M'
  ${If} ${FileExists} "$INSTDIR\DutlinkSim.flash"
    !insertmacro Rights '"$INSTDIR\DutlinkSim.flash" /grant:r ${USERS}:M'
  ${EndIf}
  ${If} $rightsFailed != ""
    MessageBox MB_OK|MB_ICONSTOP "The rights of $INSTDIR could not be set:$rightsFailed$\r$\n$\r$\nOperators may not be able to save counters and logs, or may change the station's programs. Set the rights as docs\install.md describes." /SD IDOK
    SetErrorLevel ${EXIT_RIGHTS}
  ${EndIf}
SectionEnd

!insertmacro MUI_FUNCTION_DESCRIPTION_BEGIN
  !insertmacro MUI_DESCRIPTION_TEXT ${SecStation} \
    "Varnex.exe, the station record library, the accounts library, the default configuration and the guides."
  !insertmacro MUI_DESCRIPTION_TEXT ${SecTools} \
    "VarnexCli.exe and TollmarkTool.exe for line engineers. They run checks and change station records without the operator log-on: leave them out on a production station."
  !insertmacro MUI_DESCRIPTION_TEXT ${SecSimulator} \
    "Simulated phone (Dutlink.dll) and supplies (Powerbench.dll) for a station without hardware. Leave it out on the line: the real libraries go beside Varnex.exe."
  !insertmacro MUI_DESCRIPTION_TEXT ${SecGpib} \
    "Powerbench.dll for the supplies of the port dialog on a GPIB card (NI-488.2 or VISA installed). The line's own Dutlink.dll goes beside Varnex.exe. Instead of the simulated phone and supplies."
  !insertmacro MUI_DESCRIPTION_TEXT ${SecLogOnPolicy} \
    "The station always asks for the operator log-on, whatever its configuration says; without accounts only an administrator may create the first one."
!insertmacro MUI_FUNCTION_DESCRIPTION_END

Function .onInit
  SetShellVarContext all
  SetRegView 64
  ${GetParameters} $R0
  ClearErrors
  ${GetOptions} $R0 "/SIMULATOR" $R1
  ${IfNot} ${Errors}
    !insertmacro SelectSection ${SecSimulator}
  ${EndIf}
  ClearErrors
  ${GetOptions} $R0 "/GPIB" $R1
  ${IfNot} ${Errors}
    !insertmacro UnselectSection ${SecSimulator}
    !insertmacro SelectSection ${SecGpib}
  ${EndIf}
  ClearErrors
  ${GetOptions} $R0 "/TOOLS" $R1
  ${IfNot} ${Errors}
    !insertmacro SelectSection ${SecTools}
  ${EndIf}
  ClearErrors
  ${GetOptions} $R0 "/REQUIRELOGON" $R1
  ${IfNot} ${Errors}
    !insertmacro SelectSection ${SecLogOnPolicy}
  ${EndIf}
  ; An upgrade keeps the station as it is: its tools and stand-ins updated, its policy kept.
  ${If} ${FileExists} "$INSTDIR\VarnexCli.exe"
    !insertmacro SelectSection ${SecTools}
  ${EndIf}
  ; Its supplies too, unless /SIMULATOR or /GPIB chooses them.
  ${IfNot} ${SectionIsSelected} ${SecSimulator}
  ${AndIfNot} ${SectionIsSelected} ${SecGpib}
    StrCpy $R0 "$INSTDIR\Dutlink.dll"
    Call FileDescription
    ${If} $R1 == "${DUTLINK_STAND_IN}"
      !insertmacro SelectSection ${SecSimulator}
    ${EndIf}
    StrCpy $R0 "$INSTDIR\Powerbench.dll"
    Call FileDescription
    ${If} $R1 == "${POWERBENCH_GPIB}"
      !insertmacro SelectSection ${SecGpib}
    ${EndIf}
  ${EndIf}
  ClearErrors
  ReadRegDWORD $R1 HKLM "${POLICY_KEY}" "${POLICY_VALUE}"
  ${IfNot} ${Errors}
  ${AndIf} $R1 <> 0
    !insertmacro SelectSection ${SecLogOnPolicy}
  ${EndIf}
  ${If} ${Silent}
    Call CheckFolder
    Call RefuseWhileRunning
  ${EndIf}
FunctionEnd

; The simulated and the GPIB supplies exclude each other: choosing one clears the other.
Function .onSelChange
  ${If} $0 == ${SecGpib}
  ${AndIf} ${SectionIsSelected} ${SecGpib}
    !insertmacro UnselectSection ${SecSimulator}
  ${ElseIf} $0 == ${SecSimulator}
  ${AndIf} ${SectionIsSelected} ${SecSimulator}
    !insertmacro UnselectSection ${SecGpib}
  ${EndIf}
FunctionEnd

; ---- Uninstaller ----

; Removes a file by name; one that cannot be removed (in use) is remembered and reported.
!macro RemoveFile PATH
  ${If} ${FileExists} "${PATH}"
    ClearErrors
    Delete "${PATH}"
    ${If} ${Errors}
      StrCpy $notRemoved "$notRemoved$\r$\n  ${PATH}"
    ${EndIf}
  ${EndIf}
!macroend

; A stand-in is removed only while its version resource still names it as this product's:
; the line's own library in its place stays.
!macro RemoveStandIn PATH DESCRIPTION
  StrCpy $R0 "${PATH}"
  Call un.FileDescription
  ${If} $R1 == "${DESCRIPTION}"
    !insertmacro RemoveFile "${PATH}"
  ${EndIf}
!macroend

Section "un.Varnex station" UnSecStation
  SectionIn RO
  StrCpy $notRemoved ""
  !insertmacro RemoveFile "$INSTDIR\Varnex.exe"
  !insertmacro RemoveFile "$INSTDIR\VarnexCli.exe"
  !insertmacro RemoveFile "$INSTDIR\Tollmark.dll"
  !insertmacro RemoveFile "$INSTDIR\TollmarkTool.exe"
  !insertmacro RemoveFile "$INSTDIR\Admit.dll"
  !insertmacro RemoveDocs
  !insertmacro RemoveStandIn "$INSTDIR\Dutlink.dll" "${DUTLINK_STAND_IN}"
  !insertmacro RemoveStandIn "$INSTDIR\Powerbench.dll" "${POWERBENCH_STAND_IN}"
  !insertmacro RemoveStandIn "$INSTDIR\Powerbench.dll" "${POWERBENCH_GPIB}"
  ${If} $gpib = 1
    !insertmacro RemoveFile "$INSTDIR\GpibSupplies.txt"
  ${EndIf}
  ${If} $simulator = 1
    !insertmacro RemoveFile "$INSTDIR\DutlinkSim.ini"
    !insertmacro RemoveFile "$INSTDIR\PowerbenchSim.ini"
    !insertmacro RemoveFile "$INSTDIR\DutlinkSim.flash"
    !insertmacro RemoveFile "$INSTDIR\Simulator.txt"
  ${EndIf}
  Delete "${MENU_FOLDER}\Varnex.lnk"
  Delete "${MENU_FOLDER}\Operator guide.lnk"
  Delete "${MENU_FOLDER}\Guides.lnk"
  Delete "${MENU_FOLDER}\Uninstall Varnex.lnk"
  RMDir "${MENU_FOLDER}"
  DeleteRegValue HKLM "${POLICY_KEY}" "${POLICY_VALUE}"
  DeleteRegKey /ifempty HKLM "${POLICY_KEY}"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd

Section /o "un.Configuration, counters, accounts and logs" UnSecData
  !insertmacro RemoveFile "$INSTDIR\Varnex.ini"
  !insertmacro RemoveFile "$INSTDIR\Tollmark.ini"
  !insertmacro RemoveFile "$INSTDIR\VarnexLine.ini"
  !insertmacro RemoveFile "$INSTDIR\Accounts.ini"
  !insertmacro RemoveFile "$INSTDIR\Accounts.ini.new"
  ; The station's own folders, with everything the station wrote into them.
  RMDir /r "$INSTDIR\result"
  RMDir /r "$INSTDIR\Log"
  RMDir /r "$INSTDIR\results"
SectionEnd

; Last: the folder goes only when nothing is left in it (kept data, the line's libraries).
Section "-un.Finish"
  ${If} $notRemoved != ""
    MessageBox MB_OK|MB_ICONSTOP "These files are in use and were not removed:$notRemoved$\r$\n$\r$\nClose the programs that use them and run the uninstaller again." /SD IDOK
    SetErrorLevel ${EXIT_NOT_REMOVED}
  ${Else}
    Delete "$INSTDIR\Uninstall.exe"
    RMDir "$INSTDIR"
  ${EndIf}
SectionEnd

!insertmacro MUI_UNFUNCTION_DESCRIPTION_BEGIN
  !insertmacro MUI_DESCRIPTION_TEXT ${UnSecStation} \
    "The programs, libraries, guides, Start menu shortcuts and the log-on policy."
  !insertmacro MUI_DESCRIPTION_TEXT ${UnSecData} \
    "Also remove Varnex.ini, Tollmark.ini and VarnexLine.ini (configuration and counters), Accounts.ini and the result, Log and results folders. Kept unless chosen."
!insertmacro MUI_UNFUNCTION_DESCRIPTION_END

Function un.onInit
  SetShellVarContext all
  SetRegView 64
  Call un.RefuseWhileRunning
  ReadRegDWORD $simulator HKLM "${UNINSTALL_KEY}" "Simulator"
  ReadRegDWORD $gpib HKLM "${UNINSTALL_KEY}" "Gpib"
  ${un.GetParameters} $R0
  ClearErrors
  ${un.GetOptions} $R0 "/PURGE" $R1
  ${IfNot} ${Errors}
    !insertmacro SelectSection ${UnSecData}
  ${EndIf}
FunctionEnd
