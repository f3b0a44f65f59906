#include <gtest/gtest.h>

#include <thread>

#include "catalogue/plugin_registered_application.h"
#include "support/fixtures.h"
#include "testdata/plugins/hostile_pages.h"

namespace {

using testsupport::BinFile;

class PluginDiscovery : public testing::Test {
protected:
    void SetUp() override {
        ostrel::SetProductKeyForTests(HKEY_CURRENT_USER, scratch_.SubkeyPath());
        ::RegCreateKeyExW(scratch_.Get(), L"Plugins", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, plugins_.put(), nullptr);
    }
    void TearDown() override { ostrel::SetProductKeyForTests(nullptr, nullptr); }

    void Register(const wchar_t* name, const CStringW& path) {
        ::RegSetValueExW(plugins_.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(path.GetString()),
                         static_cast<DWORD>((path.GetLength() + 1) * sizeof(wchar_t)));
    }
    static std::vector<CPluginRegisteredApplication*> Entries(CCatalogue& catalogue) {
        std::vector<CPluginRegisteredApplication*> out;
        catalogue.Walk([&](const CCatalogue::Entries& all) {
            for (auto* e : all) out.push_back(dynamic_cast<CPluginRegisteredApplication*>(e));
        });
        return out;
    }
    static bool Loaded(const wchar_t* file) { return ::GetModuleHandleW(BinFile(file)) != nullptr; }

    testsupport::ScratchKey scratch_;
    base::UniqueHKey plugins_;
};

TEST_F(PluginDiscovery, NoPluginsKeyOrAnEmptyOneMakesNoEntries) {
    CCatalogue catalogue;
    ostrel::DiscoverPlugins(catalogue);
    EXPECT_TRUE(catalogue.IsEmpty());
    ostrel::SetProductKeyForTests(HKEY_CURRENT_USER, L"Software\\OstrelTests\\NoSuchProduct");
    ostrel::DiscoverPlugins(catalogue);
    EXPECT_TRUE(catalogue.IsEmpty());
}

TEST_F(PluginDiscovery, BrokenPluginsContributeNothingAndTheNextIsStillRead) {
    Register(L"a", BinFile(L"TestPlugin_no_export.dll"));
    Register(L"b", BinFile(L"TestPlugin_throws.dll"));
    Register(L"c", BinFile(L"TestPlugin_null.dll"));
    Register(L"d", L"C:\\nowhere\\missing.dll");
    Register(L"e", BinFile(L"TestPlugin_three.dll"));
    CCatalogue catalogue;
    ostrel::DiscoverPlugins(catalogue);
    std::vector<CPluginRegisteredApplication*> entries = Entries(catalogue);
    ASSERT_EQ(3u, entries.size());
    EXPECT_FALSE(Loaded(L"TestPlugin_no_export.dll"));  // released at once
    EXPECT_TRUE(Loaded(L"TestPlugin_three.dll"));
}

TEST_F(PluginDiscovery, OneDllWithThreePagesIsLoadedOnceAndReleasedWithTheLastEntry) {
    Register(L"three", BinFile(L"TestPlugin_three.dll"));
    auto catalogue = std::make_unique<CCatalogue>();
    ostrel::DiscoverPlugins(*catalogue);
    std::vector<CPluginRegisteredApplication*> entries = Entries(*catalogue);
    ASSERT_EQ(3u, entries.size());
    HMODULE module = ::GetModuleHandleW(BinFile(L"TestPlugin_three.dll"));
    ASSERT_NE(nullptr, module);
    for (auto* e : entries) {
        ASSERT_NE(nullptr, e);
        EXPECT_EQ(module, e->m_hModule);
        EXPECT_EQ(ENTRY_PLUGIN_PAGE, e->GetEntryType());
        EXPECT_EQ(200u, e->m_nIDD);
        EXPECT_STREQ(BinFile(L"TestPlugin_three.dll"), e->m_strAppPath);
        EXPECT_STREQ(e->m_strClassId, e->m_strKey);
        EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), ::WaitForSingleObject(e->GetReadyEvent(), 0));
    }
    // Category 255 is listed under 14; strings come from the plug-in unless its resource path says otherwise.
    EXPECT_EQ(14u, entries[0]->m_nCategory);
    EXPECT_STREQ(L"Alpha page", entries[0]->m_strName);
    EXPECT_STREQ(L"Alpha settings\nfor testing", entries[0]->m_strDescription);
    EXPECT_NE(nullptr, entries[0]->m_hSmallIcon);
    EXPECT_STREQ(L"Display tools", entries[1]->m_strName);
    EXPECT_STREQ(BinFile(L"EntryResources.dll"), entries[1]->m_strIconPath);
    EXPECT_EQ(nullptr, entries[1]->m_hSmallIcon);

    catalogue.reset();
    EXPECT_EQ(nullptr, ::GetModuleHandleW(BinFile(L"TestPlugin_three.dll")));
}

