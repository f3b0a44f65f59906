#pragma once
// CMessageDispatchWnd: the hidden main window of the running instance. It takes the open requests of
// this and later starts, opens or raises the settings and status windows on their own threads, owns
// the catalogue, and ends the process when it is closed or the last window thread has ended.
#include "catalogue/catalogue_owner.h"
#include "core/work_thread.h"

class CMessageDispatchWnd : public CCatalogueOwner {
public:
    static constexpr const wchar_t* kTitle = L"OSL Main Message window";
    static constexpr UINT_PTR kDeferredInitTimer = 1;
    static constexpr UINT kDeferredInitDelayMs = 50;
    // How long the deferred initialisation waits, in timer periods, for a window still being made.
    static constexpr UINT kDeferredInitMaxWaits = 40;

    CMessageDispatchWnd();
    ~CMessageDispatchWnd() override;

    // Creates the hidden window, then builds the catalogue. FALSE when the window cannot be made.
    BOOL Create();
    // The start-up's order: the hidden window first, with the catalogue marked as being built, so
    // that the first request's window can be made beside the building; then FinishCatalogue.
    BOOL CreateBeforeCatalogue();
    void FinishCatalogue();

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

    // Fills the catalogue from its sources; entries that are not to be listed are never appended.
    virtual void BuildCatalogue();
    void AppendRegistryApplications();
    // The status window's entry, knowing how many plug-in pages came before it.
    void AppendStatusEntry();

private:
    void OnCopyData(const COPYDATASTRUCT* data);
    void OpenSettingsWindow(const CStringW& classId);
    void OpenStatusWindow();
    BOOL IsStatusWindowOffered();
    void OnDeferredInit();
    void OnCloseRequest();
    void OnThreadEnded(WPARAM serial);
    // Destroys the window, ending the process, when no window thread runs; TRUE when it did.
    BOOL EndIfNoWindowThread();
    BOOL WindowStillOpening() const;
    // Deletes a thread object whose thread has ended (a terminated one is left alone).
    template <typename Thread>
    static void ReleaseThread(Thread*& thread);

    COSLThread* m_pSettingsThread = nullptr;
    CPMXThread* m_pStatusThread = nullptr;
    BOOL m_bTimerArmed = FALSE;
    UINT m_nDeferredWaits = 0;
    HRESULT comInit_;
};
