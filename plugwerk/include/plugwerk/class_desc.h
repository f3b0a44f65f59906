#pragma once
// The descriptor a plug-in DLL hands to the host: the list of its pages.
//
// Order of calls: the host loads the DLL, calls global_newClassDesc(nullptr) (the plug-in builds its
// ClassDesc, calls SetInstance and AddClass for each page), then GetClassCount and GetClasses(i) for
// every page, and drives each page as plugin_class.h describes.
// Ownership: the ClassDesc owns its pages and deletes them in its destructor; it lives for the whole
// run and the host never deletes it.
#include <vector>

#include "plugwerk/export.h"

class PluginClass;

class PLUGWERK_API ClassDesc {
public:
    ClassDesc();
    virtual ~ClassDesc();
    ClassDesc(const ClassDesc&) = delete;
    ClassDesc& operator=(const ClassDesc&) = delete;

    // Each plug-in names itself here (free text); nothing in the host calls it.
    virtual const wchar_t* GetPluginName() = 0;

    int GetClassCount();
    // Null when the index is not below the count.
    PluginClass* GetClasses(unsigned index);
    void SetInstance(HINSTANCE instance);
    HINSTANCE GetInstance();

protected:
    // Ignores null pages and pages without a dialog template.
    void AddClass(PluginClass* page);

    std::vector<PluginClass*> m_pages;
    HINSTANCE m_hInstance;
};
