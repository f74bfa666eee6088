; The Windows installer: qirven.dll into the folder of the user's Regina,
; beside regina.exe, where Regina's LoadLibrary finds it, and the documents
; into a folder of their own there. Made by tools/dev.sh windows with
;   makensis -DVERSION=1.4.0 -DBITS=64 -DFILES=<folder> -DOUTFILE=<setup.exe> qirven.nsi
; where <folder> holds qirven.dll and the documents.
;
; Exit codes of the installer, and of the uninstaller when it runs in place (_?=):
!define EXIT_NOREGINA 2   ; refused: the folder holds no Regina of this width
!define EXIT_INUSE 3      ; qirven.dll is in use by a running Regina program; nothing was changed
!define EXIT_OLDUNINST 4  ; the earlier install's uninstaller failed; this version was not installed
!define EXIT_NEWER 5      ; refused: a newer version is installed (/DOWNGRADE installs over it)
; 0 is success and 1 a cancel by the user, as in every NSIS installer.
Unicode true
!if ${BITS} == 64
  Target amd64-unicode  ; a 64-bit program, which sees the 64-bit registry and Program Files
  !define MACHINE 0x8664
  !define OTHERBITS 32
!else
  Target x86-unicode
  !define MACHINE 0x14c
  !define OTHERBITS 64
!endif
SetCompressor /SOLID lzma
SetDateSave off  ; no file times in the installer, so that two builds are identical
RequestExecutionLevel admin
AllowSkipFiles off  ; a file that cannot be written fails the install, never skipped
Name "Qirven ${VERSION} (${BITS}-bit)"
OutFile "${OUTFILE}"
ShowInstDetails show
ShowUninstDetails show

; What Windows shows in the properties of setup.exe and uninstall.exe.
!searchparse "${VERSION}" "" VMAJOR "." VMINOR "." VPATCH
VIProductVersion "${VERSION}.0"
VIFileVersion "${VERSION}.0"
VIAddVersionKey /LANG=1033 "ProductName" "Qirven"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "CompanyName" "The Qirven developers"
VIAddVersionKey /LANG=1033 "FileDescription" "Qirven ${VERSION} (${BITS}-bit) setup, math functions for Regina REXX"
VIAddVersionKey /LANG=1033 "LegalCopyright" "Copyright (c) 2026 The Qirven developers, MIT licence"

!include LogicLib.nsh
!include FileFunc.nsh
!include WordFunc.nsh

!define UNINSTKEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Qirven"
!define DOCS "Qirven"  ; the documents' folder within Regina's
; The documents, each given to the macro named.
!macro docfiles DO
  !insertmacro ${DO} README.md
  !insertmacro ${DO} reference.md
  !insertmacro ${DO} tour.rexx
  !insertmacro ${DO} LICENSE
  !insertmacro ${DO} COPYRIGHT.musl
  !insertmacro ${DO} COPYRIGHT.mingw-w64
!macroend
!macro installdoc NAME
  File "${FILES}\${NAME}"
!macroend
!macro removedoc NAME
  Delete "$INSTDIR\${NAME}"
!macroend

; qirven.dll in FOLDER cannot be replaced or removed. A lock of a moment (a
; virus scanner's, or a program's that is just ending) is waited out: a
; silent run tries again every quarter of a second for SILENTWAIT tries (5
; seconds), then quits with EXIT_INUSE. Otherwise Retry goes on, and Cancel
; quits with EXIT_INUSE.
!define SILENTWAIT 20
Var waited  ; the tries a silent run has waited so far
!macro retryinuse FOLDER
  ${If} ${Silent}
  ${AndIf} $waited < ${SILENTWAIT}
    Sleep 250
    IntOp $waited $waited + 1
  ${ElseIfNot} ${Cmd} `MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "qirven.dll in ${FOLDER} is in use: a Regina program that loaded it is running. Close every Regina program, then click Retry; or click Cancel to leave everything as it is." /SD IDCANCEL IDRETRY`
    SetErrorLevel ${EXIT_INUSE}
    Quit
  ${EndIf}
