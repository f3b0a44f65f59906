; Setup program of Ostrel. Built by the CMake target ostrel_setup:
;   makensis /DSTAGE=<staging folder> /DVERSION=<x.y.z> /DOUTFILE=<setup.exe> /DICON=<icon> Ostrel.nsi
; STAGE is laid out by stage.cmake, which also writes the file lists included below.
; Run with /S for a silent installation and /D=<folder> (last, unquoted) for another installation
; folder; the uninstaller takes /S as well. Exit codes: 0 done, 1 cancelled, 2 the settings service
; could not be registered (docs/administrators.md).

Unicode true
Target amd64-unicode
RequestExecutionLevel admin
SetCompressor /SOLID lzma
ManifestDPIAware true

!ifndef STAGE | VERSION | OUTFILE | ICON
  !error "makensis needs /DSTAGE, /DVERSION, /DOUTFILE and /DICON"
!endif

!define PRODUCT "Ostrel"
!define COMPANY "Quor Corporation"
; The registry location the program, its plug-ins and the Control Panel module's strings 112/117 name.
!define PRODUCT_KEY "SOFTWARE\Quor Corporation\Ostrel"
!define SHARED_DLLS_KEY "SOFTWARE\Quor Corporation\Shared Info\Shared Dlls"
!define QORUTILS_KEY "SOFTWARE\Quor Corporation\Shared Info\QorUtils"
!define UNINSTALL_KEY "SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\Ostrel"
; The Control Panel entry, a shell command object. This GUID names the entry and nothing else.
!define PANEL_CLSID "{5E0C6B2A-8F41-4D7E-9C3B-2A61D4F0B7E9}"
!define PANEL_NAMESPACE_KEY "SOFTWARE\Microsoft\Windows\CurrentVersion\Explorer\ControlPanel\NameSpace\${PANEL_CLSID}"
!define PANEL_CLASS_KEY "SOFTWARE\Classes\CLSID\${PANEL_CLSID}"

!include "MUI2.nsh"
!include "LogicLib.nsh"
!include "${STAGE}\files.nsh"
!include "sample_apps.nsh"

Name "${PRODUCT}"
OutFile "${OUTFILE}"
; The program finds itself, its version file and its shortcuts' targets under this folder, so it is
; not offered for change.
InstallDir "$PROGRAMFILES64\Quor\Ostrel"
BrandingText "${COMPANY}"
ShowInstDetails show
ShowUninstDetails show

VIProductVersion "${VERSION}.0"
VIAddVersionKey "ProductName" "${PRODUCT}"
VIAddVersionKey "CompanyName" "${COMPANY}"
VIAddVersionKey "FileDescription" "${PRODUCT} Setup"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "LegalCopyright" "${COMPANY}"

; "%ALLUSERSPROFILE%\Quor Corporation\Ostrel", exactly as the settings service expands it.
Var DATADIR
Var DATAPARENT

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
; Drawn from the product icon by art/make_wizard_art.sh.
!define MUI_WELCOMEFINISHPAGE_BITMAP "${__FILEDIR__}\art\wizard.bmp"
!define MUI_UNWELCOMEFINISHPAGE_BITMAP "${__FILEDIR__}\art\wizard.bmp"
!define MUI_HEADERIMAGE
!define MUI_HEADERIMAGE_RIGHT
!define MUI_HEADERIMAGE_BITMAP "${__FILEDIR__}\art\header.bmp"
!define MUI_WELCOMEPAGE_TEXT "Setup will install ${PRODUCT}, the settings centre of your computer: its settings window, its status window, the sample settings pages and its Control Panel entry.$\r$\n$\r$\nSettings you have changed are kept when you install over an earlier version.$\r$\n$\r$\nClick Install to continue."
!define MUI_FINISHPAGE_RUN "$INSTDIR\Ostrel.exe"
!define MUI_FINISHPAGE_RUN_TEXT "Open the ${PRODUCT} settings window"
!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

; $0 = the data of HKLM "Shared Dlls" "QorUtils.dll" and $1 = 1 when that value exists at all: a
; value of another type counts as a registered library too, since it is not ours to replace.
!macro FindRegisteredUtilities
  StrCpy $1 0
  StrCpy $2 0
  ${Do}
    ClearErrors
    EnumRegValue $3 HKLM "${SHARED_DLLS_KEY}" $2
    ${If} ${Errors}
    ${OrIf} $3 == ""
      ${Break}
    ${EndIf}
    ${If} $3 == "QorUtils.dll"
      StrCpy $1 1
      ${Break}
    ${EndIf}
    IntOp $2 $2 + 1
  ${Loop}
  ReadRegStr $0 HKLM "${SHARED_DLLS_KEY}" "QorUtils.dll"
!macroend

