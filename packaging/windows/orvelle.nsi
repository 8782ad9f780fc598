; orvelle-setup.exe: installs the Orvelle thumbnail handler for the current user, without
; administrator rights, and writes an uninstaller that puts the displaced handlers back.
;   makensis -DVERSION=x.y.z -DCOPYRIGHT="..." -DDLL=orvelle.dll -DHOST=orvelle-thumbhost.exe
;            [-DDLL_X86=x86/orvelle.dll] [-DHOST_X86=x86/orvelle-thumbhost.exe]
;            [-DDLL_ARM64=arm64/orvelle.dll] -DOUTFILE=setup.exe orvelle.nsi
; DLL and HOST are the x64 builds. On x64 Windows the x64 and x86 DLLs are installed, on
; ARM64 Windows the ARM64 and x86 DLLs. Setup is a 64-bit program, which 32-bit Windows
; refuses to start. Both modes take /S (silent).

!ifndef VERSION | DLL | HOST | OUTFILE
  !error "define VERSION, DLL, HOST and OUTFILE"
!endif

Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
ManifestSupportedOS all
ManifestDPIAware true
RequestExecutionLevel user

!define PRODUCT "Orvelle"
!define PUBLISHER "Corvantis"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Orvelle"
!define RUNONCE_KEY "Software\Microsoft\Windows\CurrentVersion\RunOnce"
!define UNINSTALLER "uninstall.exe"
; Orvelle's registration, as the DLL writes it; the uninstaller removes it itself when
; the DLL cannot.
; One class per thumbnail slot: .mov, then .avi.
!define CLSID "{EFB41CBF-F9DF-4A58-BBF0-C5A4A2DC1BE8}"
!define CLASS_KEY "Software\Classes\CLSID\${CLSID}"
!define MOV_SLOT_KEY "Software\Classes\.mov\ShellEx\{E357FCCD-A995-4576-B01F-234630154E96}"
!define AVI_CLSID "{888C5CFE-94F0-4F68-8364-EAE8BBC59512}"
!define AVI_CLASS_KEY "Software\Classes\CLSID\${AVI_CLSID}"
; The same classes in the 32-bit view, where the x86 DLL registers them.
!define CLASS_KEY_X86 "Software\Classes\Wow6432Node\CLSID\${CLSID}"
!define AVI_CLASS_KEY_X86 "Software\Classes\Wow6432Node\CLSID\${AVI_CLSID}"
!define AVI_SLOT_KEY "Software\Classes\.avi\ShellEx\{E357FCCD-A995-4576-B01F-234630154E96}"
!define VENDOR_KEY "Software\Corvantis"
!define SAVED_KEY "${VENDOR_KEY}\Orvelle"

Name "${PRODUCT}"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\${PRODUCT}"
; A re-run upgrades the copy where it already is.
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
ShowInstDetails show
ShowUninstDetails show

VIProductVersion "${VERSION}.0"
VIFileVersion "${VERSION}.0"
VIAddVersionKey "ProductName" "${PRODUCT}"
VIAddVersionKey "CompanyName" "${PUBLISHER}"
VIAddVersionKey "FileDescription" "${PRODUCT} thumbnail handler setup"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "LegalCopyright" "${COPYRIGHT}"
VIAddVersionKey "OriginalFilename" "orvelle-setup.exe"

!include "MUI2.nsh"
!include "LogicLib.nsh"
!include "FileFunc.nsh"
!include "x64.nsh"

!define MUI_ABORTWARNING
!define MUI_WELCOMEPAGE_TEXT "Setup will install ${PRODUCT} ${VERSION} for you alone; it needs no administrator rights.$\r$\n$\r$\nExplorer will then show thumbnails of QuickTime and AVI movies whose video is Hap. Explorer windows that are open now may keep showing the old thumbnails until they are reopened."
!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_UNPAGE_FINISH
!insertmacro MUI_LANGUAGE "English"

; Defines a function for the installer (prefix "") or the uninstaller (prefix "un."),
; which NSIS keeps apart.
!macro DefineFunctions PREFIX

; Runs DllInstall(install, "user") of the native DLL through the native regsvr32: on ARM64
; Windows setup runs as an emulated x64 process, which cannot load the ARM64 DLL itself.
; In: "" to register or "/u" to unregister, on the stack. Out: $0, 0 on success.
Function ${PREFIX}RegisterNativeDll
  Exch $1
  ClearErrors
  ExecWait '"$SYSDIR\regsvr32.exe" /s $1 /n /i:user "$INSTDIR\orvelle.dll"' $0
  ${If} ${Errors}
    StrCpy $0 "cannot run regsvr32"
  ${ElseIf} $0 != 0
    StrCpy $0 "regsvr32 $1 exited with $0"
  ${EndIf}
  Pop $1