TEST_F(PluginDiscovery, CompletionTakesStartAndHelpItemsOnce) {
    Register(L"three", BinFile(L"TestPlugin_three.dll"));
    CCatalogue catalogue;
    ostrel::DiscoverPlugins(catalogue);
    std::vector<CPluginRegisteredApplication*> entries = Entries(catalogue);
    ASSERT_EQ(3u, entries.size());
    CPluginRegisteredApplication* alpha = entries[0];
    EXPECT_EQ(1, alpha->CompleteInit());
    EXPECT_EQ(static_cast<DWORD>(WAIT_OBJECT_0), ::WaitForSingleObject(alpha->GetReadyEvent(), 0));
    EXPECT_STREQ(L"C:\\Tools\\start.exe", alpha->m_strAppPath);
    EXPECT_STREQ(L"/page", alpha->m_strAppOption);
    EXPECT_STREQ(L"C:\\Tools", alpha->m_strFolder);
    EXPECT_STREQ(L"C:\\Tools\\help.chm", alpha->m_strHelpPath);
    EXPECT_EQ(1u, alpha->m_nHelpOption1);
    EXPECT_EQ(7u, alpha->m_nHelpOption2);
    alpha->m_strAppPath = L"changed";
    EXPECT_EQ(0, alpha->CompleteInit());
    EXPECT_STREQ(L"changed", alpha->m_strAppPath);
    // A page whose own initialisation fails stays listed but is never completed.
    CPluginRegisteredApplication* gamma = entries[2];
    EXPECT_EQ(0, gamma->CompleteInit());
    EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), ::WaitForSingleObject(gamma->GetReadyEvent(), 0));
    EXPECT_TRUE(gamma->IsVisible());
}

TEST_F(PluginDiscovery, ValueTooLongForItsBufferEndsTheListKeepingEarlierPlugins) {
    Register(L"first", BinFile(L"TestPlugin_three.dll"));
    Register(L"second", CStringW(L'x', 300));
    Register(L"third", BinFile(L"TestPlugin_null.dll"));
    CCatalogue catalogue;
    ostrel::DiscoverPlugins(catalogue);
    EXPECT_EQ(3u, catalogue.Count());
    EXPECT_FALSE(Loaded(L"TestPlugin_null.dll"));
}

// Pages that throw from every call, hold nothing, or block in their initialisation: discovery lists
// what it can, completion goes on past the throwing page, and the blocking one holds up only itself
// and what comes after it until it returns.
TEST_F(PluginDiscovery, HostilePagesAreListedAndCompletedAsFarAsTheyAllow) {
    base::UniqueHandle release(::CreateEventW(nullptr, TRUE, FALSE, HOSTILE_RELEASE_EVENT));
    ASSERT_TRUE(release.valid());
    Register(L"hostile", BinFile(L"TestPlugin_hostile.dll"));
    CCatalogue catalogue;
    ostrel::DiscoverPlugins(catalogue);
    std::vector<CPluginRegisteredApplication*> entries = Entries(catalogue);
    // The null page is skipped; the others are listed in their order.
    ASSERT_EQ(4u, entries.size());
    CPluginRegisteredApplication* throwing = entries[0];
    CPluginRegisteredApplication* empty = entries[1];
    CPluginRegisteredApplication* quiet = entries[2];
    CPluginRegisteredApplication* blocking = entries[3];
    EXPECT_STREQ(L"Throwing page", throwing->m_strName);
    EXPECT_STREQ(HOSTILE_THROWING_ID, throwing->m_strClassId);
    EXPECT_TRUE(throwing->IsVisible());
    // Nothing to read for the empty page: its strings and resource module are missing.
    EXPECT_STREQ(L"", empty->m_strName);
    EXPECT_STREQ(L"", empty->m_strDescription);
    EXPECT_STREQ(L"", empty->m_strClassId);
    EXPECT_EQ(nullptr, empty->m_hSmallIcon);
    EXPECT_FALSE(empty->IsVisible());  // its CanShow throws

    std::thread completion([&] { catalogue.CompleteAll(nullptr); });
    // The throwing page's ready event is set so that no waiter hangs on it; the pages after it complete.
    EXPECT_EQ(static_cast<DWORD>(WAIT_OBJECT_0), ::WaitForSingleObject(quiet->GetReadyEvent(), 15000));
    EXPECT_EQ(static_cast<DWORD>(WAIT_OBJECT_0), ::WaitForSingleObject(throwing->GetReadyEvent(), 0));
    EXPECT_EQ(static_cast<DWORD>(WAIT_OBJECT_0), ::WaitForSingleObject(empty->GetReadyEvent(), 0));
    EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), ::WaitForSingleObject(blocking->GetReadyEvent(), 200));
    ::SetEvent(release.get());
    EXPECT_EQ(static_cast<DWORD>(WAIT_OBJECT_0), ::WaitForSingleObject(blocking->GetReadyEvent(), 15000));
    completion.join();
    EXPECT_TRUE(blocking->IsVisible());
}

}  // namespace
