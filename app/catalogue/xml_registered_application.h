#pragma once
// CXMLRegisteredApplication: a catalogue entry for an application registered through the settings
// service's registration files. After Initialize it behaves like a registry-registered application:
// same fields, icons, launching and hide rule.
//
// Registration files can be written by any user, so a probe they name is run only from a folder that
// standard users cannot write to (catalogue/probe_location.h); a probe anywhere else counts as a
// failed probe and the application is not listed.
#include "Settory_h.h"
#include "catalogue/catalogue.h"
#include "catalogue/registered_application.h"

class CXMLRegisteredApplication : public CRegisteredApplication {
public:
    // The interface is borrowed, not referenced: it is used only inside Initialize, while the
    // enumeration that made the entry still holds it and still stands on this application.
    CXMLRegisteredApplication(IOSLRegApplication* source, const wchar_t* name);

    // 1 to append the entry, 0 to discard it; never 2.
    int Initialize() override;

    IOSLRegApplication* m_pRegApplication = nullptr;
};

// Appends an entry for every application the service enumerates and Initialize accepts. A null
// source, or an Init that fails, appends nothing.
void AppendXmlRegisteredApplications(CCatalogue& catalogue, IOSLRegApplication* source);

// The same with the setting-services holder's interface, which is released afterwards: the
// enumeration is its last use in the run.
void AppendXmlRegisteredApplications(CCatalogue& catalogue);
