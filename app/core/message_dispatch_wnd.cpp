#include "core/message_dispatch_wnd.h"

#include "catalogue/plugin_registered_application.h"
#include "catalogue/xml_registered_application.h"
#include "common/open_request.h"
#include "common/setting_services.h"
#include "info/status_registered_application.h"
#include "info/sys_info_registered_application.h"
#include "window/main_dlg.h"

template <typename Thread>
void CMessageDispatchWnd::ReleaseThread(Thread*& thread) {
    if (!thread) return;
    // The ended message is posted just before the thread returns; give it that moment to finish.
    if (thread->m_hThread && ::WaitForSingleObject(thread->m_hThread, 5000) == WAIT_OBJECT_0) delete thread;
    thread = nullptr;
}

CMessageDispatchWnd::CMessageDispatchWnd() : comInit_(::CoInitializeEx(nullptr, COINIT_MULTITHREADED)) {}

CMessageDispatchWnd::~CMessageDispatchWnd() {
    if (m_hWnd) DestroyWindow();
    StopThread(m_pSettingsThread);
    StopThread(m_pStatusThread);
    ReleaseThread(m_pSettingsThread);
    ReleaseThread(m_pStatusThread);
    catalogue_.Clear();
    if (SUCCEEDED(comInit_)) ::CoUninitialize();
}

BOOL CMessageDispatchWnd::Create() {
    if (!CreateBeforeCatalogue()) return FALSE;
    FinishCatalogue();
    return TRUE;
}

BOOL CMessageDispatchWnd::CreateBeforeCatalogue() {
    RECT empty = {0, 0, 0, 0};
    if (!CreateEx(0, nullptr, kTitle, 0, empty, ::GetDesktopWindow(), 0)) return FALSE;
    catalogue_.BeginBuilding();
    return TRUE;
}

void CMessageDispatchWnd::FinishCatalogue() {
    // Marked built whatever happens: a window waiting for the catalogue must never wait for ever.
    struct EndBuilding {
        CCatalogue& catalogue;
        ~EndBuilding() { catalogue.EndBuilding(); }
    } end{catalogue_};
    BuildCatalogue();
}

void CMessageDispatchWnd::BuildCatalogue() {
    // Sources, in listing order: plug-in pages, registry applications, applications registered with
    // the settings service, the status entry, the system-information entry.
    ostrel::DiscoverPlugins(catalogue_);
    AppendRegistryApplications();
    AppendXmlRegisteredApplications(catalogue_);
    AppendStatusEntry();
    auto* systemInfo = new CSysInfoRegisteredApplication;
    if (systemInfo->Initialize() == 1) {
        catalogue_.Append(systemInfo);
    } else {
        delete systemInfo;
    }
}

void CMessageDispatchWnd::AppendStatusEntry() {
    auto* status = new CStatusRegisteredApplication;
    if (status->Initialize() != 1) {
        delete status;
        return;
    }
    catalogue_.Walk([&](const CCatalogue::Entries& entries) {
        for (CRegisteredApplication* entry : entries) {
            if (entry->GetEntryType() == ENTRY_PLUGIN_PAGE) ++status->m_nPluginCount;
        }
    });
    catalogue_.Append(status);
}

void CMessageDispatchWnd::AppendRegistryApplications() {
    for (DWORD index = 0;; ++index) {
        auto* entry = new CRegisteredApplication;
        int result = entry->ReadByIndex(index);
        if (result == 2) {
            delete entry;
            break;
        }
        if (result == 0) {
            delete entry;
        } else {
            catalogue_.Append(entry);
        }
    }
}

LRESULT CMessageDispatchWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_COPYDATA:
        OnCopyData(reinterpret_cast<const COPYDATASTRUCT*>(lParam));
        if (!m_hWnd) return 0;
        break;
    case WM_TIMER:
        OnDeferredInit();
        break;
    case WM_CLOSE:
        OnCloseRequest();
        return 0;  // already destroyed; the default handling would only try again
    case WM_OSL_THREAD_ENDED:
        OnThreadEnded(wParam);
        if (!m_hWnd) return 0;
        break;
    }
    return Default();
}

void CMessageDispatchWnd::OnCopyData(const COPYDATASTRUCT* data) {
    if (!data) return;
    ULONG_PTR code = 0;
    CStringW classId;
    // Requests come from any process: a payload too short for the protocol is ignored whole.
    if (!ostrel::ReadOpenRequest(data, &code, &classId)) return;
    if (code == ostrel::REQ_OPEN_MAIN) {
        OpenSettingsWindow(classId);
    } else if (code == ostrel::REQ_OPEN_STATUS) {
        OpenStatusWindow();
    }
    if (EndIfNoWindowThread()) return;
    if (!m_bTimerArmed) {
        SetTimer(kDeferredInitTimer, kDeferredInitDelayMs);
        m_bTimerArmed = TRUE;
    }
}

