; The setup program for Windows. install/windows/CMakeLists.txt runs makensis on this script with
; SETUP_NSH naming the file it makes from the build: the product's name and version, the file
; type of piece files, and the list of files (VORNALIS_FILES) with the Start menu shortcut each
; gets. Everything the setup makes, the uninstaller takes away again, and nothing else: the files
; of that list, its own files, the shortcuts, the file type and the uninstall entry. Whatever else
; lies in the program folder (a set kept there) stays, and so does the folder then.
;
;   setup.exe [/S] [/D=FOLDER]        /S: silent; /D: the program folder (last, unquoted)
;   uninstall.exe [/S]                returns once everything is removed
;
; The pages: welcome, the licence, the program folder, the progress, and the end with "Run
; Vornalis"; the uninstaller asks, shows its progress and ends. The window keeps one title, the
; setup's or the uninstaller's, on every page, and the footer names the product and its version.
;
; The uninstaller proper is written as UNINSTALLER_DATA; UNINSTALLER (uninstall.exe, one of the
; listed files, uninstall_launcher.cpp) runs it from a temporary copy on the program folder
; (_?=FOLDER) and waits for it. An uninstaller that NSIS starts by itself copies itself away and
; returns at once, while the files go seconds later, which a script that checks right away takes
; for a failure.

Unicode true
!include "${SETUP_NSH}"
!include MUI2.nsh
!include LogicLib.nsh

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${PRODUCT}"
!define CLASSES "Software\Classes"
!define START_MENU "$SMPROGRAMS\${PRODUCT}"
; The class the extension named before the setup took it, given back by the uninstaller.
!define PREVIOUS_CLASS "PreviousExtensionClass"

Name "${PRODUCT}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES\${PRODUCT}"
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
RequestExecutionLevel admin
SetCompressor /SOLID lzma
ShowInstDetails show
ShowUninstDetails show
BrandingText "${PRODUCT} ${VERSION}"

!define MUI_ICON "${PROGRAM_ICON}"
!define MUI_UNICON "${PROGRAM_ICON}"
!define MUI_ABORTWARNING

; Every page of MUI gives the window the subcaption " ", which would end its title in a space:
; each page sets the title again when it shows. (The title of the progress page once it has
; ended shows only for a moment: the next page follows by itself.)
!macro TitledPage PAGE
  !define MUI_PAGE_CUSTOMFUNCTION_SHOW ShowTitle
  !insertmacro MUI_PAGE_${PAGE}
!macroend
!macro TitledUninstallPage PAGE
  !define MUI_PAGE_CUSTOMFUNCTION_SHOW un.ShowTitle
  !insertmacro MUI_UNPAGE_${PAGE}
!macroend

!define MUI_WELCOMEPAGE_TITLE "Welcome to ${PRODUCT} ${VERSION}"
!define MUI_WELCOMEPAGE_TEXT "This installs ${PRODUCT}, which packs files and folders into a \
  numbered set of piece files of a size you choose, lists what a set holds and rebuilds it: \
  the desktop program, the command-line tool vornalis-cli, and the help.$\r$\n$\r$\n\
  Click Next to continue."
!insertmacro TitledPage WELCOME
; The licence asks nothing of someone who installs and uses the program: Next goes on.
!define MUI_LICENSEPAGE_BUTTON "$(^NextBtn)"
!define MUI_LICENSEPAGE_TEXT_BOTTOM "${PRODUCT} is free software under this licence. The \
  works it includes are named, with their notices, in THIRD-PARTY-NOTICES.txt in the program folder."
!insertmacro TitledPage "LICENSE ${LICENSE_FILE}"
!insertmacro TitledPage DIRECTORY
!insertmacro TitledPage INSTFILES
; The program runs as the user who started the setup (through Explorer), not with the rights
; the setup was given.
!define MUI_FINISHPAGE_RUN
!define MUI_FINISHPAGE_RUN_TEXT "Run ${PRODUCT}"
!define MUI_FINISHPAGE_RUN_FUNCTION RunProgram
!insertmacro TitledPage FINISH

!insertmacro TitledUninstallPage CONFIRM
!insertmacro TitledUninstallPage INSTFILES
!insertmacro TitledUninstallPage FINISH
!insertmacro MUI_LANGUAGE "English"

VIProductVersion "${VERSION4}"
VIFileVersion "${VERSION4}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "FileDescription" "${PRODUCT} ${VERSION} setup"
VIAddVersionKey /LANG=${LANG_ENGLISH} "CompanyName" "${AUTHORS}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "LegalCopyright" "Copyright (C) ${COPYRIGHT}"

; What each entry of VORNALIS_FILES (source, folder in the program folder, name, shortcut name)
; does when installing and when uninstalling.
!macro InstallFile SOURCE FOLDER NAME SHORTCUT
  SetOutPath "$INSTDIR${FOLDER}"
  File "/oname=${NAME}" "${SOURCE}"
