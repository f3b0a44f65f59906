// Settory.dll through COM: registration, class objects, interfaces, late binding and result codes.
// The whole program shares one set of data folders, because the DLL's stores live as long as the DLL.
#include <gtest/gtest.h>
#include <olectl.h>
#include <tlhelp32.h>

#include "Settory_h.h"
#include "base/com_ptr.h"
#include "base/handles.h"
#include "base/service_host.h"
#include "settory/settory_fixture.h"

using namespace settorytest;
using testsupport::BinFile;

namespace {

DataFolders* g_data = nullptr;

class ComEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        g_data = new DataFolders();
        com_ = new base::ComInit(COINIT_MULTITHREADED);
        // Registration as the installer does it; it also leaves the prefix registered for everyone else.
        testsupport::ChildProcess regsvr(L"regsvr32.exe /s \"" + BinFile(L"Settory.dll") + L"\"");
        DWORD code = 1;
        ASSERT_TRUE(regsvr.WaitExit(60000, &code));
        ASSERT_EQ(0u, code);
    }
    void TearDown() override {
        delete com_;
        delete g_data;
    }

private:
    base::ComInit* com_ = nullptr;
};
const auto* const g_environment = ::testing::AddGlobalTestEnvironment(new ComEnvironment);

using GetClassObjectFn = HRESULT(WINAPI*)(REFCLSID, REFIID, void**);
using PlainFn = HRESULT(WINAPI*)();

// The DLL loaded directly, for what COM would hide: the factory, aggregation, Invoke on the object
// itself rather than through a proxy.
struct Dll {
    Dll() : module(::LoadLibraryW(BinFile(L"Settory.dll"))) {
        getClassObject = reinterpret_cast<GetClassObjectFn>(::GetProcAddress(module.get(), "DllGetClassObject"));
        canUnloadNow = reinterpret_cast<PlainFn>(::GetProcAddress(module.get(), "DllCanUnloadNow"));
        registerServer = reinterpret_cast<PlainFn>(::GetProcAddress(module.get(), "DllRegisterServer"));
        unregisterServer = reinterpret_cast<PlainFn>(::GetProcAddress(module.get(), "DllUnregisterServer"));
    }
    template <typename T>
    base::ComPtr<T> Create(REFCLSID clsid, REFIID iid) {
        base::ComPtr<IClassFactory> factory;
        base::ComPtr<T> object;
        if (SUCCEEDED(getClassObject(clsid, IID_IClassFactory, factory.PutVoid()))) {
            factory->CreateInstance(nullptr, iid, object.PutVoid());
        }
        return object;
    }
    base::UniqueModule module;
    GetClassObjectFn getClassObject = nullptr;
    PlainFn canUnloadNow = nullptr;
    PlainFn registerServer = nullptr;
    PlainFn unregisterServer = nullptr;
};

CStringW GuidText(REFGUID guid) {
    wchar_t text[40];
    ::StringFromGUID2(guid, text, 40);
    return text;
}

bool KeyExists(HKEY root, const CStringW& path) {
    base::UniqueHKey key;
    return ::RegOpenKeyExW(root, path, 0, KEY_READ, key.put()) == ERROR_SUCCESS;
}

CStringW ValueOf(HKEY root, const CStringW& path, const wchar_t* name) {
    wchar_t data[1024] = {};
    DWORD size = sizeof(data);
    if (::RegGetValueW(root, path, name, RRF_RT_REG_SZ, nullptr, data, &size) != ERROR_SUCCESS) return L"<none>";
    return data;
}

TEST(SettoryRegistration, WritesTheKeysAndRemovesThemAgain) {
    // HKEY_CLASSES_ROOT is redirected into a scratch key, so the prefix's own registration is untouched.
    testsupport::ScratchKey scratch;
    Dll dll;
    ASSERT_EQ(ERROR_SUCCESS, ::RegOverridePredefKey(HKEY_CLASSES_ROOT, scratch.Get()));
    HRESULT registered = dll.registerServer();
    HKEY root = scratch.Get();
    const CStringW clsid = L"CLSID\\" + GuidText(CLSID_CSettory);
    const CStringW appId = GuidText(LIBID_Settory);
    struct Expect {
        CStringW key;
        const wchar_t* name;
        CStringW value;
    } values[] = {
        {L"AppID\\" + appId, nullptr, L"Settory"},
        {L"AppID\\Settory.DLL", L"AppID", appId},
        {L"Settory.CSettory.1", nullptr, L"CSettory Object"},
        {L"Settory.CSettory.1\\CLSID", nullptr, GuidText(CLSID_CSettory)},
        {L"Settory.CSettory", nullptr, L"CSettory Object"},
        {L"Settory.CSettory\\CurVer", nullptr, L"Settory.CSettory.1"},
        {L"Settory.CModelConfig\\CLSID", nullptr, GuidText(CLSID_CCModelConfig)},
        {L"LKSSettory.OSLRegApplication.1\\CLSID", nullptr, GuidText(CLSID_COSLRegApplication)},
        {clsid, nullptr, L"CSettory Object"},
        {clsid, L"AppID", appId},
        {clsid + L"\\ProgID", nullptr, L"Settory.CSettory.1"},
        {clsid + L"\\VersionIndependentProgID", nullptr, L"Settory.CSettory"},
        {clsid + L"\\InprocServer32", nullptr, BinFile(L"Settory.dll")},
        {clsid + L"\\InprocServer32", L"ThreadingModel", L""},
        {clsid + L"\\TypeLib", nullptr, appId},
        {clsid + L"\\LocalServer32", nullptr, L"\"" + BinFile(L"SettoryHost.exe") + L"\""},
        {L"CLSID\\" + GuidText(CLSID_COSLRegApplication), nullptr, L"COSLRegApplication Object"},
    };
    std::vector<CStringW> keys = {clsid + L"\\Programmable", L"TypeLib\\" + appId + L"\\1.0",
                                  L"Interface\\" + GuidText(IID_ISettory) + L"\\ProxyStubClsid32",
                                  L"Interface\\" + GuidText(IID_IOSLRegApplication) + L"\\ProxyStubClsid32"};
    EXPECT_EQ(S_OK, registered);
    for (const Expect& e : values) EXPECT_EQ(e.value, ValueOf(root, e.key, e.name)) << e.key.GetString();
    for (const CStringW& key : keys) EXPECT_TRUE(KeyExists(root, key)) << key.GetString();
    EXPECT_FALSE(KeyExists(root, L"CLSID\\" + GuidText(CLSID_COSLRegApplication) + L"\\LocalServer32"))
        << "registered applications are always read in process";

    HRESULT unregistered = dll.unregisterServer();
    ::RegOverridePredefKey(HKEY_CLASSES_ROOT, nullptr);
    EXPECT_EQ(S_OK, unregistered);
    for (const Expect& e : values) EXPECT_FALSE(KeyExists(root, e.key)) << e.key.GetString();
    for (const CStringW& key : keys) EXPECT_FALSE(KeyExists(root, key)) << key.GetString();
    EXPECT_TRUE(KeyExists(root, L"CLSID"));
    EXPECT_TRUE(KeyExists(root, L"AppID"));
    EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, clsid)) << "the real registration was not touched";
}