!macroend

DirText "Qirven goes into the folder of your Regina, beside regina.exe. Below is the folder found; if your regina.exe is elsewhere, choose its folder." "Folder of regina.exe"
Page directory "" "" checkpage
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

Var firstregina  ; the first folder found that holds a regina.exe of either width

Function .onInit
  ${If} $INSTDIR == ""  ; no /D=<folder>
    Call findregina
  ${EndIf}
  ; An older version over a newer one only when asked for.
  ReadRegStr $0 HKLM "${UNINSTKEY}" "DisplayVersion"
  ${VersionCompare} "$0" "${VERSION}" $1
  ${If} $0 != ""
  ${AndIf} $1 == 1
    ClearErrors
    ${GetOptions} $CMDLINE "/DOWNGRADE" $2
    ${If} ${Errors}
    ${AndIfNot} ${Cmd} `MessageBox MB_YESNO|MB_ICONQUESTION "Qirven $0 is installed, newer than this installer's ${VERSION}. Replace it with ${VERSION}?" /SD IDNO IDYES`
      SetErrorLevel ${EXIT_NEWER}
      Quit
    ${EndIf}
  ${EndIf}
  ${If} ${Silent}
    Push $INSTDIR
    Call reginaproblem
    Pop $0
    ${If} $0 != ""
      SetErrorLevel ${EXIT_NOREGINA}
      Quit
    ${EndIf}
  ${EndIf}
FunctionEnd

Function checkpage
  Push $INSTDIR
  Call reginaproblem
  Pop $0
  ${If} $0 != ""
    MessageBox MB_ICONSTOP|MB_OK $0
    Abort
  ${EndIf}
FunctionEnd

; Sets $INSTDIR to where Regina is, as its own installer leaves it: the first
; of REGINA_HOME, the folder of the program in the command for .rexx files
; and the folders on PATH that holds a regina.exe of this installer's width;
; else the first that holds one of the other width, for the folder page to
; say why it will not do; else Regina's default folder.
Function findregina
  Push $0
  Push $1
  Push $2
  Push $3
  Push $4
  ReadEnvStr $0 REGINA_HOME
  Push $0
  Call consider
  ReadRegStr $0 HKCR "Regina\shell\open\command" ""
  ExpandEnvStrings $0 $0  ; a REG_EXPAND_SZ value reads unexpanded
  Push $0
  Call programofcommand
  Pop $0
  ${If} $0 != ""
    ${GetParent} $0 $0
    Push $0
    Call consider
  ${EndIf}
  ; PATH, folder by folder, as Windows searches it.
  ReadEnvStr $0 PATH
  StrLen $3 $0
  StrCpy $1 0  ; where the folder begins
  ${For} $2 0 $3
    StrCpy $4 $0 1 $2
    ${If} $4 == ";"
    ${OrIf} $4 == ""
      IntOp $4 $2 - $1
      StrCpy $4 $0 $4 $1
      Push $4
      Call consider
      IntOp $1 $2 + 1
    ${EndIf}
  ${Next}
  ${If} $INSTDIR == ""
    StrCpy $INSTDIR $firstregina
  ${EndIf}
  ${If} $INSTDIR == ""
    !if ${BITS} == 64
      StrCpy $INSTDIR "$PROGRAMFILES64\rexx.org\Regina"
    !else
      StrCpy $INSTDIR "$PROGRAMFILES\rexx.org\Regina"
    !endif
  ${EndIf}
  Pop $4
  Pop $3
  Pop $2
  Pop $1
  Pop $0
FunctionEnd

; Takes a folder from the stack, its quotes taken off; it becomes $INSTDIR
; when none was found before and it holds a Regina of this width.
Function consider
  Exch $0
  Push $1
  ${WordReplace} $0 '"' "" "+" $0
  ${If} $INSTDIR == ""
  ${AndIf} $0 != ""
  ${AndIf} ${FileExists} "$0\regina.exe"
    ${If} $firstregina == ""
      StrCpy $firstregina $0
    ${EndIf}
    Push $0
    Call reginaproblem
    Pop $1
    ${If} $1 == ""
      StrCpy $INSTDIR $0
    ${EndIf}
  ${EndIf}
  Pop $1
  Pop $0
