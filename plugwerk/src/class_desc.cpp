#include "plugwerk/class_desc.h"

#include "plugwerk/plugin_class.h"

ClassDesc::ClassDesc() : m_hInstance(nullptr) {}

ClassDesc::~ClassDesc() {
    for (PluginClass* page : m_pages) delete page;
    m_pages.clear();
}

int ClassDesc::GetClassCount() { return static_cast<int>(m_pages.size()); }

PluginClass* ClassDesc::GetClasses(unsigned index) { return index < m_pages.size() ? m_pages[index] : nullptr; }

void ClassDesc::SetInstance(HINSTANCE instance) { m_hInstance = instance; }
HINSTANCE ClassDesc::GetInstance() { return m_hInstance; }

void ClassDesc::AddClass(PluginClass* page) {
    if (page && page->GetIDD() != 0) m_pages.push_back(page);
}