struct ClassCase {
    const CLSID* clsid;
    const IID* primary;
    std::vector<const IID*> faces;
};

TEST(SettoryClasses, AnswerTheirInterfacesBothWays_AndDescribeThemselves) {
    const ClassCase cases[] = {
        {&CLSID_CSettory, &IID_ISettory,
         {&IID_ISettory, &IID_ISettory2, &IID_ISettory3, &IID_IDispatch, &IID_IProvideClassInfo}},
        {&CLSID_CCModelConfig, &IID_ICModelConfig, {&IID_ICModelConfig, &IID_IDispatch, &IID_IProvideClassInfo}},
        {&CLSID_COSLRegApplication, &IID_IOSLRegApplication,
         {&IID_IOSLRegApplication, &IID_IDispatch, &IID_IProvideClassInfo}},
    };
    for (const ClassCase& c : cases) {
        SCOPED_TRACE(GuidText(*c.clsid).GetString());
        base::ComPtr<IUnknown> object;
        ASSERT_EQ(S_OK, ::CoCreateInstance(*c.clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, object.PutVoid()));
        for (const IID* face : c.faces) {
            base::ComPtr<IUnknown> viaFace, back, identity;
            ASSERT_EQ(S_OK, object.As(*face, viaFace));
            EXPECT_EQ(S_OK, viaFace.As(*c.primary, back));
            EXPECT_EQ(S_OK, viaFace.As(IID_IUnknown, identity));
            EXPECT_EQ(object.Get(), identity.Get());
        }
        base::ComPtr<IUnknown> none;
        EXPECT_EQ(E_NOINTERFACE, object.As(IID_IClassFactory, none));

        base::ComPtr<IProvideClassInfo> info;
        ASSERT_EQ(S_OK, object.As(IID_IProvideClassInfo, info));
        base::ComPtr<ITypeInfo> type;
        ASSERT_EQ(S_OK, info->GetClassInfo(type.Put()));
        TYPEATTR* attr = nullptr;
        ASSERT_EQ(S_OK, type->GetTypeAttr(&attr));
        EXPECT_TRUE(IsEqualGUID(*c.clsid, attr->guid));
        EXPECT_EQ(TKIND_COCLASS, attr->typekind);
        type->ReleaseTypeAttr(attr);

        base::ComPtr<IDispatch> dispatch;
        ASSERT_EQ(S_OK, object.As(IID_IDispatch, dispatch));
        UINT count = 0;
        EXPECT_EQ(S_OK, dispatch->GetTypeInfoCount(&count));
        EXPECT_EQ(1u, count);
        base::ComPtr<ITypeInfo> face;
        EXPECT_EQ(S_OK, dispatch->GetTypeInfo(0, 0, face.Put()));
        EXPECT_EQ(DISP_E_BADINDEX, dispatch->GetTypeInfo(1, 0, face.Put()));
    }
}

class OuterUnknown : public IUnknown {
public:
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
        if (IsEqualIID(iid, IID_IUnknown)) {
            *out = this;
            AddRef();
            return S_OK;
        }
        return inner ? inner->QueryInterface(iid, out) : E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++refs; }
    STDMETHODIMP_(ULONG) Release() override { return --refs; }
    ULONG refs = 1;
    IUnknown* inner = nullptr;
};