BOOL CMessageDispatchWnd::EndIfNoWindowThread() {
    // An instance that shows nothing must not live on: it holds the instance mutex, so every later
    // start would hand its request to it and show nothing either.
    if (IsThreadRunning(m_pSettingsThread) || IsThreadRunning(m_pStatusThread)) return FALSE;
    DestroyWindow();
    return TRUE;
}

void CMessageDispatchWnd::OpenSettingsWindow(const CStringW& classId) {
    if (IsThreadRunning(m_pSettingsThread)) {
        HWND hwnd = m_pSettingsThread->MainWindowHandle();
        // The window belongs to its own thread: it is asked, not called.
        if (!classId.IsEmpty() && hwnd) COSLMainDlg::PostSelectClass(hwnd, classId);
        BringThreadWindow(m_pSettingsThread, SW_RESTORE);
        BringThreadWindow(m_pSettingsThread, SW_SHOW);
        return;
    }
    ReleaseThread(m_pSettingsThread);
    auto* thread = new (std::nothrow) COSLThread(m_hWnd);
    if (!thread) return;
    thread->m_strClassId = classId;
    thread->m_pOwner = this;
    if (!thread->CreateThread()) {
        delete thread;
        return;
    }
    m_pSettingsThread = thread;
}

BOOL CMessageDispatchWnd::IsStatusWindowOffered() {
    if (!ostrel::IsClassLoaded(ostrel::kStatusFeatureClassId)) return FALSE;
    BOOL offered = FALSE;
    catalogue_.Walk([&](const CCatalogue::Entries& entries) {
        for (CRegisteredApplication* entry : entries) {
            if (entry->GetEntryType() == ENTRY_STATUS_PAGE) offered = entry->IsVisible();
        }
    });
    return offered;
}

void CMessageDispatchWnd::OpenStatusWindow() {
    if (!IsStatusWindowOffered()) return;
    if (IsThreadRunning(m_pStatusThread)) {
        BringThreadWindow(m_pStatusThread, SW_RESTORE);
        BringThreadWindow(m_pStatusThread, SW_SHOW);
        return;
    }
    ReleaseThread(m_pStatusThread);
    auto* thread = new (std::nothrow) CPMXThread(m_hWnd);
    if (!thread) return;
    thread->m_pOwner = this;
    if (!thread->CreateThread()) {
        delete thread;
        return;
    }
    m_pStatusThread = thread;
}

BOOL CMessageDispatchWnd::WindowStillOpening() const {
    for (const CWorkThread* thread : {static_cast<const CWorkThread*>(m_pSettingsThread),
                                      static_cast<const CWorkThread*>(m_pStatusThread)}) {
        if (!IsThreadRunning(thread)) continue;
        HWND window = thread->MainWindowHandle();
        if (!window || !::IsWindowVisible(window)) return TRUE;
    }
    return FALSE;
}

void CMessageDispatchWnd::OnDeferredInit() {
    ::KillTimer(m_hWnd, kDeferredInitTimer);
    // The completion loads plug-ins and calls the settings service on this thread. Run beside the
    // making of the window that the first request opened, it held that window back by as long as it
    // took itself, so it waits until the window shows (for a bounded time: a window may stay hidden).
    if (WindowStillOpening() && m_nDeferredWaits < kDeferredInitMaxWaits) {
        ++m_nDeferredWaits;
        SetTimer(kDeferredInitTimer, kDeferredInitDelayMs);
        return;
    }
    if (catalogue_.IsEmpty()) return;
    HRESULT init = ::CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    if (FAILED(init) && init != RPC_E_CHANGED_MODE) return;
    catalogue_.CompleteAll([] {
        CSettingServices* services = GetSettingServices();
        if (services && services->Settory()) services->Settory()->Reload();
    });
    if (init != RPC_E_CHANGED_MODE) ::CoUninitialize();
}

void CMessageDispatchWnd::OnCloseRequest() {
    StopThread(m_pSettingsThread);
    StopThread(m_pStatusThread);
    DestroyWindow();
}

void CMessageDispatchWnd::OnThreadEnded(WPARAM serial) {
    // Matched by serial: a message from a thread that an open request has already replaced may still
    // be queued, and the new thread object can sit at the old one's address.
    if (m_pSettingsThread && m_pSettingsThread->Serial() == serial) {
        ReleaseThread(m_pSettingsThread);
    } else if (m_pStatusThread && m_pStatusThread->Serial() == serial) {
        ReleaseThread(m_pStatusThread);
    } else {
        return;  // not one of ours (or already forgotten): never touch it
    }
    EndIfNoWindowThread();
}