; The service reads the laptop model through the library registered here. A maker's laptop has its
; own; pointing the value at the stand-in would hide the real model and break the maker's tools, so
; the stand-in goes in only where nothing is registered, or where the registration is already ours
; (an earlier installation into this folder).
!macro InstallStandInUtilities
  !insertmacro FindRegisteredUtilities
  ${If} $1 == 0
  ${OrIf} $0 == "$INSTDIR\QorUtils.dll"
    SetOutPath "$INSTDIR"
    File "${STAGE}\standin\QorUtils.dll"
    WriteRegStr HKLM "${SHARED_DLLS_KEY}" "QorUtils.dll" "$INSTDIR\QorUtils.dll"
    ; The stand-in reports this laptop model; a model chosen before is kept, and only a value setup
    ; made is removed again.
    ClearErrors
    ReadRegDWORD $0 HKLM "${QORUTILS_KEY}" "MachineID"
    ${If} ${Errors}
      WriteRegDWORD HKLM "${QORUTILS_KEY}" "MachineID" 0
      WriteRegDWORD HKLM "${PRODUCT_KEY}" "StandInMachineID" 1
    ${EndIf}
  ${Else}
    DetailPrint "Keeping the utility library registered at $0"
  ${EndIf}
!macroend

; Undoes exactly what InstallStandInUtilities did: a registration that names another library stays.
!macro UninstallStandInUtilities
  !insertmacro FindRegisteredUtilities
  ${If} $1 == 1
  ${AndIf} $0 == "$INSTDIR\QorUtils.dll"
    DeleteRegValue HKLM "${SHARED_DLLS_KEY}" "QorUtils.dll"
  ${EndIf}
  ClearErrors
  ReadRegDWORD $0 HKLM "${PRODUCT_KEY}" "StandInMachineID"
  ${IfNot} ${Errors}
    DeleteRegValue HKLM "${QORUTILS_KEY}" "MachineID"
    DeleteRegValue HKLM "${PRODUCT_KEY}" "StandInMachineID"
    DeleteRegKey /ifempty HKLM "${QORUTILS_KEY}"
  ${EndIf}
  Delete "$INSTDIR\QorUtils.dll"
  DeleteRegKey /ifempty HKLM "${SHARED_DLLS_KEY}"
!macroend

!macro FindDataFolder
  ReadEnvStr $DATADIR ALLUSERSPROFILE
  ${If} $DATADIR == ""
    SetShellVarContext all
    StrCpy $DATADIR $APPDATA
  ${EndIf}
  StrCpy $DATAPARENT "$DATADIR\Quor Corporation"
  StrCpy $DATADIR "$DATAPARENT\Ostrel"
!macroend

; Waits up to 15 s until a program file can be opened for writing, that is until no process runs it.
!macro WaitUntilNotInUse FILE
  ${If} ${FileExists} "${FILE}"
    StrCpy $R1 0
    ${Do}
      ClearErrors
      FileOpen $R0 "${FILE}" a
      ${IfNot} ${Errors}
        FileClose $R0
        ${Break}
      ${EndIf}
      IntOp $R1 $R1 + 1
      ${If} $R1 >= 150
        DetailPrint "${FILE} is still in use"
        ${Break}
      ${EndIf}
      Sleep 100
    ${Loop}
  ${EndIf}
!macroend

; Asks every running instance, in every session, to close, and waits until neither the program nor
; the settings service's host (which ends a moment after its last client) still runs, so that no
; program file is in use when it is replaced or removed.
!macro HaltRunningInstances
  ${If} ${FileExists} "$INSTDIR\Ostrel.exe"
    DetailPrint "Closing running instances of ${PRODUCT}"
    ExecWait '"$INSTDIR\Ostrel.exe" /haltAll'
  ${EndIf}
  !insertmacro WaitUntilNotInUse "$INSTDIR\Ostrel.exe"
  !insertmacro WaitUntilNotInUse "$INSTDIR\SettoryHost.exe"
!macroend

Function .onInit
  SetRegView 64
  !insertmacro FindDataFolder
FunctionEnd

Function un.onInit
  SetRegView 64
  !insertmacro FindDataFolder
FunctionEnd

Section "Ostrel" SecMain
  SectionIn RO
  !insertmacro HaltRunningInstances

  ; Program files. Current settings are never among them: installing over an earlier installation
  ; leaves every user's changed settings as they are.
  !insertmacro OstrelInstallProgramFiles
  FileOpen $0 "$INSTDIR\Version.txt" w
  FileWrite $0 "Product=${PRODUCT}$\r$\nVersion=${VERSION}$\r$\n"
  FileClose $0

  ; Default settings, schema files, model configuration and registration files for all users.
  !insertmacro OstrelInstallDataFiles

  WriteRegStr HKLM "${PRODUCT_KEY}" "InstalledPath" "$INSTDIR"
  !insertmacro OstrelRegisterPlugins
  !insertmacro OstrelRegisterSampleApps