TEST(SettoryFactory, SupportsAggregation_LockServer_AndRefusesOtherClasses) {
    Dll dll;
    base::ComPtr<IClassFactory> factory;
    EXPECT_EQ(E_POINTER, dll.getClassObject(CLSID_CSettory, IID_IClassFactory, nullptr));
    EXPECT_EQ(CLASS_E_CLASSNOTAVAILABLE, dll.getClassObject(IID_ISettory2, IID_IClassFactory, factory.PutVoid()));
    for (const CLSID* clsid : {&CLSID_CSettory, &CLSID_CCModelConfig, &CLSID_COSLRegApplication}) {
        ASSERT_EQ(S_OK, dll.getClassObject(*clsid, IID_IClassFactory, factory.PutVoid()));
        OuterUnknown outer;
        void* raw = nullptr;
        EXPECT_EQ(CLASS_E_NOAGGREGATION, factory->CreateInstance(&outer, IID_IDispatch, &raw));
        EXPECT_EQ(E_POINTER, factory->CreateInstance(nullptr, IID_IDispatch, nullptr));
        base::ComPtr<IUnknown> inner;
        ASSERT_EQ(S_OK, factory->CreateInstance(&outer, IID_IUnknown, inner.PutVoid()));
        outer.inner = inner.Get();
        base::ComPtr<IDispatch> face;
        ASSERT_EQ(S_OK, inner.As(IID_IDispatch, face));
        EXPECT_EQ(2u, outer.refs) << "an aggregated face counts on the outer object";
        base::ComPtr<IUnknown> identity;
        ASSERT_EQ(S_OK, face.As(IID_IUnknown, identity));
        EXPECT_EQ(static_cast<IUnknown*>(&outer), identity.Get());
        identity.Reset();
        face.Reset();
        EXPECT_EQ(1u, outer.refs);
        EXPECT_EQ(S_FALSE, dll.canUnloadNow()) << "a live object keeps the DLL";
        inner.Reset();
    }
    HRESULT idle = dll.canUnloadNow();
    ASSERT_EQ(S_OK, factory->LockServer(TRUE));
    EXPECT_EQ(S_FALSE, dll.canUnloadNow());
    ASSERT_EQ(S_OK, factory->LockServer(FALSE));
    EXPECT_EQ(idle, dll.canUnloadNow());
}

TEST(SettoryDispatch, GetIDsOfNames_IgnoresLetterCase_AndKnowsOnlyItsTable) {
    Dll dll;
    struct Case {
        const CLSID* clsid;
        const wchar_t* name;
        DISPID id;
    } cases[] = {
        {&CLSID_CSettory, L"getdefaultvalue", 1}, {&CLSID_CSettory, L"GETCURRENTVALUE", 2},
        {&CLSID_CSettory, L"SetCurrentValueEx", 10}, {&CLSID_CSettory, L"strclassid", 0},
        {&CLSID_CSettory, L"pstrGetValue", 2}, {&CLSID_CSettory, L"registerwnd", 11},
        {&CLSID_CSettory, L"ulWnd", 0}, {&CLSID_CSettory, L"IsLoad", DISPID_UNKNOWN},
        {&CLSID_CSettory, L"islocked", 13}, {&CLSID_CSettory, L"piLocked", 2},
        {&CLSID_CCModelConfig, L"isload", 1}, {&CLSID_CCModelConfig, L"bIsLoad", 1},
        {&CLSID_CCModelConfig, L"Reload", DISPID_UNKNOWN},
        {&CLSID_COSLRegApplication, L"getappicon", 18}, {&CLSID_COSLRegApplication, L"pulIconIndex", 1},
        {&CLSID_COSLRegApplication, L"strIcon", 0}, {&CLSID_COSLRegApplication, L"init", 1},
        {&CLSID_COSLRegApplication, L"Nothing", DISPID_UNKNOWN},
    };
    for (const Case& c : cases) {
        auto dispatch = dll.Create<IDispatch>(*c.clsid, IID_IDispatch);
        ASSERT_TRUE(dispatch);
        LPOLESTR names[] = {const_cast<LPOLESTR>(c.name)};
        DISPID id = 12345;
        EXPECT_EQ(c.id == DISPID_UNKNOWN ? DISP_E_UNKNOWNNAME : S_OK,
                  dispatch->GetIDsOfNames(IID_NULL, names, 1, 0, &id))
            << c.name;
        EXPECT_EQ(c.id, id) << c.name;
    }
    auto settory = dll.Create<IDispatch>(CLSID_CSettory, IID_IDispatch);
    LPOLESTR several[] = {const_cast<LPOLESTR>(L"GetDefaultValue"), const_cast<LPOLESTR>(L"value"),
                          const_cast<LPOLESTR>(L"strClassID")};
    DISPID ids[3] = {};
    EXPECT_EQ(S_OK, settory->GetIDsOfNames(IID_NULL, several, 3, 0, ids));
    EXPECT_EQ(1, ids[0]);
    EXPECT_EQ(2, ids[1]);
    EXPECT_EQ(0, ids[2]);
}

