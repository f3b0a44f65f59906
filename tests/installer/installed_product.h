#pragma once
// What the setup program lays down, seen from a test: its folders, keys and shortcuts, and runs of
// the setup program and the uninstaller that wait until they have finished their work.
#include <windows.h>

#include "base/cstringw.h"

namespace installertest {

CStringW ProgramFolder();     // %ProgramFiles%\Quor\Ostrel
CStringW DataFolder();        // %ALLUSERSPROFILE%\Quor Corporation\Ostrel
CStringW UserDataFolder();    // the user's application data\Quor Corporation\Ostrel
CStringW StartMenuLink(const wchar_t* name);  // <common programs>\<name>.lnk

// Runs the setup program (OSTREL_SETUP) with the arguments; its exit code, or -1 when it could not
// be started or did not end within the time.
int RunSetup(const wchar_t* arguments);
// Runs the installed uninstaller (of ProgramFolder() when folder is empty) silently and waits for
// the copy of itself it hands the work to.
bool RunUninstaller(const CStringW& folder = CStringW());

// Waits until no process runs a program file of that name (e.g. L"Ostrel.exe").
bool WaitUntilNotRunning(const wchar_t* exeName, DWORD timeoutMs);

bool KeyExists(HKEY root, const wchar_t* path);
// A string value (REG_SZ or REG_EXPAND_SZ, not expanded); empty when missing.
CStringW RegString(HKEY root, const wchar_t* path, const wchar_t* value);
// The subkey of the Control Panel's namespace whose class names the module's strings; empty when
// there is none.
CStringW FindPanelEntry();

// Target path, arguments and (when asked for) icon location of a shell link; false when the link
// cannot be read.
bool ReadLink(const CStringW& link, CStringW* target, CStringW* arguments, CStringW* iconPath = nullptr,
              int* iconIndex = nullptr);

// Texts of every item of a tree view in another process.
bool TreeContains(HWND tree, const wchar_t* text);

}  // namespace installertest
