#pragma once
// An in-process stand-in for the settings service: values kept as text in maps, every call logged.
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "Settory_h.h"

namespace pwtest {

class FakeSettory : public ISettory3 {
public:
    using Key = std::pair<std::wstring, int>;

    std::map<Key, std::wstring> defaults;
    std::map<Key, std::wstring> current;
    std::vector<std::pair<Key, std::wstring>> pending;
    std::vector<std::wstring> calls;
    // Settings whose change event clients asked for: storing one of them signals
    // "Global\<class id>,<setting id>", as the service does.
    std::set<Key> registered;
    // Calls from threads that had not initialised COM themselves (the real service's proxies need it).
    int callsWithoutCom = 0;
    HRESULT updateResult = 0;
    // Settings locked by policy, with the source IsLocked answers (not logged in calls).
    std::map<Key, int> locks;
    int lockQuestions = 0;
    int updates = 0;

    // Text of one pending write, or "-" when there is none at that position.
    std::wstring Pending(size_t i) const;
    size_t CountCalls(const std::wstring& prefix) const;

    // IUnknown: lives on the test's stack, so the count only guards against stray releases.
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
        return E_NOTIMPL;
    }

    HRESULT STDMETHODCALLTYPE GetDefaultValue(LPCWSTR classId, int settingId, VARIANT* value) override;
    HRESULT STDMETHODCALLTYPE GetCurrentValue(LPCWSTR classId, int settingId, VARIANT* value) override;
    HRESULT STDMETHODCALLTYPE SetCurrentValue(LPCWSTR classId, int settingId, VARIANT value) override;
    HRESULT STDMETHODCALLTYPE Reload() override;
    HRESULT STDMETHODCALLTYPE UpdateCurrentSetting() override;
    HRESULT STDMETHODCALLTYPE RegisterSettingChangeEvent(LPCWSTR classId, int settingId) override;
    HRESULT STDMETHODCALLTYPE UnRegisterSettingChangeEvent(LPCWSTR classId, int settingId) override;
    HRESULT STDMETHODCALLTYPE GetDefaultValueEx(LPCWSTR classId, int settingId, WCHAR* buffer) override;
    HRESULT STDMETHODCALLTYPE GetCurrentValueEx(LPCWSTR classId, int settingId, WCHAR* buffer) override;
    HRESULT STDMETHODCALLTYPE SetCurrentValueEx(LPCWSTR classId, int settingId, LPCWSTR value) override;
    HRESULT STDMETHODCALLTYPE RegisterWnd(ULONG_PTR) override { return 0; }
    HRESULT STDMETHODCALLTYPE UnRegisterWnd(ULONG_PTR) override { return 0; }
    HRESULT STDMETHODCALLTYPE IsLocked(LPCWSTR classId, int settingId, int* locked) override;

private:
    const std::wstring* CurrentOrDefault(LPCWSTR classId, int settingId) const;
    void Log(const wchar_t* method, LPCWSTR classId, int settingId);
};

// Installs a FakeSettory as the framework's service for one test and takes it out again.
class ScopedFakeService {
public:
    ScopedFakeService();
    ~ScopedFakeService();
    FakeSettory fake;
};

// For one test, the framework finds no service at all.
class ScopedNoService {
public:
    ScopedNoService();
    ~ScopedNoService();
};

}  // namespace pwtest
