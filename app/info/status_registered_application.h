#pragma once
// CStatusRegisteredApplication: the status window's entry in the catalogue. Launching it opens the
// status window; it is offered only when the model configuration has the status feature loaded and
// enough plug-in pages exist to report anything worth a window of its own.
#include "catalogue/registered_application.h"

class CStatusRegisteredApplication : public CRegisteredApplication {
public:
    static constexpr const wchar_t* kKey = L"StatusInfo";
    static constexpr int kIconIndex = 133;
    // More plug-in entries than this make the status window worth offering.
    static constexpr unsigned kFewestPluginsExcluded = 2;

    CStatusRegisteredApplication();

    int Initialize() override;
    int CompleteInit() override { return 1; }
    void Unload() override {}
    BOOL IsVisible() override;

    // Set by the catalogue's builder once the plug-in pages are known.
    unsigned m_nPluginCount = 0;
};
