#pragma once
// COSLApp: the application object. Its start-up answers the switches, hands a request over to an
// instance already running in this session, or becomes the running instance.
#include "base/app.h"
#include "base/handles.h"
#include "core/command_line_info.h"
#include "core/observe_app.h"
#include "common/open_request.h"
#include "common/service_host_start.h"

class CMessageDispatchWnd;

class COSLApp : public CWinApp, public CObserveApp::IObserveEvent {
public:
    // productName names the instance objects; only tests pass another one.
    explicit COSLApp(const wchar_t* productName = L"Ostrel");
    ~COSLApp() override;

    BOOL InitInstance() override;
    int ExitInstance() override;

    void OnShutdownAllRequested() override;
    void OnShutdownUserRequested() override;

    // The switch handling of start-up: TRUE when a switch decided and the process is to end.
    // isAdministrator answers for "haltAll".
    BOOL RunSwitches(const CCommandLineInfoCustom& info, BOOL (*isAdministrator)(BOOL*));

    ULONG_PTR m_gdiplusToken = 0;
    CObserveApp m_observer;
    CMessageDispatchWnd* m_pMessageWnd = nullptr;
    ostrel::RequestPayload m_payload;
    COPYDATASTRUCT m_request;

private:
    void LoadResourceModule();
    void HandOver(const CCommandLineInfoCustom& info);
    void BecomeRunningInstance(const CCommandLineInfoCustom& info);
    void CloseMainWindow();

    base::UniqueModule resourceModule_;
    CServiceHostStart serviceHost_;
};

namespace ostrel {
// The top-level dialog of this or another process with the given caption, or null.
HWND FindDialogByCaption(const wchar_t* caption);
}