FunctionEnd

; Deletes the file on the stack. A thumbnail host may hold it loaded: such a file can be
; renamed but not deleted, so it is moved aside, freeing its name, and deleted at the next
; reboot (which needs administrator rights) or else at the user's next logon.
Function ${PREFIX}DeleteNowOrLater
  Exch $0
  Push $1
  ClearErrors
  Delete "$0"
  ${If} ${Errors}
    GetTempFileName $1 "$INSTDIR"
    Delete "$1"
    ClearErrors
    Rename "$0" "$1"
    ${If} ${Errors}
      StrCpy $1 "$0"
    ${EndIf}
    Delete /REBOOTOK "$1"
    WriteRegStr HKCU "${RUNONCE_KEY}" "${PRODUCT}" '"$SYSDIR\cmd.exe" /d /c del /f /q "$INSTDIR\ns*.tmp" & rmdir "$INSTDIR"'
    DetailPrint "$0 is in use; it will be removed when you next sign in."
  ${EndIf}
  Pop $1
  Pop $0
FunctionEnd

!macroend

; The x86 DLL's class under VIEW_KEY, as the x86 DLL writes it. A 64-bit setup names the
; 32-bit view outright (Wow6432Node), which is also right under Wine, where the per-user
; classes are not redirected for 32-bit processes.
!macro RegisterClassX86 VIEW_KEY
  WriteRegStr HKCU "${VIEW_KEY}" "" "Corvantis HAP Thumbnail Provider"
  WriteRegStr HKCU "${VIEW_KEY}\InprocServer32" "" "$INSTDIR\x86\orvelle.dll"
  WriteRegStr HKCU "${VIEW_KEY}\InprocServer32" "ThreadingModel" "Apartment"
!macroend

; Calls FUNCTION with each program file that setup installs, on the stack.
!macro ForEachInstalledFile FUNCTION
  !insertmacro ForEachInstalledFileIn "$INSTDIR" ${FUNCTION}
  !insertmacro ForEachInstalledFileIn "$INSTDIR\x86" ${FUNCTION}
!macroend
!macro ForEachInstalledFileIn DIR FUNCTION
  Push "${DIR}\orvelle.dll"
  Call ${FUNCTION}
  Push "${DIR}\orvelle-thumbhost.exe"
  Call ${FUNCTION}
!macroend

!insertmacro DefineFunctions ""
!insertmacro DefineFunctions "un."

