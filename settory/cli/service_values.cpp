#include "settory/cli/service_values.h"

#include <climits>
#include <cwchar>

#include "base/com_ptr.h"
#include "settory/cli/locks.h"

namespace settorycli {
namespace {

using ReadMethod = HRESULT(STDMETHODCALLTYPE ISettory::*)(LPCWSTR, int, VARIANT*);

HRESULT Read(ISettory* settory, ReadMethod method, const std::wstring& classId, int id, std::wstring* value) {
    base::Variant text;
    V_VT(text.Get()) = VT_BSTR;
    V_BSTR(text.Get()) = nullptr;
    HRESULT r = (settory->*method)(classId.c_str(), id, text.Get());
    if (r != 0) return r;
    *value = V_VT(text.Get()) == VT_BSTR && V_BSTR(text.Get()) ? V_BSTR(text.Get()) : L"";
    return 0;
}

}  // namespace

HRESULT ReadCurrent(ISettory* settory, const std::wstring& classId, int settingId, std::wstring* value) {
    return Read(settory, &ISettory::GetCurrentValue, classId, settingId, value);
}

HRESULT ReadDefault(ISettory* settory, const std::wstring& classId, int settingId, std::wstring* value) {
    return Read(settory, &ISettory::GetDefaultValue, classId, settingId, value);
}

// One answer for every command that writes (set, import), so they refuse the same settings.
bool IsLockedByPolicy(ISettory* settory, const std::wstring& classId, int settingId) {
    return LockOf(settory, classId, settingId) != 0;
}

bool ParseSettingId(const std::wstring& text, int* id) {
    if (text.empty() || text.size() > 11) return false;
    wchar_t* end = nullptr;
    long long value = wcstoll(text.c_str(), &end, 10);
    if (*end || value < INT_MIN || value > INT_MAX) return false;
    if (std::to_wstring(value) != text) return false;
    *id = static_cast<int>(value);
    return true;
}

bool IsIntegerText(const std::wstring& text) {
    int ignored = 0;
    return ParseSettingId(text, &ignored);
}

}  // namespace settorycli