FunctionEnd

; Exchanges the command line on the stack for the program it starts, as
; Windows finds it: the text within the quotes when it begins with one, else
; the shortest text up to a blank or the end that is an existing file; "" if none.
Function programofcommand
  Exch $0
  Push $1
  Push $2
  Push $3
  StrCpy $3 " "  ; what ends the program's name
  StrCpy $1 $0 1
  ${If} $1 == '"'
    StrCpy $3 '"'
    StrCpy $0 $0 "" 1
  ${EndIf}
  StrCpy $2 0
  ${Do}
    StrCpy $1 $0 1 $2
    ${If} $1 == $3
    ${OrIf} $1 == ""
      StrCpy $1 $0 $2
      ${If} $3 == '"'
      ${OrIf} ${FileExists} "$1"
      ${AndIfNot} ${FileExists} "$1\*.*"
        StrCpy $0 $1
        ${ExitDo}
      ${EndIf}
      StrCpy $1 $0 1 $2
      ${If} $1 == ""
        StrCpy $0 ""
        ${ExitDo}
      ${EndIf}
    ${EndIf}
    IntOp $2 $2 + 1
  ${Loop}
  Pop $3
  Pop $2
  Pop $1
  Exch $0
FunctionEnd

; Exchanges the folder on the stack for why Qirven cannot go there, or "" when
; it can: the folder must hold regina.exe, and Regina must be of this
; installer's width (the machine field of regina.dll's or regina.exe's PE
; header), or it could not load the DLL.
Function reginaproblem
  Exch $0
  Push $1
  Push $2
  ${IfNot} ${FileExists} "$0\regina.exe"
    StrCpy $0 "There is no regina.exe in $0. Choose the folder where Regina is installed."
  ${Else}
    StrCpy $1 "$0\regina.dll"
    ${IfNot} ${FileExists} $1
      StrCpy $1 "$0\regina.exe"
    ${EndIf}
    Push $1
    Call machineof
    Pop $2
    ${If} $2 == ""
      StrCpy $0 "$1 cannot be read as a Windows program, so it is not known whether the Regina in $0 is a ${BITS}-bit program."
    ${ElseIf} $2 <> ${MACHINE}
      StrCpy $0 "The Regina in $0 is not a ${BITS}-bit program, and this installer holds Qirven for ${BITS}-bit Regina. Use qirven-${VERSION}-win${OTHERBITS}-setup.exe for it."
    ${Else}
      StrCpy $0 ""
    ${EndIf}
  ${EndIf}
  Pop $2
  Pop $1
  Exch $0
FunctionEnd

; Exchanges the file on the stack for the machine field of its PE header, or
; "" when it cannot be read as a Windows program.
Function machineof
  Exch $0
  Push $1
  Push $2
  Push $3
  Push $4
  ClearErrors
  FileOpen $1 $0 r
  StrCpy $0 ""
  ${IfNot} ${Errors}
    FileReadWord $1 $2  ; "MZ"
    FileSeek $1 0x3c
    FileReadWord $1 $3  ; where the PE header begins
    FileReadWord $1 $4
    IntOp $4 $4 << 16
    IntOp $3 $3 | $4
    FileSeek $1 $3
    FileReadWord $1 $3  ; "PE" and two zero bytes
    FileReadWord $1 $4
    ${IfNot} ${Errors}
    ${AndIf} $2 = 0x5a4d
    ${AndIf} $3 = 0x4550
    ${AndIf} $4 = 0
      FileReadWord $1 $0
      ${IfThen} ${Errors} ${|} StrCpy $0 "" ${|}
    ${EndIf}
    FileClose $1
  ${EndIf}
  Pop $4
  Pop $3
  Pop $2
  Pop $1
  Exch $0
FunctionEnd

