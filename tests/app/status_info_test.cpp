// The status window's entry and its jump targets.
#include <gtest/gtest.h>

#include "base/resource_module.h"
#include "common/setting_services.h"
#include "common/status_gathering.h"
#include "core/work_thread.h"
#include "info/status_jump.h"
#include "info/status_registered_application.h"
#include "support/fixtures.h"

namespace {

TEST(StatusJump, ClassIdsAreThirtySixCharactersWithFourHyphens) {
    EXPECT_TRUE(ostrel::IsClassIdTarget(L"7C4D2E9A-1B3F-4A5C-8D6E-0F1A2B3C4D5E"));
    EXPECT_FALSE(ostrel::IsClassIdTarget(L"7C4D2E9A-1B3F-4A5C-8D6E-0F1A2B3C4D5"));
    EXPECT_FALSE(ostrel::IsClassIdTarget(L"7C4D2E9A-1B3F-4A5C-8D6E-0F1A2B3C4D5EE"));
    EXPECT_FALSE(ostrel::IsClassIdTarget(L"7C4D2E9A11B3F-4A5C-8D6E-0F1A2B3C4D5E"));
    EXPECT_FALSE(ostrel::IsClassIdTarget(L"C:\\Tools\\a.exe@-x@C:\\Tools\\sub\\folder"));
    EXPECT_FALSE(ostrel::IsClassIdTarget(L""));
}

TEST(StatusJump, FileTargetsSplitAtTheFirstTwoAtSigns) {
    ostrel::FileTarget only = ostrel::SplitFileTarget(L"C:\\a.exe");
    EXPECT_STREQ(L"C:\\a.exe", only.file);
    EXPECT_STREQ(L"", only.parameters);
    EXPECT_STREQ(L"", only.folder);
    ostrel::FileTarget two = ostrel::SplitFileTarget(L"C:\\a.exe@/x");
    EXPECT_STREQ(L"C:\\a.exe", two.file);
    EXPECT_STREQ(L"/x", two.parameters);
    EXPECT_STREQ(L"", two.folder);
    ostrel::FileTarget three = ostrel::SplitFileTarget(L"C:\\a.exe@/x@C:\\w@rk");
    EXPECT_STREQ(L"C:\\a.exe", three.file);
    EXPECT_STREQ(L"/x", three.parameters);
    EXPECT_STREQ(L"C:\\w@rk", three.folder);
    EXPECT_STREQ(L"a.xml", ostrel::SettingPathFile(L"a.xml@X@5"));
}

TEST(StatusJump, ASettingPathWhoseFileIsMissingFallsBackToTheShownPage) {
    const CStringW page = L"7C4D2E9A-1B3F-4A5C-8D6E-0F1A2B3C4D5E";
    EXPECT_STREQ(L"C:\\a.xml@X@5", ostrel::StatusTarget(L"C:\\a.xml@X@5", true, page, false));
    EXPECT_STREQ(page, ostrel::StatusTarget(L"C:\\a.xml@X@5", false, page, true));
    EXPECT_STREQ(L"", ostrel::StatusTarget(L"C:\\a.xml@X@5", false, page, false));
    EXPECT_STREQ(page, ostrel::StatusTarget(L"", false, page, true));
    EXPECT_STREQ(L"", ostrel::StatusTarget(L"", false, page, false));
}

// The model configuration as the status entry asks it.
class FakeModelConfig : public ICModelConfig {
public:
    CStringW loadedClass;
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** out) override {
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE IsLoad(LPCWSTR classId, int* loaded) override {
        *loaded = loadedClass.CompareNoCase(classId) == 0;
        return S_OK;
    }
};

class StatusEntry : public testing::Test {
protected:
    void SetUp() override {
        resources_ = base::LoadLocalisedModule(testsupport::BinFolder(), L"Ostrel.exe.mui");
        ASSERT_TRUE(resources_.valid());
        previous_ = base::SetResourceModule(resources_.get());
        holder_.m_pModelConfig = base::ComPtr<ICModelConfig>(&config_);
        ostrel_testing::UseSettingServices(&holder_);
    }
    void TearDown() override {
        ostrel_testing::UseRealSettingServices();
        base::SetResourceModule(previous_);
    }
    base::UniqueModule resources_;
    HMODULE previous_ = nullptr;
    FakeModelConfig config_;
    CSettingServices holder_;
};

TEST_F(StatusEntry, OfferedWithMoreThanTwoPluginPagesAndTheFeatureLoaded) {
    CStatusRegisteredApplication entry;
    ASSERT_EQ(1, entry.Initialize());
    EXPECT_EQ(ENTRY_STATUS_PAGE, entry.GetEntryType());
    EXPECT_STREQ(L"StatusInfo", entry.m_strKey);
    EXPECT_STREQ(L"StatusInfo", entry.m_strAppPath);
    EXPECT_EQ(0u, entry.m_nCategory);
    EXPECT_FALSE(entry.m_strName.IsEmpty());
    // Nothing to gather: whoever waits for the entry goes on at once.
    EXPECT_EQ(static_cast<DWORD>(WAIT_OBJECT_0), ::WaitForSingleObject(entry.GetReadyEvent(), 0));

    config_.loadedClass = ostrel::kStatusFeatureClassId;
    entry.m_nPluginCount = 2;
    EXPECT_FALSE(entry.IsVisible());
    entry.m_nPluginCount = 3;
    EXPECT_TRUE(entry.IsVisible());
    config_.loadedClass = L"00000000-0000-0000-0000-000000000000";
    EXPECT_FALSE(entry.IsVisible());
    // Without the settings service the status window is not offered.
    config_.loadedClass = ostrel::kStatusFeatureClassId;
    ostrel_testing::UseSettingServices(nullptr);
    EXPECT_FALSE(entry.IsVisible());
}

TEST_F(StatusEntry, AStatusWindowThatCannotBeMadeLeavesGatheringIdle) {
    // The program itself holds no dialog templates: the status window's creation fails.
    base::ScopedResourceModule noTemplates(::GetModuleHandleW(nullptr));
    CPMXThread thread(nullptr);
    // The thread ends rather than live on without a window...
    EXPECT_FALSE(thread.CreateMainWindow());
    EXPECT_EQ(nullptr, thread.MainWindowHandle());
    // ...and the system-information page is not held back by a gathering that never starts.
    EXPECT_TRUE(ostrel::IsStatusGatheringIdle());
}

}  // namespace