; Hands a thumbnail slot that still names one of Orvelle's classes back to the handler
; saved for it, or deletes the slot when nothing usable is saved (no value, or Orvelle
; itself), and drops the saved value. A slot another handler took since stays as it is.
; In: the slot key, then the name of the saved value, on the stack. Out: $0, 1 when the
; slot named Orvelle. (LogicLib's == ignores letter case, as class identifiers do.)
Function un.GiveSlotBack
  Exch $1 ; saved value name
  Exch
  Exch $2 ; slot key
  Push $3
  StrCpy $0 0
  ReadRegStr $3 HKCU "$2" ""
  ${If} $3 == "${CLSID}"
  ${OrIf} $3 == "${AVI_CLSID}"
    StrCpy $0 1
    ReadRegStr $3 HKCU "${SAVED_KEY}" "$1"
    ${If} $3 == ""
    ${OrIf} $3 == "${CLSID}"
    ${OrIf} $3 == "${AVI_CLSID}"
      DeleteRegKey HKCU "$2"
    ${Else}
      WriteRegStr HKCU "$2" "" "$3"
    ${EndIf}
    DeleteRegValue HKCU "${SAVED_KEY}" "$1"
  ${EndIf}
  Pop $3
  Pop $2
  Pop $1
FunctionEnd

; The DLL's own unregistration, done with registry commands for a DLL that is missing or
; damaged: without it, the slots would name classes that no longer exist.
Function un.RemoveRegistration
  Push $4
  Push "${MOV_SLOT_KEY}"
  Push "PreviousMovHandler"
  Call un.GiveSlotBack
  StrCpy $4 $0
  Push "${AVI_SLOT_KEY}"
  Push "PreviousAviHandler"
  Call un.GiveSlotBack
  IntOp $4 $4 | $0
  ${If} $4 == 1
    ; Kept while it still holds the value saved for a slot another handler took.
    DeleteRegKey /ifempty HKCU "${SAVED_KEY}"
    ; Kept while another product has keys below it.
    DeleteRegKey /ifnosubkeys HKCU "${VENDOR_KEY}"
  ${EndIf}
  DeleteRegKey HKCU "${CLASS_KEY}"
  DeleteRegKey HKCU "${AVI_CLASS_KEY}"
  DeleteRegKey HKCU "${CLASS_KEY_X86}"
  DeleteRegKey HKCU "${AVI_CLASS_KEY_X86}"
  Pop $4
FunctionEnd

!ifndef DLL_ARM64
Function .onInit
  ${If} ${IsNativeARM64}
    MessageBox MB_OK|MB_ICONSTOP "This ${PRODUCT} setup has no ARM64 handler." /SD IDOK
    SetErrorLevel 3
    Quit
  ${EndIf}
FunctionEnd
!endif

Section "Install"
  SetOutPath "$INSTDIR"
  !insertmacro ForEachInstalledFile DeleteNowOrLater
  ${If} ${IsNativeARM64}
    !ifdef DLL_ARM64
      File "/oname=orvelle.dll" "${DLL_ARM64}"
    !endif
  ${Else}
    File "/oname=orvelle.dll" "${DLL}"
    File "/oname=orvelle-thumbhost.exe" "${HOST}"
  ${EndIf}
  !ifdef DLL_X86
    SetOutPath "$INSTDIR\x86"
    File "/oname=orvelle.dll" "${DLL_X86}"
    !ifdef HOST_X86
      File "/oname=orvelle-thumbhost.exe" "${HOST_X86}"
    !endif
    SetOutPath "$INSTDIR"
  !endif
  WriteUninstaller "$INSTDIR\${UNINSTALLER}"

  ; Written before registering, so that a failed registration can still be uninstalled.
  ; In KiB, counting neither copies moved aside nor anything below the folder.
  ${GetSize} "$INSTDIR" "/M=*.dll /S=0B /G=0" $0 $1 $2
  ${GetSize} "$INSTDIR" "/M=*.exe /S=0B /G=0" $3 $1 $2
  IntOp $0 $0 + $3
  ${GetSize} "$INSTDIR\x86" "/M=*.dll /S=0B /G=0" $3 $1 $2
  IntOp $0 $0 + $3
  ${GetSize} "$INSTDIR\x86" "/M=*.exe /S=0B /G=0" $3 $1 $2
  IntOp $0 $0 + $3
  IntOp $0 $0 / 1024
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\${UNINSTALLER}"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\${UNINSTALLER}" /S'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" $0
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1

  ; Registering again over an installed copy keeps the handler saved the first time.
  Push ""
  Call RegisterNativeDll
  ${If} $0 != 0
    DetailPrint "Registration failed: $0"
    SetErrorLevel 2
    MessageBox MB_OK|MB_ICONSTOP "${PRODUCT} could not register its thumbnail handler: $0" /SD IDOK
    Abort
  ${EndIf}
  !ifdef DLL_X86
    ; The x86 DLL's registration once the native one has claimed the slots: only its classes
    ; in the 32-bit view remain, written here because a 64-bit setup cannot load it.
    !insertmacro RegisterClassX86 "${CLASS_KEY_X86}"
    !insertmacro RegisterClassX86 "${AVI_CLASS_KEY_X86}"
  !endif
SectionEnd

Section "Uninstall"
  ; Hands the .mov and .avi slots back to the handlers that Orvelle displaced.
  ; The 32-bit view first: while the x86 DLL is registered, the native one keeps the slots.
  DeleteRegKey HKCU "${CLASS_KEY_X86}"
  DeleteRegKey HKCU "${AVI_CLASS_KEY_X86}"
  Push "/u"
  Call un.RegisterNativeDll
  ${If} $0 != 0
    ; Carry on: a DLL that cannot be loaded cannot unregister either, so stopping would
    ; leave the user with an uninstaller that never completes.
    DetailPrint "Unregistration failed: $0; removing the registration directly."
    Call un.RemoveRegistration
    SetErrorLevel 2
  ${EndIf}

  !insertmacro ForEachInstalledFile un.DeleteNowOrLater
  RMDir "$INSTDIR\x86"
  Push "$INSTDIR\${UNINSTALLER}"
  Call un.DeleteNowOrLater
  ; Copies moved aside by an earlier run whose host has let go of them since.
  Delete "$INSTDIR\ns*.tmp"
  ClearErrors
  RMDir "$INSTDIR"
  ${If} ${Errors}
    RMDir /REBOOTOK "$INSTDIR"
  ${Else}
    ; Nothing is left for a logon-time clean-up to remove.
    DeleteRegValue HKCU "${RUNONCE_KEY}" "${PRODUCT}"
  ${EndIf}
  ; Last, so that a caller who waits for the entry to go sees a finished uninstall.
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
SectionEnd
