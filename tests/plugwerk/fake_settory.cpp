#include "fake_settory.h"

#include <stdio.h>

#include <gtest/gtest.h>

#include "testing.h"

namespace pwtest {
namespace {

// The service's own conversions: text to the type the caller asks for, and back.
bool FromText(const std::wstring& text, VARIANT* value) {
    switch (value->vt) {
    case VT_BOOL:
    case VT_I2:
        value->iVal = static_cast<SHORT>(_wtoi(text.c_str()));
        return true;
    case VT_I4:
    case VT_INT:
        value->lVal = _wtol(text.c_str());
        return true;
    case VT_BSTR:
        value->bstrVal = ::SysAllocString(text.c_str());
        return true;
    default:
        ::VariantClear(value);
        return false;
    }
}

std::wstring ToText(const VARIANT& value) {
    wchar_t text[64] = {};
    switch (value.vt) {
    case VT_BOOL:
    case VT_I2:
        swprintf(text, 64, L"%d", static_cast<int>(value.iVal));
        return text;
    case VT_I4:
    case VT_INT:
        swprintf(text, 64, L"%d", static_cast<int>(value.lVal));
        return text;
    case VT_BSTR:
        return value.bstrVal ? value.bstrVal : L"";
    default:
        return L"";
    }
}

}  // namespace

std::wstring FakeSettory::Pending(size_t i) const {
    if (i >= pending.size()) return L"-";
    return std::to_wstring(pending[i].first.second) + L"=" + pending[i].second;
}

size_t FakeSettory::CountCalls(const std::wstring& prefix) const {
    size_t n = 0;
    for (const auto& call : calls) n += call.compare(0, prefix.size(), prefix) == 0 ? 1 : 0;
    return n;
}

void FakeSettory::Log(const wchar_t* method, LPCWSTR classId, int settingId) {
    (void)classId;
    APTTYPE type;
    APTTYPEQUALIFIER qualifier;
    if (FAILED(::CoGetApartmentType(&type, &qualifier)) || qualifier == APTTYPEQUALIFIER_IMPLICIT_MTA) {
        ++callsWithoutCom;
    }
    calls.push_back(std::wstring(method) + L" " + std::to_wstring(settingId));
}

HRESULT FakeSettory::QueryInterface(REFIID iid, void** out) {
    if (!out) return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch) || IsEqualIID(iid, IID_ISettory) ||
        IsEqualIID(iid, IID_ISettory2) || IsEqualIID(iid, IID_ISettory3)) {
        *out = static_cast<ISettory3*>(this);
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

HRESULT FakeSettory::IsLocked(LPCWSTR classId, int settingId, int* locked) {
    ++lockQuestions;
    auto it = locks.find({classId ? classId : L"", settingId});
    *locked = it == locks.end() ? 0 : it->second;
    return 0;
}

HRESULT FakeSettory::GetDefaultValue(LPCWSTR classId, int settingId, VARIANT* value) {
    Log(L"GetDefaultValue", classId, settingId);
    auto it = defaults.find({classId, settingId});
    if (it == defaults.end()) return 4;
    return FromText(it->second, value) ? 0 : 4;
}

const std::wstring* FakeSettory::CurrentOrDefault(LPCWSTR classId, int settingId) const {
    auto it = current.find({classId, settingId});
    if (it != current.end()) return &it->second;
    auto fallback = defaults.find({classId, settingId});
    return fallback != defaults.end() ? &fallback->second : nullptr;
}

HRESULT FakeSettory::GetCurrentValue(LPCWSTR classId, int settingId, VARIANT* value) {
    Log(L"GetCurrentValue", classId, settingId);
    const std::wstring* text = CurrentOrDefault(classId, settingId);
    if (!text) return 4;
    return FromText(*text, value) ? 0 : 4;
}

HRESULT FakeSettory::SetCurrentValue(LPCWSTR classId, int settingId, VARIANT value) {
    Log(L"SetCurrentValue", classId, settingId);
    pending.push_back({{classId, settingId}, ToText(value)});
    return 0;
}

HRESULT FakeSettory::Reload() {
    calls.push_back(L"Reload");
    return 0;
}

HRESULT FakeSettory::UpdateCurrentSetting() {
    calls.push_back(L"UpdateCurrentSetting");
    ++updates;
    if (updateResult == 0) {
        for (const auto& write : pending) current[write.first] = write.second;
        for (const auto& write : pending) {
            if (!registered.count(write.first)) continue;
            std::wstring name = L"Global\\" + write.first.first + L"," + std::to_wstring(write.first.second);
            if (HANDLE event = ::OpenEventW(EVENT_MODIFY_STATE, FALSE, name.c_str())) {
                ::SetEvent(event);
                ::CloseHandle(event);
            }
        }
    }
    pending.clear();
    return updateResult;
}

HRESULT FakeSettory::RegisterSettingChangeEvent(LPCWSTR classId, int settingId) {
    Log(L"RegisterSettingChangeEvent", classId, settingId);
    registered.insert({classId, settingId});
    return 0;
}

HRESULT FakeSettory::UnRegisterSettingChangeEvent(LPCWSTR classId, int settingId) {
    Log(L"UnRegisterSettingChangeEvent", classId, settingId);
    registered.erase({classId, settingId});
    return 0;
}

HRESULT FakeSettory::GetDefaultValueEx(LPCWSTR classId, int settingId, WCHAR* buffer) {
    Log(L"GetDefaultValueEx", classId, settingId);
    auto it = defaults.find({classId, settingId});
    if (!buffer || it == defaults.end() || it->second.size() >= SETTORY_VALUE_CAPACITY) return 1;
    wcscpy(buffer, it->second.c_str());
    return 0;
}

HRESULT FakeSettory::GetCurrentValueEx(LPCWSTR classId, int settingId, WCHAR* buffer) {
    Log(L"GetCurrentValueEx", classId, settingId);
    const std::wstring* text = CurrentOrDefault(classId, settingId);
    if (!buffer || !text || text->size() >= SETTORY_VALUE_CAPACITY) return 1;
    wcscpy(buffer, text->c_str());
    return 0;
}

HRESULT FakeSettory::SetCurrentValueEx(LPCWSTR classId, int settingId, LPCWSTR value) {
    Log(L"SetCurrentValueEx", classId, settingId);
    pending.push_back({{classId, settingId}, value ? value : L""});
    return 0;
}

ScopedFakeService::ScopedFakeService() { plugwerk_testing::UseSettory(&fake); }
ScopedFakeService::~ScopedFakeService() { plugwerk_testing::UseNoServices(); }

ScopedNoService::ScopedNoService() { plugwerk_testing::UseNoServices(); }
ScopedNoService::~ScopedNoService() { plugwerk_testing::UseNoServices(); }

namespace {
// No test reaches a real service by accident: those that want one say so.
class NoServiceByDefault : public ::testing::Environment {
public:
    void SetUp() override { plugwerk_testing::UseNoServices(); }
};
const auto* g_environment = ::testing::AddGlobalTestEnvironment(new NoServiceByDefault);
}  // namespace

}  // namespace pwtest
