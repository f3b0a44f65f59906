#include "settory/cli/locks.h"

#include "base/com_ptr.h"

namespace settorycli {

int LockOf(ISettory* settory, const std::wstring& classId, int settingId) {
    base::ComPtr<ISettory3> withPolicy;
    if (!settory || FAILED(settory->QueryInterface(IID_ISettory3, withPolicy.PutVoid()))) return 0;
    int lock = 0;
    if (withPolicy->IsLocked(classId.c_str(), settingId, &lock) != 0) return 0;
    return lock;
}

std::wstring LockText(int lock) {
    switch (lock) {
    case 1: return L"locked by machine policy";
    case 2: return L"locked by user policy";
    default: return std::wstring();
    }
}

std::wstring RefusedMessage(const std::wstring& classId, int settingId, int lock) {
    return L"setting " + classId + L" " + std::to_wstring(settingId) + L" is " + LockText(lock) +
           L"; your organization manages it, so it cannot be changed here (the administrator's policy value "
           L"answers until the policy is removed)";
}

}  // namespace settorycli
