// Stand-in plug-ins for the catalogue tests. One source, built several times with a different
// TEST_PLUGIN_KIND each: a well-formed plug-in with three pages, one without the factory, one whose
// factory throws and one whose factory returns null.
#include <stdexcept>

#include "plugwerk/plugwerk.h"

#define KIND_THREE 1
#define KIND_NO_EXPORT 2
#define KIND_THROWS 3
#define KIND_NULL 4

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
#else
extern "C" __declspec(dllexport) int SomethingElse() { return 1; }
#endif