; Takes a folder from the stack and waits, asking Retry or Cancel, while its
; qirven.dll cannot be opened for writing, as while a running program has it loaded.
Function waitreplaceable
  Exch $0
  Push $1
  ${DoWhile} ${FileExists} "$0\qirven.dll"
    ClearErrors
    FileOpen $1 "$0\qirven.dll" a
    ${IfNot} ${Errors}
      FileClose $1
      ${ExitDo}
    ${EndIf}
    !insertmacro retryinuse $0
  ${Loop}
  Pop $1
  Pop $0
FunctionEnd

Section
  ; Nothing changes while a running program holds the DLL to be replaced or
  ; the earlier install's.
  Push $INSTDIR
  Call waitreplaceable
  ReadRegStr $0 HKLM "${UNINSTKEY}" "InstallLocation"
  ${If} $0 != ""
    Push $0
    Call waitreplaceable
  ${EndIf}
  ; An earlier install, of this version or another, is removed first by its
  ; own uninstaller, run in place so that its exit code is known.
  ${If} ${FileExists} "$0\${DOCS}\uninstall.exe"
    ClearErrors
    ExecWait '"$0\${DOCS}\uninstall.exe" /S _?=$0\${DOCS}' $1
    ${If} ${Errors}
    ${OrIf} $1 <> 0
      MessageBox MB_ICONSTOP|MB_OK "The uninstaller of the Qirven in $0 failed (exit code $1), so Qirven ${VERSION} was not installed." /SD IDOK
      SetErrorLevel ${EXIT_OLDUNINST}
      Quit
    ${EndIf}
    Delete "$0\${DOCS}\uninstall.exe"
    RMDir "$0\${DOCS}"
  ${EndIf}
  SetOutPath $INSTDIR
  File "${FILES}\qirven.dll"
  SetOutPath "$INSTDIR\${DOCS}"
  !insertmacro docfiles installdoc
  WriteUninstaller "$INSTDIR\${DOCS}\uninstall.exe"
  WriteRegStr HKLM "${UNINSTKEY}" "DisplayName" "Qirven ${VERSION} (${BITS}-bit), math functions for Regina REXX"
  WriteRegStr HKLM "${UNINSTKEY}" "DisplayVersion" "${VERSION}"
  WriteRegDWORD HKLM "${UNINSTKEY}" "VersionMajor" ${VMAJOR}
  WriteRegDWORD HKLM "${UNINSTKEY}" "VersionMinor" ${VMINOR}
  WriteRegStr HKLM "${UNINSTKEY}" "DisplayIcon" "$INSTDIR\${DOCS}\uninstall.exe"
  WriteRegStr HKLM "${UNINSTKEY}" "Publisher" "The Qirven developers"
  WriteRegStr HKLM "${UNINSTKEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTKEY}" "UninstallString" '"$INSTDIR\${DOCS}\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTKEY}" "QuietUninstallString" '"$INSTDIR\${DOCS}\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTKEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTKEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR\${DOCS}" "/S=0K" $0 $1 $2
  ${GetSize} "$INSTDIR" "/M=qirven.dll /S=0K /G=0" $1 $2 $3
  IntOp $0 $0 + $1
  WriteRegDWORD HKLM "${UNINSTKEY}" "EstimatedSize" $0
SectionEnd

; Exactly what the installer wrote; Regina's own files stay as they are.
Section "Uninstall"
  GetFullPathName $0 "$INSTDIR\.."  ; $INSTDIR is the documents' folder
  ; The DLL first: while a running program holds it, nothing else is removed,
  ; and the entry and this uninstaller stay for another try.
  ${Do}
    Delete "$0\qirven.dll"
    ${IfNot} ${FileExists} "$0\qirven.dll"
      ${ExitDo}
    ${EndIf}
    !insertmacro retryinuse $0
  ${Loop}
  !insertmacro docfiles removedoc
  Delete "$INSTDIR\uninstall.exe"
  RMDir $INSTDIR
  RMDir $0  ; Regina's folder, only when Regina was removed first and left it empty
  DeleteRegKey HKLM "${UNINSTKEY}"
SectionEnd