// Arguments for Invoke, last to first as IDispatch expects them.
struct Call {
    std::vector<VARIANT> args;
    std::vector<DISPID> named;
    ~Call() {
        for (VARIANT& v : args) VariantClear(&v);
    }
    Call& Str(const wchar_t* s) {
        VARIANT v;
        V_VT(&v) = VT_BSTR;
        V_BSTR(&v) = SysAllocString(s);
        args.insert(args.begin(), v);
        return *this;
    }
    Call& Int(int i) {
        VARIANT v;
        V_VT(&v) = VT_I4;
        V_I4(&v) = i;
        args.insert(args.begin(), v);
        return *this;
    }
    Call& Ref(VARTYPE type, void* p) {
        VARIANT v;
        V_VT(&v) = VT_BYREF | type;
        V_BYREF(&v) = p;
        args.insert(args.begin(), v);
        return *this;
    }
    HRESULT Invoke(IDispatch* d, DISPID id, int* code = nullptr, UINT* argErr = nullptr) {
        DISPPARAMS params = {args.empty() ? nullptr : args.data(), named.empty() ? nullptr : named.data(),
                             static_cast<UINT>(args.size()), static_cast<UINT>(named.size())};
        VARIANT result;
        VariantInit(&result);
        UINT err = 0;
        HRESULT hr = d->Invoke(id, IID_NULL, 0, DISPATCH_METHOD, &params, &result, nullptr, argErr ? argErr : &err);
        if (code) *code = V_VT(&result) == VT_I4 ? V_I4(&result) : -1;
        return hr;
    }
};

TEST(SettoryDispatch, Invoke_AnswersEachArgumentFault) {
    Dll dll;
    auto d = dll.Create<IDispatch>(CLSID_CSettory, IID_IDispatch);
    ASSERT_TRUE(d);
    VARIANT result;
    VariantInit(&result);
    EXPECT_EQ(DISP_E_BADVARTYPE, d->Invoke(1, IID_NULL, 0, DISPATCH_METHOD, nullptr, &result, nullptr, nullptr));
    EXPECT_EQ(DISP_E_BADPARAMCOUNT, Call().Int(1).Int(2).Int(3).Int(4).Invoke(d.Get(), 1));
    EXPECT_EQ(DISP_E_BADPARAMCOUNT, Call().Str(kClassA).Int(1).Invoke(d.Get(), 1));
    EXPECT_EQ(DISP_E_BADPARAMCOUNT, Call().Int(1).Invoke(d.Get(), 5));
    EXPECT_EQ(DISP_E_MEMBERNOTFOUND, Call().Invoke(d.Get(), 99));
    EXPECT_EQ(DISP_E_MEMBERNOTFOUND, Call().Invoke(d.Get(), 0));
    Call named;
    named.Int(1).Str(kClassA);
    named.named = {5, 0};
    UINT argErr = 99;
    EXPECT_EQ(DISP_E_PARAMNOTFOUND, named.Invoke(d.Get(), 6, nullptr, &argErr));
    EXPECT_EQ(0u, argErr);
    argErr = 99;
    EXPECT_EQ(DISP_E_TYPEMISMATCH, Call().Str(kClassA).Str(L"not a number").Invoke(d.Get(), 6, nullptr, &argErr));
    EXPECT_EQ(0u, argErr) << "the index into rgvarg";
    VARIANT wrong;
    V_VT(&wrong) = VT_I4;
    EXPECT_EQ(DISP_E_TYPEMISMATCH, Call().Str(kClassA).Int(1).Ref(VT_I4, &V_I4(&wrong)).Invoke(d.Get(), 9));

    auto config = dll.Create<IDispatch>(CLSID_CCModelConfig, IID_IDispatch);
    EXPECT_EQ(DISP_E_BADPARAMCOUNT, Call().Int(1).Int(2).Int(3).Invoke(config.Get(), 1));
    auto apps = dll.Create<IDispatch>(CLSID_COSLRegApplication, IID_IDispatch);
    EXPECT_EQ(DISP_E_MEMBERNOTFOUND, Call().Invoke(apps.Get(), 19));
    EXPECT_EQ(DISP_E_TYPEMISMATCH, Call().Int(3).Invoke(apps.Get(), 3)) << "an out parameter needs a reference";
}

TEST(SettoryDispatch, Invoke_CarriesValuesInAndOutByEachArgumentForm) {
    Dll dll;
    auto d = dll.Create<IDispatch>(CLSID_CSettory, IID_IDispatch);
    ASSERT_TRUE(d);
    int code = -1;

    VARIANT holder;  // a script variable: a VARIANT passed by reference
    VariantInit(&holder);
    V_VT(&holder) = VT_I4;
    ASSERT_EQ(S_OK, Call().Str(kClassA).Int(kAllUsersInt).Ref(VT_VARIANT, &holder).Invoke(d.Get(), 1, &code));
    EXPECT_EQ(0, code);
    EXPECT_EQ(VT_I4, V_VT(&holder));
    EXPECT_EQ(10, V_I4(&holder));

    double typed = 0;  // a typed by-reference argument keeps its type
    ASSERT_EQ(S_OK, Call().Str(kClassA).Int(kPerUserReal).Ref(VT_R8, &typed).Invoke(d.Get(), 1, &code));
    EXPECT_EQ(0, code);
    EXPECT_DOUBLE_EQ(2.5, typed);

    wchar_t buffer[SETTORY_VALUE_CAPACITY] = {};  // the wire form: characters by reference
    ASSERT_EQ(S_OK, Call().Str(kClassA).Int(kPerUserText).Ref(VT_UI2, buffer).Invoke(d.Get(), 8, &code));
    EXPECT_EQ(0, code);
    EXPECT_STREQ(L"hello", buffer);

    BSTR text = SysAllocString(L"old");
    ASSERT_EQ(S_OK, Call().Str(kClassA).Int(kPerUserText).Ref(VT_BSTR, &text).Invoke(d.Get(), 8, &code));
    EXPECT_STREQ(L"hello", text);
    SysFreeString(text);

    VARIANT empty;
    VariantInit(&empty);
    ASSERT_EQ(S_OK, Call().Str(kClassA).Int(99).Ref(VT_VARIANT, &empty).Invoke(d.Get(), 8, &code));
    EXPECT_EQ(1, code);
    EXPECT_EQ(VT_EMPTY, V_VT(&empty)) << "a failed read leaves the argument alone";

    Call named;  // named arguments in any order
    named.Str(kClassA).Ref(VT_VARIANT, &holder).Int(kAllUsersInt);
    named.named = {1, 2, 0};
    V_VT(&holder) = VT_BSTR;
    V_BSTR(&holder) = nullptr;
    ASSERT_EQ(S_OK, named.Invoke(d.Get(), 1, &code));
    EXPECT_EQ(0, code);
    EXPECT_STREQ(L"10", V_BSTR(&holder));
    VariantClear(&holder);

    auto apps = dll.Create<IDispatch>(CLSID_COSLRegApplication, IID_IDispatch);
    VARIANT icon, index;
    VariantInit(&icon);
    VariantInit(&index);
    ASSERT_EQ(S_OK, Call().Ref(VT_VARIANT, &icon).Ref(VT_VARIANT, &index).Invoke(apps.Get(), 18, &code));
    EXPECT_EQ(1, code);
    EXPECT_EQ(VT_BSTR, V_VT(&icon));
    EXPECT_EQ(VT_I4, V_VT(&index));
    EXPECT_EQ(-1, V_I4(&index));
    VariantClear(&icon);
}

