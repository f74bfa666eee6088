; The Windows installer: qirven.dll into the folder of the user's Regina,
; beside regina.exe, where Regina's LoadLibrary finds it, and the documents
; into a folder of their own there. Made by tools/dev.sh windows with
;   makensis -DVERSION=1.4.0 -DBITS=64 -DFILES=<folder> -DOUTFILE=<setup.exe> qirven.nsi
; where <folder> holds qirven.dll and the documents.
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
Name "Qirven ${VERSION} (${BITS}-bit)"
OutFile "${OUTFILE}"
ShowInstDetails show
ShowUninstDetails show

!include LogicLib.nsh
!include FileFunc.nsh

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

Page directory "" "" checkpage
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

; Where Regina is, as its own installer leaves it: REGINA_HOME, the folder of
; regina.exe in the command for .rexx files, regina.exe on PATH, then
; Regina's default folder. /D=<folder> chooses the folder instead.
Function .onInit
  ${If} $INSTDIR == ""
    ReadEnvStr $0 REGINA_HOME
    ${If} $0 != ""
    ${AndIf} ${FileExists} "$0\regina.exe"
      StrCpy $INSTDIR $0
    ${EndIf}
  ${EndIf}
  ${If} $INSTDIR == ""
    ReadRegStr $0 HKCR "Regina\shell\open\command" ""
    Call programofcommand
    ${If} ${FileExists} $0
      ${GetParent} $0 $INSTDIR
    ${EndIf}
  ${EndIf}
  ${If} $INSTDIR == ""
    SearchPath $0 regina.exe
    ${If} $0 != ""
      ${GetParent} $0 $INSTDIR
    ${EndIf}
  ${EndIf}
  ${If} $INSTDIR == ""
    !if ${BITS} == 64
      StrCpy $INSTDIR "$PROGRAMFILES64\rexx.org\Regina"
    !else
      StrCpy $INSTDIR "$PROGRAMFILES\rexx.org\Regina"
    !endif
  ${EndIf}
  ${If} ${Silent}
    Call checkregina
    ${If} $R0 != ""
      SetErrorLevel 2
      Quit
    ${EndIf}
  ${EndIf}
FunctionEnd

; $0: a command line; the program it starts, its quotes taken off.
Function programofcommand
  StrCpy $1 $0 1
  ${If} $1 == '"'
    StrCpy $0 $0 "" 1
    StrCpy $2 0
    ${Do}
      StrCpy $1 $0 1 $2
      ${IfThen} $1 == '"' ${|} ${ExitDo} ${|}
      ${IfThen} $1 == "" ${|} ${ExitDo} ${|}
      IntOp $2 $2 + 1
    ${Loop}
    StrCpy $0 $0 $2
  ${Else}
    StrCpy $2 0
    ${Do}
      StrCpy $1 $0 1 $2
      ${IfThen} $1 == " " ${|} ${ExitDo} ${|}
      ${IfThen} $1 == "" ${|} ${ExitDo} ${|}
      IntOp $2 $2 + 1
    ${Loop}
    StrCpy $0 $0 $2
  ${EndIf}
FunctionEnd

Function checkpage
  Call checkregina
  ${If} $R0 != ""
    MessageBox MB_ICONSTOP|MB_OK $R0
    Abort
  ${EndIf}
FunctionEnd

; $R0: why Qirven cannot go into $INSTDIR, or "" when it can: the folder must
; hold regina.exe, and Regina must be of this installer's width (the machine
; field of regina.dll's or regina.exe's PE header), or it could not load the DLL.
Function checkregina
  StrCpy $R0 ""
  ${IfNot} ${FileExists} "$INSTDIR\regina.exe"
    StrCpy $R0 "There is no regina.exe in $INSTDIR. Choose the folder where Regina is installed."
    Return
  ${EndIf}
  StrCpy $0 "$INSTDIR\regina.dll"
  ${IfNot} ${FileExists} $0
    StrCpy $0 "$INSTDIR\regina.exe"
  ${EndIf}
  FileOpen $1 $0 r
  FileSeek $1 0x3c
  FileReadByte $1 $2
  FileReadByte $1 $3
  IntOp $3 $3 << 8
  IntOp $2 $2 | $3
  IntOp $2 $2 + 4  ; past the "PE\0\0" signature
  FileSeek $1 $2
  FileReadByte $1 $2
  FileReadByte $1 $3
  FileClose $1
  IntOp $3 $3 << 8
  IntOp $2 $2 | $3
  ${If} $2 <> ${MACHINE}
    StrCpy $R0 "The Regina in $INSTDIR is not a ${BITS}-bit program, and this installer holds Qirven for ${BITS}-bit Regina. Use qirven-${VERSION}-win${OTHERBITS}-setup.exe for it."
  ${EndIf}
FunctionEnd

Section
  ; An earlier install, of this version or another, is removed first by its own uninstaller.
  ReadRegStr $0 HKLM "${UNINSTKEY}" "InstallLocation"
  ${If} ${FileExists} "$0\${DOCS}\uninstall.exe"
    ExecWait '"$0\${DOCS}\uninstall.exe" /S _?=$0\${DOCS}'
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
  Delete "$0\qirven.dll"
  !insertmacro docfiles removedoc
  Delete "$INSTDIR\uninstall.exe"
  RMDir $INSTDIR
  DeleteRegKey HKLM "${UNINSTKEY}"
SectionEnd
