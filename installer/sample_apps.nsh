; Sample applications registered under the product key, so that the catalogue shows every kind of
; registry entry: plain, with a working folder, and one listed for administrators only.
; Descriptions keep "\n" as two characters: the catalogue turns it into a line break.

!macro OstrelSampleApp KEY NAME PATH CATEGORY DESCRIPTION
  WriteRegStr HKLM "${PRODUCT_KEY}\${KEY}" "AppName" "${NAME}"
  WriteRegStr HKLM "${PRODUCT_KEY}\${KEY}" "AppPath" "${PATH}"
  WriteRegDWORD HKLM "${PRODUCT_KEY}\${KEY}" "Category" ${CATEGORY}
  WriteRegStr HKLM "${PRODUCT_KEY}\${KEY}" "Description" "${DESCRIPTION}"
!macroend

!macro OstrelRegisterSampleApps
  !insertmacro OstrelSampleApp "TextEditor" "Text Editor" "$WINDIR\notepad.exe" 13 \
      "Writes and edits plain text files.\nNotes, lists and configuration files."
  !insertmacro OstrelSampleApp "CommandPrompt" "Command Prompt" "$SYSDIR\cmd.exe" 13 \
      "Runs commands and scripts."
  WriteRegStr HKLM "${PRODUCT_KEY}\CommandPrompt" "Folder" "C:\users"
  !insertmacro OstrelSampleApp "TaskManager" "Task Manager" "$SYSDIR\taskmgr.exe" 0 \
      "Shows the running programs and how busy the processor is."
  !insertmacro OstrelSampleApp "RegistryEditor" "Registry Editor" "$WINDIR\regedit.exe" 0 \
      "Edits the system registry.\nFor administrators."
  WriteRegDWORD HKLM "${PRODUCT_KEY}\RegistryEditor" "AppHide" 2
!macroend

!macro OstrelUnregisterSampleApps
  DeleteRegKey HKLM "${PRODUCT_KEY}\TextEditor"
  DeleteRegKey HKLM "${PRODUCT_KEY}\CommandPrompt"
  DeleteRegKey HKLM "${PRODUCT_KEY}\TaskManager"
  DeleteRegKey HKLM "${PRODUCT_KEY}\RegistryEditor"
!macroend