class SettoryCom : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(S_OK, ::CoCreateInstance(CLSID_CSettory, nullptr, CLSCTX_INPROC_SERVER, IID_ISettory,
                                           settory.PutVoid()));
    }
    base::ComPtr<ISettory> settory;
};

TEST_F(SettoryCom, ResultCodes_ThroughTheInterface) {
    base::Variant v;
    V_VT(v.Get()) = VT_I4;
    EXPECT_EQ(HRESULT(0), settory->GetDefaultValue(kClassA, kAllUsersInt, v.Get()));
    EXPECT_EQ(10, V_I4(v.Get()));
    EXPECT_EQ(HRESULT(2), settory->GetDefaultValue(L"{95200B73-6BC6-4FA3-A9CE-402DC1D4520E}", 1, v.Get()));
    EXPECT_EQ(HRESULT(2), settory->GetCurrentValue(L"", 1, v.Get()));
    EXPECT_EQ(HRESULT(4), settory->GetCurrentValue(kClassA, 4242, v.Get()));
    EXPECT_EQ(HRESULT(4), settory->RegisterSettingChangeEvent(kClassB, 4242));
    EXPECT_EQ(HRESULT(1), settory->GetCurrentValueEx(kClassA, 4242, nullptr));
    base::Variant text;
    V_VT(text.Get()) = VT_BSTR;
    V_BSTR(text.Get()) = SysAllocString(L"queued");
    EXPECT_EQ(HRESULT(0), settory->SetCurrentValue(L"not checked", -1, *text.Get()));
    EXPECT_EQ(HRESULT(0), settory->SetCurrentValueEx(L"", 0, L""));

    CStringW defaults = g_data->DefaultFolder() + L"DefaultSetting.xml";
    ASSERT_TRUE(::MoveFileW(defaults, defaults + L".off"));
    EXPECT_EQ(HRESULT(3), settory->GetDefaultValue(kClassA, kAllUsersInt, v.Get()));
    EXPECT_EQ(HRESULT(3), settory->UpdateCurrentSetting());
    EXPECT_EQ(HRESULT(3), settory->Reload());
    ASSERT_TRUE(::MoveFileW(defaults + L".off", defaults));

    // In the caller's apartment: an [out] value that must stay as the caller set it does not survive
    // marshalling, which hands the method a fresh one.
    Dll dll;
    auto config = dll.Create<ICModelConfig>(CLSID_CCModelConfig, IID_ICModelConfig);
    ASSERT_TRUE(config);
    int loaded = 77;
    EXPECT_EQ(HRESULT(1), config->IsLoad(kClassA, &loaded)) << "no model configuration files";
    EXPECT_EQ(77, loaded);
}

TEST_F(SettoryCom, MutexHeldByAnotherProcess_Gives9) {
    CStringW ready = testsupport::UniqueName(L"Local\\probe-ready");
    CStringW release = testsupport::UniqueName(L"Local\\probe-release");
    base::UniqueHandle readyEvent(::CreateEventW(nullptr, TRUE, FALSE, ready));
    base::UniqueHandle releaseEvent(::CreateEventW(nullptr, TRUE, FALSE, release));
    testsupport::ChildProcess holder(L"\"" + BinFile(L"settory_probe.exe") + L"\" hold-mutex " + ready + L" " + release);
    ASSERT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(readyEvent.get(), 20000));
    base::Variant v;
    V_VT(v.Get()) = VT_I4;
    EXPECT_EQ(HRESULT(9), settory->GetCurrentValue(kClassA, kAllUsersInt, v.Get()));
    ::SetEvent(releaseEvent.get());
    DWORD code = 1;
    EXPECT_TRUE(holder.WaitExit(20000, &code));
    EXPECT_EQ(HRESULT(0), settory->GetCurrentValue(kClassA, kAllUsersInt, v.Get()));
}

