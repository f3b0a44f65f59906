#include "core/osl_app.h"

#include <commctrl.h>
#include <gdiplus.h>

#include "base/resource_module.h"
#include "common/administrator.h"
#include "core/message_dispatch_wnd.h"
#include "common/setting_services.h"
#include "core/start_menu_link.h"
#include "resource.h"

namespace ostrel {
HWND FindDialogByCaption(const wchar_t* caption) {
    // The standard dialog class atom: both windows are dialogs made from templates.
    return ::FindWindowW(MAKEINTATOM(0x8002), caption);
}
}  // namespace ostrel

namespace {
constexpr UINT kHandOverTimeoutMs = 5000;

void RaiseDialog(HWND dialog, bool fully) {
    ::ShowWindow(dialog, SW_RESTORE);
    ::SetForegroundWindow(dialog);
    if (fully) {
        ::BringWindowToTop(dialog);
        ::SetActiveWindow(dialog);
    }
}
}  // namespace

COSLApp::COSLApp(const wchar_t* productName) : m_observer(productName) {
    memset(&m_payload, 0, sizeof(m_payload));
    memset(&m_request, 0, sizeof(m_request));
}

COSLApp::~COSLApp() { delete m_pMessageWnd; }

void COSLApp::LoadResourceModule() {
    resourceModule_ = base::LoadLocalisedModule(base::ExecutableFolder(), L"Ostrel.exe.mui");
    if (resourceModule_) base::SetResourceModule(resourceModule_.get());
}

BOOL COSLApp::RunSwitches(const CCommandLineInfoCustom& info, BOOL (*isAdministrator)(BOOL*)) {
    if (info.m_bHalt) {
        m_observer.SignalUserShutdown();
        return TRUE;
    }
    if (info.m_bHaltAll) {
        BOOL admin = FALSE;
        if (isAdministrator && isAdministrator(&admin) && admin) m_observer.SignalAllShutdown();
        return TRUE;
    }
    if (info.m_bInstall) {
        CreateStartMenuLink(IDS_SETTINGS_WINDOW_CAPTION, L"/OSL", ICON_POSITION_SETTINGS);
        if (ostrel::IsClassLoaded(ostrel::kStatusFeatureClassId)) {
            CreateStartMenuLink(IDS_STATUS_WINDOW_CAPTION, L"/PMX", ICON_POSITION_STATUS);
        }
        return TRUE;
    }
    if (info.m_bUnInstall) {
        DeleteStartMenuLink(IDS_SETTINGS_WINDOW_CAPTION);
        DeleteStartMenuLink(IDS_STATUS_WINDOW_CAPTION);
        return TRUE;
    }
    return FALSE;
}

BOOL COSLApp::InitInstance() {
    ::SystemParametersInfoW(SPI_SETFOREGROUNDLOCKTIMEOUT, 0, nullptr, SPIF_UPDATEINIFILE | SPIF_SENDCHANGE);
    INITCOMMONCONTROLSEX controls = {sizeof(controls), 0xFF};
    ::InitCommonControlsEx(&controls);
    LoadResourceModule();

    CCommandLineInfoCustom info;
    ParseCommandLine(info);
    if (RunSwitches(info, IsAdministrator)) return FALSE;

    if (m_observer.IsRunning()) {
        HandOver(info);
        return TRUE;
    }
    BecomeRunningInstance(info);
    return TRUE;
}

void COSLApp::HandOver(const CCommandLineInfoCustom& info) {
    HWND messageWindow = ::FindWindowW(nullptr, CMessageDispatchWnd::kTitle);
    if (!messageWindow) return;
    ostrel::FillRequestPayload(m_payload, info.m_strClassId, info.m_bClassId);
    m_request.dwData = info.m_bMainMode ? ostrel::REQ_OPEN_MAIN : ostrel::REQ_OPEN_STATUS;
    CStringW caption = base::LoadResString(info.m_bMainMode ? IDS_SETTINGS_WINDOW_CAPTION : IDS_STATUS_WINDOW_CAPTION);
    if (HWND dialog = ostrel::FindDialogByCaption(caption)) RaiseDialog(dialog, false);
    m_request.cbData = ostrel::kRequestPayloadBytes;
    m_request.lpData = &m_payload;
    if (::IsWindow(messageWindow)) {
        // Bounded: the running instance's main thread may be busy completing a plug-in, and a start
        // must not wait on it for as long as the plug-in takes.
        DWORD_PTR result = 0;
        ::SendMessageTimeoutW(messageWindow, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&m_request),
                              SMTO_BLOCK | SMTO_ABORTIFHUNG, kHandOverTimeoutMs, &result);
    }
    ::Sleep(500);  // the running instance opens its window on another thread; give it that moment
    if (HWND dialog = ostrel::FindDialogByCaption(caption)) RaiseDialog(dialog, true);
}

void COSLApp::BecomeRunningInstance(const CCommandLineInfoCustom& info) {
    serviceHost_.Begin();
    m_observer.SetSink(this);
    m_observer.Start();

    Gdiplus::GdiplusStartupInput input;
    Gdiplus::GdiplusStartup(&m_gdiplusToken, &input, nullptr);

    auto* window = new CMessageDispatchWnd;
    if (!window->CreateBeforeCatalogue()) {
        delete window;
        return;
    }
    m_pMessageWnd = window;
    m_pMainWnd = window;

    ostrel::FillRequestPayload(m_payload, info.m_strClassId, info.m_bClassId);
    m_request.dwData = info.m_bMainMode ? ostrel::REQ_OPEN_MAIN : ostrel::REQ_OPEN_STATUS;
    m_request.cbData = ostrel::kRequestPayloadBytes;
    m_request.lpData = &m_payload;
    // The settings window is made on its own thread while this one builds the catalogue, and waits
    // for it only when it comes to list it. Whether the status window is offered at all is read from
    // the catalogue, so that request waits for the whole of it. The window reads its place through
    // this process's holder of the service, which is made here first: the holder's COM initialisation
    // is undone at exit on this thread, so it must have been made on this thread. It is the process's
    // first activation, so it waits for the host started above.
    serviceHost_.WaitUntilReady();
    GetSettingServices();
    if (!info.m_bMainMode) window->FinishCatalogue();
    window->SendMessage(WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&m_request));
    if (info.m_bMainMode && window->IsWindow()) window->FinishCatalogue();
}

int COSLApp::ExitInstance() {
    delete m_pMessageWnd;
    m_pMessageWnd = nullptr;
    m_pMainWnd = nullptr;
    ReleaseSettingServices();
    if (m_gdiplusToken) Gdiplus::GdiplusShutdown(m_gdiplusToken);
    m_gdiplusToken = 0;
    return CWinApp::ExitInstance();
}

void COSLApp::CloseMainWindow() {
    // Called on the watcher thread: only post.
    CWnd* main = m_pMainWnd;
    if (main && ::IsWindow(main->m_hWnd)) ::PostMessageW(main->m_hWnd, WM_CLOSE, 0, 0);
}

void COSLApp::OnShutdownAllRequested() { CloseMainWindow(); }
void COSLApp::OnShutdownUserRequested() { CloseMainWindow(); }
