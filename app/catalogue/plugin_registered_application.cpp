#include "catalogue/plugin_registered_application.h"

#include "base/handles.h"
#include "base/plugin_list.h"
#include "plugwerk/plugwerk.h"

namespace ostrel {

PluginModule::~PluginModule() {
    if (module_) ::FreeLibrary(module_);
}

namespace {
template <typename Result, typename Call>
Result Guarded(Result fallback, Call call) {
    try {
        return call();
    } catch (...) {
        return fallback;
    }
}

void AppendPagesOf(CCatalogue& catalogue, const CStringW& path) {
    HMODULE raw = ::LoadLibraryW(path);
    if (!raw) return;
    auto module = std::make_shared<PluginModule>(raw);
    auto factory = reinterpret_cast<PlugwerkFactory>(::GetProcAddress(raw, PLUGWERK_FACTORY_NAME));
    if (!factory) return;  // the module is released with its last reference, here
    ClassDesc* descriptor = Guarded<ClassDesc*>(nullptr, [&] { return factory(nullptr); });
    if (!descriptor) return;
    int count = descriptor->GetClassCount();
    for (int i = 0; i < count; ++i) {
        PluginClass* page = descriptor->GetClasses(static_cast<unsigned>(i));
        if (!page) continue;
        auto* entry = new CPluginRegisteredApplication(module, page);
        entry->m_strAppPath = path;
        int result = entry->Initialize();
        if (result == 0 || result == 2) {
            delete entry;
            if (result == 2) break;
            continue;
        }
        catalogue.Append(entry);
    }
}
}  // namespace

void DiscoverPlugins(CCatalogue& catalogue) {
    base::UniqueHKey key;
    if (OpenProductKey(L"Plugins", key.put()) != ERROR_SUCCESS) return;
    for (const CStringW& path : base::PluginPathsIn(key.get())) {
        try {
            AppendPagesOf(catalogue, path);
        } catch (...) {
            // That plug-in is abandoned; the next one is read.
        }
    }
}

}  // namespace ostrel

CPluginRegisteredApplication::CPluginRegisteredApplication(std::shared_ptr<ostrel::PluginModule> module,
                                                           PluginClass* page)
    : m_pPluginClass(page), module_(std::move(module)) {
    m_nType = ENTRY_PLUGIN_PAGE;
    m_nPriority = 2;
    m_hModule = module_ ? module_->Get() : nullptr;
}

CPluginRegisteredApplication::~CPluginRegisteredApplication() = default;

int CPluginRegisteredApplication::Initialize() {
    PluginClass* page = m_pPluginClass;
    m_nCategory = page->GetCategory();
    if (m_nCategory == 255) m_nCategory = 14;
    wchar_t classId[PLUGWERK_ID_CHARS] = {};
    page->GetClassID(classId);
    classId[PLUGWERK_ID_CHARS - 1] = L'\0';
    m_strClassId = classId;
    m_strKey = classId;
    m_nIDD = page->GetIDD();
    m_hReadyEvent = ostrel::CreateReadyEvent();

    wchar_t resPath[PLUGWERK_PATH_CHARS] = {};
    page->GetResPath(resPath);
    resPath[PLUGWERK_PATH_CHARS - 1] = L'\0';
    m_strIconPath = resPath[0] ? CStringW(resPath) : m_strAppPath;
    m_nIconIndex = static_cast<int>(page->GetIcon());

    base::UniqueModule strings(::LoadLibraryExW(m_strIconPath, nullptr, LOAD_LIBRARY_AS_DATAFILE));
    if (strings) {
        m_strName.LoadString(strings.get(), page->GetName());
        m_strDescription.LoadString(strings.get(), page->GetDescription());
    }
    strings.reset();
    if (page->GetIcon() != 0) m_hSmallIcon = LoadAppIcon(16);
    return 1;
}

int CPluginRegisteredApplication::CompleteInit() {
    PluginClass* page = m_pPluginClass;
    if (!page) return 0;
    if (m_hReadyEvent && ::WaitForSingleObject(m_hReadyEvent, 0) == WAIT_OBJECT_0) return 0;
    if (page->InitClass() != 0) return 0;

    wchar_t helpPath[PLUGWERK_PATH_CHARS] = {};
    unsigned option1 = 0;
    unsigned option2 = 0;
    page->GetHelpItem(helpPath, option1, option2);
    helpPath[PLUGWERK_PATH_CHARS - 1] = L'\0';
    m_strHelpPath = helpPath;
    m_nHelpOption1 = option1;
    m_nHelpOption2 = option2;

    wchar_t path[PLUGWERK_PATH_CHARS] = {};
    wchar_t option[PLUGWERK_ID_CHARS] = {};
    wchar_t folder[PLUGWERK_ID_CHARS] = {};
    page->GetStartItem(path, option, folder);
    path[PLUGWERK_PATH_CHARS - 1] = option[PLUGWERK_ID_CHARS - 1] = folder[PLUGWERK_ID_CHARS - 1] = L'\0';
    m_strAppPath = path;
    m_strAppOption = option;
    m_strFolder = folder;

    if (m_hReadyEvent) ::SetEvent(m_hReadyEvent);
    return 1;
}

void CPluginRegisteredApplication::Unload() {
    if (m_hReadyEvent) ::CloseHandle(m_hReadyEvent);
    m_hReadyEvent = nullptr;
    module_.reset();
}

BOOL CPluginRegisteredApplication::IsVisible() {
    if (!m_pPluginClass) return FALSE;
    return ostrel::Guarded(false, [&] { return m_pPluginClass->IsShow(); }) ? TRUE : FALSE;
}