TEST_F(SettoryCom, ExBuffer_AcrossApartments_NeverGrowsPast256Characters) {
    // This thread is in the multithreaded apartment and the object in the main single-threaded one, so
    // every call here goes through the generated proxy.
    CStringW fits(L'x', SETTORY_VALUE_CAPACITY - 1);
    ASSERT_EQ(HRESULT(0), settory->SetCurrentValueEx(kClassA, kPerUserText, fits));
    ASSERT_EQ(HRESULT(0), settory->UpdateCurrentSetting());
    wchar_t buffer[SETTORY_VALUE_CAPACITY + 16];
    wmemset(buffer, L'#', ARRAYSIZE(buffer));
    buffer[0] = 0;  // what goes in is the buffer's string
    ASSERT_EQ(HRESULT(0), settory->GetCurrentValueEx(kClassA, kPerUserText, buffer));
    EXPECT_EQ(fits, CStringW(buffer));
    for (int i = SETTORY_VALUE_CAPACITY; i < static_cast<int>(ARRAYSIZE(buffer)); ++i) ASSERT_EQ(L'#', buffer[i]);

    ASSERT_EQ(HRESULT(0), settory->SetCurrentValueEx(kClassA, kPerUserText, CStringW(L'y', SETTORY_VALUE_CAPACITY)));
    ASSERT_EQ(HRESULT(0), settory->UpdateCurrentSetting());
    wmemset(buffer, L'#', ARRAYSIZE(buffer));
    buffer[0] = 0;
    EXPECT_EQ(HRESULT(1), settory->GetCurrentValueEx(kClassA, kPerUserText, buffer));
    EXPECT_EQ(0, buffer[0]);
    for (int i = 1; i < static_cast<int>(ARRAYSIZE(buffer)); ++i) ASSERT_EQ(L'#', buffer[i]);
    ASSERT_EQ(HRESULT(0), settory->SetCurrentValueEx(kClassA, kPerUserText, L"hello"));
    ASSERT_EQ(HRESULT(0), settory->UpdateCurrentSetting());
}

TEST_F(SettoryCom, PendingWrites_BelongToTheirObject) {
    base::ComPtr<ISettory> other;
    ASSERT_EQ(S_OK, ::CoCreateInstance(CLSID_CSettory, nullptr, CLSCTX_INPROC_SERVER, IID_ISettory, other.PutVoid()));
    ASSERT_EQ(HRESULT(0), settory->SetCurrentValueEx(kClassB, 1, L"queued on one"));
    ASSERT_EQ(HRESULT(0), other->UpdateCurrentSetting());
    wchar_t buffer[SETTORY_VALUE_CAPACITY] = {};
    ASSERT_EQ(HRESULT(0), settory->GetCurrentValueEx(kClassB, 1, buffer));
    EXPECT_STREQ(L"b1", buffer);
    ASSERT_EQ(HRESULT(0), settory->UpdateCurrentSetting());
    ASSERT_EQ(HRESULT(0), other->GetCurrentValueEx(kClassB, 1, buffer));
    EXPECT_STREQ(L"queued on one", buffer);
}

// ---- other processes ----

int RunProbe(const CStringW& arguments, DWORD timeoutMs = 60000) {
    testsupport::ChildProcess probe(L"\"" + BinFile(L"settory_probe.exe") + L"\" " + arguments);
    DWORD code = 999;
    if (!probe.WaitExit(timeoutMs, &code)) return -1;
    return static_cast<int>(code);
}