!ifdef OSTREL_HAS_QORUTILS
  !insertmacro InstallStandInUtilities
!endif
  ; The sample keyboard's stand-in backlight starts on, unless someone has set it already.
  ClearErrors
  ReadRegDWORD $0 HKCU "Software\Quor Corporation\Ostrel\SampleHardware\Keyboard" "Backlight"
  IfErrors 0 +2
    WriteRegDWORD HKCU "Software\Quor Corporation\Ostrel\SampleHardware\Keyboard" "Backlight" 1

  ; The settings service: type library, proxy and classes; its local-server classes point at
  ; SettoryHost.exe beside the DLL.
  DetailPrint "Registering the settings service"
  ExecWait '"$SYSDIR\regsvr32.exe" /s "$INSTDIR\Settory.dll"' $0
  ${If} $0 != 0
    ; A silent installation reports it through its exit code.
    SetErrorLevel 2
    DetailPrint "Registering Settory.dll failed ($0)"
    MessageBox MB_ICONEXCLAMATION|MB_OK "The settings service could not be registered ($0)." /SD IDOK
  ${EndIf}

  ; The Control Panel entry: name, tool tip and icon come from the module's resources.
  WriteRegStr HKLM "${PANEL_NAMESPACE_KEY}" "" "${PRODUCT}"
  WriteRegStr HKLM "${PANEL_CLASS_KEY}" "" "${PRODUCT}"
  WriteRegExpandStr HKLM "${PANEL_CLASS_KEY}" "LocalizedString" "@$INSTDIR\OstrelPanel.dll,-200"
  WriteRegExpandStr HKLM "${PANEL_CLASS_KEY}" "InfoTip" "@$INSTDIR\OstrelPanel.dll,-300"
  WriteRegStr HKLM "${PANEL_CLASS_KEY}" "System.ApplicationName" "Quor.Ostrel"
  ; 5: "System and Security".
  WriteRegStr HKLM "${PANEL_CLASS_KEY}" "System.ControlPanel.Category" "5"
  WriteRegExpandStr HKLM "${PANEL_CLASS_KEY}\DefaultIcon" "" "$INSTDIR\OstrelPanel.dll,-101"
  WriteRegExpandStr HKLM "${PANEL_CLASS_KEY}\Shell\Open\Command" "" '"$INSTDIR\Ostrel.exe"'
  WriteRegDWORD HKLM "${PANEL_CLASS_KEY}\ShellFolder" "Attributes" 0

  ; The program makes its own Start-menu shortcuts (their names and icons are its resources).
  DetailPrint "Creating the Start-menu shortcuts"
  ExecWait '"$INSTDIR\Ostrel.exe" /Install'

  WriteUninstaller "$INSTDIR\Uninstall.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${COMPANY}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\OstrelPanel.dll,0"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
  !insertmacro HaltRunningInstances
  ${If} ${FileExists} "$INSTDIR\Ostrel.exe"
    ExecWait '"$INSTDIR\Ostrel.exe" /UnInstall'
  ${EndIf}
  !insertmacro WaitUntilNotInUse "$INSTDIR\SettoryHost.exe"
  ExecWait '"$SYSDIR\regsvr32.exe" /u /s "$INSTDIR\Settory.dll"'

  DeleteRegKey HKLM "${PANEL_NAMESPACE_KEY}"
  DeleteRegKey HKLM "${PANEL_CLASS_KEY}"

  ; Only what setup wrote: entries that other programs added under the product key stay.
  !insertmacro OstrelUnregisterSampleApps
  !insertmacro OstrelUnregisterPlugins
  DeleteRegKey /ifempty HKLM "${PRODUCT_KEY}\Plugins"
  !insertmacro UninstallStandInUtilities
  DeleteRegValue HKLM "${PRODUCT_KEY}" "InstalledPath"
  DeleteRegKey /ifempty HKLM "${PRODUCT_KEY}"
  DeleteRegKey /ifempty HKLM "SOFTWARE\Quor Corporation\Shared Info"
  DeleteRegKey /ifempty HKLM "SOFTWARE\Quor Corporation"

  !insertmacro OstrelRemoveProgramFiles
  Delete "$INSTDIR\Version.txt"
  Delete "$INSTDIR\Uninstall.exe"
  RMDir "$INSTDIR"
  RMDir "$PROGRAMFILES64\Quor"

  ; The shipped data goes; the current settings of all users
  ; ("CurrentSettingProfileData.xml" here and in every user's application data) stay.
  !insertmacro OstrelRemoveDataFiles
  RMDir /r "$DATADIR\SampleDevices"
  RMDir "$DATADIR"
  RMDir "$DATAPARENT"

  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
