#include "common/open_request.h"

#include <string.h>
#include <wchar.h>

namespace ostrel {

void FillRequestPayload(RequestPayload& payload, const CStringW& classId, BOOL hasClassId) {
    memset(&payload, 0, sizeof(payload));
    if (hasClassId && classId.GetLength() < kRequestClassIdChars) {
        wcscpy_s(payload.classId, kRequestClassIdChars, classId);
    }
}

BOOL ReadOpenRequest(const COPYDATASTRUCT* data, ULONG_PTR* code, CStringW* classId) {
    if (!data || !data->lpData || data->cbData < kRequestPayloadBytes) return FALSE;
    const auto* field = static_cast<const wchar_t*>(data->lpData);
    size_t length = wcsnlen(field, kRequestClassIdChars);
    *code = data->dwData;
    *classId = length < kRequestClassIdChars ? CStringW(field, static_cast<int>(length)) : CStringW();
    return TRUE;
}

}  // namespace ostrel

namespace ostrel {
BOOL SendOpenRequest(HWND messageWindow, ULONG_PTR code, const CStringW& classId) {
    RequestPayload payload;
    FillRequestPayload(payload, classId, !classId.IsEmpty());
    COPYDATASTRUCT data = {};
    data.dwData = code;
    data.cbData = kRequestPayloadBytes;
    data.lpData = &payload;
    DWORD_PTR result = 0;
    return ::SendMessageTimeoutW(messageWindow, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data),
                                 SMTO_ABORTIFHUNG, 5000, &result) != 0;
}
}  // namespace ostrel