!macroend
!macro AddShortcut SOURCE FOLDER NAME SHORTCUT
  !if "${SHORTCUT}" != ""
    CreateDirectory "${START_MENU}"
    CreateShortcut "${START_MENU}\${SHORTCUT}.lnk" "$INSTDIR${FOLDER}\${NAME}"
  !endif
!macroend
!macro RemoveFile SOURCE FOLDER NAME SHORTCUT
  Delete "$INSTDIR${FOLDER}\${NAME}"
  !if "${FOLDER}" != ""
    RMDir "$INSTDIR${FOLDER}"  ; once its last file is gone, unless the user put files there
  !endif
!macroend
!macro RemoveShortcut SOURCE FOLDER NAME SHORTCUT
  !if "${SHORTCUT}" != ""
    Delete "${START_MENU}\${SHORTCUT}.lnk"
  !endif
!macroend

Function .onInit
  SetShellVarContext all
FunctionEnd

Function un.onInit
  SetShellVarContext all
FunctionEnd

Function ShowTitle
  SendMessage $HWNDPARENT ${WM_SETTEXT} 0 "STR:$(^SetupCaption)"
FunctionEnd

Function un.ShowTitle
  SendMessage $HWNDPARENT ${WM_SETTEXT} 0 "STR:$(^UninstallCaption)"
FunctionEnd

Function RunProgram
  Exec '"$WINDIR\explorer.exe" "$INSTDIR\${DESKTOP_PROGRAM}"'
FunctionEnd

Section "Install"
  !insertmacro VORNALIS_FILES InstallFile
  WriteUninstaller "$INSTDIR\${UNINSTALLER_DATA}"
  !insertmacro VORNALIS_FILES AddShortcut

  ; The file type: piece files show the set's icon, open in the program, and rebuild their set
  ; in their own folder from the context menu.
  WriteRegStr HKLM "${CLASSES}\${CLASS}" "" "${TYPE_NAME}"
  WriteRegStr HKLM "${CLASSES}\${CLASS}\DefaultIcon" "" "$INSTDIR\${ICON_FILE},-${SET_ICON_ID}"
  WriteRegStr HKLM "${CLASSES}\${CLASS}\shell" "" "open"
  WriteRegStr HKLM "${CLASSES}\${CLASS}\shell\open\command" "" '"$INSTDIR\${DESKTOP_PROGRAM}" "%1"'
  WriteRegStr HKLM "${CLASSES}\${CLASS}\shell\assemble" "" "Assemble here"
  WriteRegStr HKLM "${CLASSES}\${CLASS}\shell\assemble\command" "" \
    '"$INSTDIR\${DESKTOP_PROGRAM}" "%1" /e "%W"'
  ReadRegStr $0 HKLM "${CLASSES}\${EXTENSION}" ""
  ${If} $0 != ""
  ${AndIf} $0 != "${CLASS}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "${PREVIOUS_CLASS}" $0
  ${EndIf}
  WriteRegStr HKLM "${CLASSES}\${EXTENSION}" "" "${CLASS}"

  ; The entry in Windows' list of installed programs.
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${AUTHORS}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\${ICON_FILE},0"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\${UNINSTALLER}"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\${UNINSTALLER}" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  SectionGetSize 0 $0
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0

  System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'  ; SHCNE_ASSOCCHANGED
SectionEnd

Section "Uninstall"
  !insertmacro VORNALIS_FILES RemoveShortcut
  RMDir "${START_MENU}"
  !insertmacro VORNALIS_FILES RemoveFile
  Delete "$INSTDIR\${UNINSTALLER_DATA}"
  ; uninstall.exe, which waits for this uninstaller, has moved itself out of the folder; the
  ; uninstaller's current folder, the program folder when it is started on it, moves too.
  SetOutPath "$TEMP"
  RMDir "$INSTDIR"

  ; The file type: the class is ours alone. The extension goes back to the class it named before,
  ; unless another program has taken it since; a key of the extension that named nothing before
  ; goes once nothing else is left in it.
  DeleteRegKey HKLM "${CLASSES}\${CLASS}"
  ReadRegStr $0 HKLM "${CLASSES}\${EXTENSION}" ""
  ${If} $0 == "${CLASS}"
    ReadRegStr $1 HKLM "${UNINSTALL_KEY}" "${PREVIOUS_CLASS}"
    ${If} $1 != ""
      WriteRegStr HKLM "${CLASSES}\${EXTENSION}" "" $1
    ${Else}
      DeleteRegValue HKLM "${CLASSES}\${EXTENSION}" ""
      ; With the default value gone, an empty name means no value is left.
      EnumRegValue $0 HKLM "${CLASSES}\${EXTENSION}" 0
      EnumRegKey $1 HKLM "${CLASSES}\${EXTENSION}" 0
      ${If} $0 == ""
      ${AndIf} $1 == ""
        DeleteRegKey /ifempty HKLM "${CLASSES}\${EXTENSION}"
      ${EndIf}
    ${EndIf}
  ${EndIf}

  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'  ; SHCNE_ASSOCCHANGED
SectionEnd
