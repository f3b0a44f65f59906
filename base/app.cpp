#include "base/app.h"

#include <shellapi.h>
#include <stdlib.h>

namespace {
CWinApp* g_app = nullptr;
}

CWinApp::CWinApp() {
    g_app = this;
    m_bAutoDelete = FALSE;
}

CWinApp::~CWinApp() {
    if (g_app == this) g_app = nullptr;
}

CWinApp* CWinApp::Instance() noexcept { return g_app; }
CWinApp* AfxGetApp() noexcept { return g_app; }
CWnd* AfxGetMainWnd() noexcept { return g_app ? g_app->m_pMainWnd : nullptr; }

int CWinApp::Run() {
    // With no main window there is nothing to wait for: the loop ends at once.
    if (!m_pMainWnd) ::PostQuitMessage(0);
    return CWinThread::Run();
}

void CWinApp::ParseCommandLine(CCommandLineInfo& info, const wchar_t* commandLine) {
    int argc = 0;
    LPWSTR* argv = ::CommandLineToArgvW(commandLine ? commandLine : ::GetCommandLineW(), &argc);
    if (!argv) return;
    for (int i = 1; i < argc; ++i) {
        const wchar_t* arg = argv[i];
        BOOL flag = FALSE;
        if (arg[0] == L'/' || arg[0] == L'-') {
            flag = TRUE;
            ++arg;
        }
        info.ParseParam(arg, flag, i == argc - 1);
    }
    ::LocalFree(argv);
}

namespace base {
int RunApplication(HINSTANCE instance) {
    CWinApp* app = CWinApp::Instance();
    if (!app) return -1;
    app->m_hInstance = instance;
    app->BindMainThread();
    if (!app->InitInstance()) return app->ExitInstance();
    return app->Run();
}
}  // namespace base
