#pragma once
// CCatalogueOwner: the window that owns the process's catalogue. The message window is the one there
// is; the settings and status windows are handed it by this class, so they can walk the catalogue,
// raise priorities through its re-sort event and send it open requests without knowing what else
// the message window does.
#include "base/window.h"
#include "catalogue/catalogue.h"

class CCatalogueOwner : public CWnd {
public:
    CCatalogue& Catalogue() noexcept { return catalogue_; }
    // Set it after raising entries' priorities to have them completed sooner.
    HANDLE ResortEvent() const noexcept { return catalogue_.ResortEvent(); }

protected:
    CCatalogue catalogue_;
};
