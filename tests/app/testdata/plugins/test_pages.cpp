// Stand-in plug-ins for the catalogue tests. One source, built several times with a different
// TEST_PLUGIN_KIND each: a well-formed plug-in with three pages, one without the factory, one whose
// factory throws, one whose factory returns null, and a hostile one whose pages throw from every call
// the host makes, hold nothing, or block in their initialisation.
#include <stdexcept>

#include "plugwerk/plugwerk.h"

#define KIND_THREE 1
#define KIND_NO_EXPORT 2
#define KIND_THROWS 3
#define KIND_NULL 4
#define KIND_HOSTILE 5

#if TEST_PLUGIN_KIND == KIND_THREE
namespace {
HINSTANCE g_instance = nullptr;

CStringW SiblingPath(const wchar_t* file) {
    wchar_t path[MAX_PATH] = {};
    ::GetModuleFileNameW(g_instance, path, MAX_PATH);
    CStringW folder(path);
    return folder.Left(folder.ReverseFind(L'\\') + 1) + file;
}

class TestPage : public PluginClass {
public:
    TestPage(unsigned name, unsigned description, const wchar_t* classId, long initResult)
        : PluginClass(name, description, 200, classId), initResult_(initResult) {
        RegisterStart(L"C:\\Tools\\start.exe", L"/page", L"C:\\Tools");
        RegisterHelp(L"C:\\Tools\\help.chm", 1, 7);
        SetAuthority(1);
    }
    long InitClass() override { return initResult_; }
    bool CanShow() override { return true; }

private:
    long initResult_;
};

class ThreePages : public ClassDesc {
public:
    ThreePages() {
        SetInstance(g_instance);
        auto* alpha = new TestPage(10, 11, L"AAAAAAAA-0000-0000-0000-000000000001", 0);
        alpha->SetCategory(255);
        alpha->SetIcon(1);
        AddClass(alpha);
        auto* beta = new TestPage(5, 7, L"AAAAAAAA-0000-0000-0000-000000000002", 0);
        beta->SetCategory(1);
        beta->SetResPath(SiblingPath(L"EntryResources.dll"));
        AddClass(beta);
        auto* gamma = new TestPage(10, 11, L"AAAAAAAA-0000-0000-0000-000000000003", 3);
        gamma->SetCategory(2);
        AddClass(gamma);
    }
    const wchar_t* GetPluginName() override { return L"Three test pages"; }
};
}  // namespace

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, void*) {
    if (reason == DLL_PROCESS_ATTACH) g_instance = instance;
    return TRUE;
}

extern "C" PLUGWERK_FACTORY_EXPORT ClassDesc* global_newClassDesc(void*) {
    static ThreePages* descriptor = new ThreePages;
    return descriptor;
}
#elif TEST_PLUGIN_KIND == KIND_THROWS
extern "C" PLUGWERK_FACTORY_EXPORT ClassDesc* global_newClassDesc(void*) {
    throw std::runtime_error("plug-in cannot start");
}
#elif TEST_PLUGIN_KIND == KIND_NULL
extern "C" PLUGWERK_FACTORY_EXPORT ClassDesc* global_newClassDesc(void*) { return nullptr; }
#elif TEST_PLUGIN_KIND == KIND_HOSTILE
#include "hostile_pages.h"

namespace {
HINSTANCE g_instance = nullptr;

class Throws : public std::runtime_error {
public:
    Throws() : std::runtime_error("hostile plug-in") {}
};

class ThrowingOption : public SettingOption {
public:
    long Set(const VARIANT&) override { throw Throws(); }
    long Get(VARIANT&) override { throw Throws(); }
    long OnSettingChange(const VARIANT&) override { throw Throws(); }
    long OnSetStart(const VARIANT&) override { throw Throws(); }
    long OnSetEnd(const VARIANT&) override { throw Throws(); }
};

class ThrowingStatusOption : public StatusOption {
public:
    long Get(VARIANT&) override { throw Throws(); }
};

// Every call of the host that reaches plug-in code throws, except the one that lets the page be listed.
class ThrowingPage : public PluginClass {
public:
    ThrowingPage() : PluginClass(HOSTILE_THROWING_NAME, HOSTILE_THROWING_NAME, HOSTILE_IDD, HOSTILE_THROWING_ID) {
        SetCategory(1);
        RegisterItem(new CheckBoxItem(0, 0, HOSTILE_IDC_CHECK, 1, new ThrowingOption));
        RegisterStatus(new CDevStatusItem(HOSTILE_THROWING_NAME, 0, new ThrowingStatusOption));
    }
    long InitClass() override { throw Throws(); }
    long DefWindowProcW(UINT, WPARAM, LPARAM) override { throw Throws(); }
    bool CanShow() override { return true; }
};

// Strings that are not there, a resource module that is not there, an empty class id, and a dialog
// template the plug-in does not have; whether it can be shown is answered by a throw.
class EmptyPage : public PluginClass {
public:
    EmptyPage() : PluginClass(60000, 60001, 4321, L"") {
        SetResPath(L"C:\\nowhere\\missing.dll");
        SetIcon(77);
    }
    bool CanShow() override { throw Throws(); }
};

class QuietPage : public PluginClass {
public:
    QuietPage() : PluginClass(HOSTILE_QUIET_NAME, HOSTILE_QUIET_NAME, HOSTILE_IDD, HOSTILE_QUIET_ID) { SetCategory(1); }
    bool CanShow() override { return true; }
};

// Its initialisation waits until the test releases it (bounded, so a forgotten release only delays).
class BlockingPage : public PluginClass {
public:
    BlockingPage() : PluginClass(HOSTILE_BLOCKING_NAME, HOSTILE_BLOCKING_NAME, HOSTILE_IDD, HOSTILE_BLOCKING_ID) {
        SetCategory(1);
    }
    long InitClass() override {
        HANDLE release = ::CreateEventW(nullptr, TRUE, FALSE, HOSTILE_RELEASE_EVENT);
        if (release) {
            ::WaitForSingleObject(release, HOSTILE_BLOCK_LIMIT_MS);
            ::CloseHandle(release);
        }
        return 0;
    }
    bool CanShow() override { return true; }
};

class HostilePages : public ClassDesc {
public:
    HostilePages() {
        SetInstance(g_instance);
        AddClass(new ThrowingPage);
        AddClass(new EmptyPage);
        // A null page, past the checks AddClass would make.
        m_pages.push_back(nullptr);
        AddClass(new QuietPage);
        AddClass(new BlockingPage);
    }
    const wchar_t* GetPluginName() override { return nullptr; }
};
}  // namespace

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, void*) {
    if (reason == DLL_PROCESS_ATTACH) g_instance = instance;
    return TRUE;
}

extern "C" PLUGWERK_FACTORY_EXPORT ClassDesc* global_newClassDesc(void*) {
    static HostilePages* descriptor = new HostilePages;
    return descriptor;
}

// An availability probe, named by a registered application, that throws instead of answering.
extern "C" __declspec(dllexport) int __cdecl HostileProbe(int, int) { throw Throws(); }
#else
extern "C" __declspec(dllexport) int SomethingElse() { return 1; }
#endif
