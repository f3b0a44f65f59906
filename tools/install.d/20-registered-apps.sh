#!/usr/bin/env bash
# Sample applications registered under the product key, so the catalogue shows every entry kind.
set -euo pipefail
key='HKLM\SOFTWARE\Quor Corporation\Ostrel'
add() { "$OSTREL_WINE" reg add "$key\\$1" /v "$2" /t "$3" /d "$4" /f >/dev/null; }

add TextEditor AppName REG_SZ "Text Editor"
add TextEditor AppPath REG_SZ 'C:\windows\notepad.exe'
add TextEditor Category REG_DWORD 13
add TextEditor Description REG_SZ 'Writes and edits plain text files.\nNotes, lists and configuration files.'

add CommandPrompt AppName REG_SZ "Command Prompt"
add CommandPrompt AppPath REG_SZ 'C:\windows\system32\cmd.exe'
add CommandPrompt Folder REG_SZ 'C:\users'
add CommandPrompt Category REG_DWORD 13
add CommandPrompt Description REG_SZ 'Runs commands and scripts.'

add TaskManager AppName REG_SZ "Task Manager"
add TaskManager AppPath REG_SZ 'C:\windows\system32\taskmgr.exe'
add TaskManager Category REG_DWORD 0
add TaskManager Description REG_SZ 'Shows the running programs and how busy the processor is.'

# Listed for administrators only.
add RegistryEditor AppName REG_SZ "Registry Editor"
add RegistryEditor AppPath REG_SZ 'C:\windows\regedit.exe'
add RegistryEditor AppHide REG_DWORD 2
add RegistryEditor Category REG_DWORD 0
add RegistryEditor Description REG_SZ 'Edits the system registry.\nFor administrators.'
