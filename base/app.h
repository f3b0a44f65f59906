#pragma once
// CWinApp: the one application object, a CWinThread running on the process's main thread.
#include "base/command_line.h"
#include "base/thread.h"

class CWinApp : public CWinThread {
public:
    CWinApp();
    ~CWinApp() override;

    int Run() override;
    // Hands every argument to the parser, with a leading slash or hyphen removed and flagged.
    // commandLine null means the process's own; its first word is the program and is skipped.
    static void ParseCommandLine(CCommandLineInfo& info, const wchar_t* commandLine = nullptr);

    HINSTANCE m_hInstance = nullptr;

    static CWinApp* Instance() noexcept;
};

CWinApp* AfxGetApp() noexcept;
// The application's main window, or null.
CWnd* AfxGetMainWnd() noexcept;

namespace base {
// The program's entry: InitInstance, then the message loop when it returned TRUE, else ExitInstance.
int RunApplication(HINSTANCE instance);
}
