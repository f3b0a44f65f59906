#pragma once
// Plug-in pages in the catalogue: one entry per page class of every plug-in DLL named under the
// product key's "Plugins" subkey. Every call into plug-in code is guarded; a plug-in that throws
// contributes nothing more but never ends the program.
#include <memory>

#include "catalogue/catalogue.h"
#include "catalogue/registered_application.h"

class PluginClass;

namespace ostrel {
// One load of a plug-in DLL, shared by every entry made from it; released with the last of them.
class PluginModule {
public:
    explicit PluginModule(HMODULE module) noexcept : module_(module) {}
    ~PluginModule();
    PluginModule(const PluginModule&) = delete;
    PluginModule& operator=(const PluginModule&) = delete;
    HMODULE Get() const noexcept { return module_; }

private:
    HMODULE module_;
};
}  // namespace ostrel

class CPluginRegisteredApplication : public CRegisteredApplication {
public:
    CPluginRegisteredApplication(std::shared_ptr<ostrel::PluginModule> module, PluginClass* page);
    ~CPluginRegisteredApplication() override;

    int Initialize() override;
    int CompleteInit() override;
    void Unload() override;
    BOOL IsVisible() override;

    PluginClass* GetPluginClass() const noexcept { return m_pPluginClass; }

    UINT m_nIDD = 0;
    PluginClass* m_pPluginClass = nullptr;
    CStringW m_strClassId;

private:
    std::shared_ptr<ostrel::PluginModule> module_;
};

namespace ostrel {
// Loads every plug-in named in the registry and appends an entry for each of its pages.
void DiscoverPlugins(CCatalogue& catalogue);
}