// A caller's buffer of `chars` characters with guard characters on both sides, the last of them at
// the end of readable memory: a proxy that touches the caller's memory past the guards faults, and one
// that writes more than the value and its terminator changes them.
class FencedBuffer {
public:
    explicit FencedBuffer(int chars) : chars_(chars) {
        SYSTEM_INFO info;
        ::GetSystemInfo(&info);
        base_ = static_cast<char*>(::VirtualAlloc(nullptr, 2 * info.dwPageSize, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
        DWORD old = 0;
        if (base_) ::VirtualProtect(base_ + info.dwPageSize, info.dwPageSize, PAGE_NOACCESS, &old);
        first_ = reinterpret_cast<wchar_t*>(base_ + info.dwPageSize) - (chars + 2 * kGuards);
        wmemset(first_, L'#', chars + 2 * kGuards);
        Value()[0] = 0;
    }
    ~FencedBuffer() { ::VirtualFree(base_, 0, MEM_RELEASE); }
    FencedBuffer(const FencedBuffer&) = delete;
    FencedBuffer& operator=(const FencedBuffer&) = delete;
    wchar_t* Value() { return first_ + kGuards; }
    bool GuardsIntact() const {
        for (int i = 0; i < kGuards; ++i) {
            if (first_[i] != L'#' || first_[kGuards + chars_ + i] != L'#') return false;
        }
        return true;
    }

private:
    static constexpr int kGuards = 8;
    int chars_;
    char* base_ = nullptr;
    wchar_t* first_ = nullptr;
};

CStringW ReadByProbe(const wchar_t* context, const wchar_t* cls, int id, const CStringW& out) {
    CStringW args;
    args.Format(L"read %s %s %d \"%s\"", context, cls, id, out.GetString());
    int code = RunProbe(args);
    if (code != 0) return L"<" + CStringW(std::to_wstring(code)) + L">";
    std::string text = testsupport::ReadTextFile(out);
    return CStringW(std::wstring(text.begin(), text.end()));
}


TEST(SettoryLocalServer, ClientProcessesShareOneServerAndItsStores_AndTheServerEndsByItself) {
    // A host left from another test would carry that test's environment.
    ASSERT_TRUE(testsupport::WaitUntil([] { return HostProcesses() == 0; }, 20000));
    base::ComPtr<ISettory> local;
    ASSERT_EQ(S_OK, ::CoCreateInstance(CLSID_CSettory, nullptr, CLSCTX_LOCAL_SERVER, IID_ISettory, local.PutVoid()));
    base::ComPtr<ICModelConfig> config;
    ASSERT_EQ(S_OK, ::CoCreateInstance(CLSID_CCModelConfig, nullptr, CLSCTX_LOCAL_SERVER, IID_ICModelConfig,
                                       config.PutVoid()));
    EXPECT_EQ(1, HostProcesses());
    // Ready while it runs, so a program that started it can make its first activation at once.
    base::UniqueHandle ready(::OpenEventW(SYNCHRONIZE, FALSE, base::kServiceHostReadyEvent));
    ASSERT_TRUE(ready);
    EXPECT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(ready.get(), 0));

    testsupport::TempFolder scratch;
    EXPECT_EQ(0, RunProbe(CStringW(L"write local ") + kClassB + L" 1 \"from another process\""));
    // Gone from disk, still in the one server's memory: both clients reach the same store.
    ::DeleteFileW(g_data->PerUserFile());
    wchar_t buffer[SETTORY_VALUE_CAPACITY] = {};
    ASSERT_EQ(HRESULT(0), local->GetCurrentValueEx(kClassB, 1, buffer));
    EXPECT_STREQ(L"from another process", buffer);
    EXPECT_EQ(L"from another process", ReadByProbe(L"local", kClassB, 1, scratch.File(L"out.txt")));
    EXPECT_EQ(1, HostProcesses());

    // A client of the published interface reads strings into 50 characters.
    for (int length : {0, 1, 49, SETTORY_VALUE_CAPACITY - 1, SETTORY_VALUE_CAPACITY}) {
        SCOPED_TRACE(length);
        CStringW value(L'v', length);
        ASSERT_EQ(HRESULT(0), local->SetCurrentValueEx(kClassB, 1, value));
        ASSERT_EQ(HRESULT(0), local->UpdateCurrentSetting());
        FencedBuffer fenced(length < 50 ? 50 : SETTORY_VALUE_CAPACITY);
        HRESULT read = local->GetCurrentValueEx(kClassB, 1, fenced.Value());
        EXPECT_TRUE(fenced.GuardsIntact());
        if (length < SETTORY_VALUE_CAPACITY) {
            EXPECT_EQ(HRESULT(0), read);
            EXPECT_EQ(value, CStringW(fenced.Value()));
        } else {
            EXPECT_EQ(HRESULT(1), read) << "longer than the capacity: refused";
            EXPECT_EQ(0, fenced.Value()[0]);
            EXPECT_EQ(L'#', fenced.Value()[1]);
        }
    }

    ASSERT_EQ(HRESULT(0), local->SetCurrentValueEx(kClassB, 1, L"b1"));
    ASSERT_EQ(HRESULT(0), local->UpdateCurrentSetting());
    local.Reset();
    config.Reset();
    EXPECT_TRUE(testsupport::WaitUntil([] { return HostProcesses() == 0; }, 20000)) << "the host ends when idle";
    EXPECT_EQ(WAIT_TIMEOUT, ::WaitForSingleObject(ready.get(), 0)) << "no longer ready once it has ended";
}

TEST(SettoryLocalServer, MachinePolicyAnswersEveryProcess_LocksByInterfaceAndByName_AndGoesWithItsKey) {
    ASSERT_TRUE(testsupport::WaitUntil([] { return HostProcesses() == 0; }, 20000));
    g_data->WriteDefault(L"DefaultSettingPolicy.xml", kPolicyDefaults);
    testsupport::ScopedPolicy policy(kPolicyClass);
    base::ComPtr<ISettory> local;
    ASSERT_EQ(S_OK, ::CoCreateInstance(CLSID_CSettory, nullptr, CLSCTX_LOCAL_SERVER, IID_ISettory, local.PutVoid()));
    wchar_t buffer[SETTORY_VALUE_CAPACITY] = {};
    ASSERT_EQ(HRESULT(0), local->GetCurrentValueEx(kPolicyClass, kPolicyAllUsersInt, buffer));
    EXPECT_STREQ(L"10", buffer);

    ASSERT_TRUE(policy.SetNumber(HKEY_LOCAL_MACHINE, kPolicyAllUsersInt, 40));
    ASSERT_EQ(HRESULT(0), local->SetCurrentValueEx(kPolicyClass, kPolicyAllUsersInt, L"50"));
    ASSERT_EQ(HRESULT(0), local->UpdateCurrentSetting());
    ASSERT_EQ(HRESULT(0), local->GetCurrentValueEx(kPolicyClass, kPolicyAllUsersInt, buffer));
    EXPECT_STREQ(L"40", buffer);
    testsupport::TempFolder scratch;
    EXPECT_EQ(L"40", ReadByProbe(L"local", kPolicyClass, kPolicyAllUsersInt, scratch.File(L"out.txt")));

    base::ComPtr<ISettory3> locks;
    ASSERT_EQ(S_OK, local.As(IID_ISettory3, locks));
    int lock = -1;
    EXPECT_EQ(HRESULT(0), locks->IsLocked(kPolicyClass, kPolicyAllUsersInt, &lock));
    EXPECT_EQ(1, lock);
    EXPECT_EQ(HRESULT(0), locks->IsLocked(kPolicyClass, kPolicyPerUserText, &lock));
    EXPECT_EQ(0, lock);
    EXPECT_EQ(HRESULT(2), locks->IsLocked(L"{bad}", 1, &lock));
    base::ComPtr<IDispatch> dispatch;
    ASSERT_EQ(S_OK, local.As(IID_IDispatch, dispatch));
    LPOLESTR name[] = {const_cast<LPOLESTR>(L"IsLocked")};
    DISPID id = 0;
    ASSERT_EQ(S_OK, dispatch->GetIDsOfNames(IID_NULL, name, 1, 0, &id));
    int code = -1;
    lock = -1;
    EXPECT_EQ(S_OK, Call().Str(kPolicyClass).Int(kPolicyAllUsersInt).Ref(VT_I4, &lock).Invoke(dispatch.Get(), id, &code));
    EXPECT_EQ(0, code);
    EXPECT_EQ(1, lock);

    policy.Remove(HKEY_LOCAL_MACHINE, kPolicyAllUsersInt);
    ASSERT_EQ(HRESULT(0), local->GetCurrentValueEx(kPolicyClass, kPolicyAllUsersInt, buffer));
    EXPECT_STREQ(L"10", buffer) << "the write made under the policy was not stored";
    local.Reset();
    locks.Reset();
    dispatch.Reset();
    EXPECT_TRUE(testsupport::WaitUntil([] { return HostProcesses() == 0; }, 20000));
}

TEST(SettoryProcesses, PerUserValuesStayWithTheirUser_AllUsersValuesAreShared) {
    testsupport::TempFolder scratch;
    CStringW writer;
    writer.Format(L"write inproc %s %d mine", kClassA, kPerUserText);
    ASSERT_EQ(0, RunProbe(writer));
    writer.Format(L"write inproc %s %d 88", kClassA, kAllUsersInt);
    ASSERT_EQ(0, RunProbe(writer));
    EXPECT_EQ(L"mine", ReadByProbe(L"inproc", kClassA, kPerUserText, scratch.File(L"a.txt")));
    {
        testsupport::TempFolder otherProfile;
        testsupport::ScopedEnv otherUser(L"APPDATA", otherProfile.Path());
        EXPECT_EQ(L"hello", ReadByProbe(L"inproc", kClassA, kPerUserText, scratch.File(L"b.txt")));
        EXPECT_EQ(L"88", ReadByProbe(L"inproc", kClassA, kAllUsersInt, scratch.File(L"c.txt")));
    }
    writer.Format(L"write inproc %s %d hello", kClassA, kPerUserText);
    ASSERT_EQ(0, RunProbe(writer));
    writer.Format(L"write inproc %s %d 10", kClassA, kAllUsersInt);
    ASSERT_EQ(0, RunProbe(writer));
}

TEST(SettoryScripting, VBScriptBindsLateByName) {
    testsupport::TempFolder folder;
    CStringW script = folder.File(L"late.vbs");
    std::string cid = "\"A0000000-0000-4000-8000-00000000000A\"";
    std::string vbs =
        "Set o = CreateObject(\"Settory.CSettory\")\r\n"
        "v = 0\r\n"
        "r = o.GetDefaultValue(" + cid + ", 1, v)\r\n"
        "If r <> 0 Or v <> 10 Then WScript.Quit 10\r\n"
        "s = \"\"\r\n"
        "r = o.getcurrentvalueex(" + cid + ", 2, s)\r\n"
        "If r <> 0 Or s <> \"hello\" Then WScript.Quit 11\r\n"
        "r = o.SetCurrentValueEx(" + cid + ", 2, \"from script\")\r\n"
        "r = o.SetCurrentValue(" + cid + ", 1, 42)\r\n"
        "r = o.UpdateCurrentSetting()\r\n"
        "If r <> 0 Then WScript.Quit 12\r\n"
        "r = o.GETCURRENTVALUE(" + cid + ", 1, v)\r\n"
        "If r <> 0 Or v <> 42 Then WScript.Quit 13\r\n"
        "r = o.GetDefaultValue(\"{A0000000-0000-4000-8000-00000000000A}\", 1, v)\r\n"
        "If r <> 2 Then WScript.Quit 14\r\n"
        "Set a = CreateObject(\"LKSSettory.OSLRegApplication\")\r\n"
        "r = a.GetAppIcon(icon, index)\r\n"
        "If r <> 1 Or index <> -1 Then WScript.Quit 15\r\n"
        "o.SetCurrentValueEx " + cid + ", 2, \"hello\"\r\n"
        "o.SetCurrentValue " + cid + ", 1, 10\r\n"
        "o.UpdateCurrentSetting\r\n"
        "WScript.Quit 0\r\n";
    ASSERT_TRUE(testsupport::WriteTextFile(script, vbs));
    testsupport::ChildProcess cscript(L"cscript.exe //nologo \"" + script + L"\"");
    ASSERT_TRUE(cscript.Started());
    DWORD code = 999;
    ASSERT_TRUE(cscript.WaitExit(60000, &code));
    EXPECT_EQ(0u, code);
}

}  // namespace
