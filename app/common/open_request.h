#pragma once
// The open request a start hands to the running instance's message window with WM_COPYDATA.
#include <windows.h>
#include "base/cstringw.h"

namespace ostrel {

enum RequestCode : ULONG_PTR {
    REQ_OPEN_MAIN = 0,
    REQ_OPEN_STATUS = 1,
};

// 64 UTF-16 characters for the class id (63 plus the terminator), then 4 bytes that stay zero.
constexpr int kRequestClassIdChars = 64;
constexpr DWORD kRequestPayloadBytes = 132;

struct RequestPayload {
    wchar_t classId[kRequestClassIdChars];
    BYTE reserved[4];
};
static_assert(sizeof(RequestPayload) == kRequestPayloadBytes, "the payload size is part of the hand-over protocol");

// Fills the payload with the class id. An id of 64 or more characters cannot be carried whole; it is
// dropped (the payload stays empty, so the default page opens) rather than cut into another id.
void FillRequestPayload(RequestPayload& payload, const CStringW& classId, BOOL hasClassId);

// Reads a request that arrived from any process. FALSE for data too short for the payload; a class
// id field without a terminator within its 64 characters yields an empty id.
BOOL ReadOpenRequest(const COPYDATASTRUCT* data, ULONG_PTR* code, CStringW* classId);

}  // namespace ostrel

namespace ostrel {
// Hands a request to a message window of this or another process. Bounded, so a window thread never
// hangs on a main thread that is itself waiting for that window thread to stop.
BOOL SendOpenRequest(HWND messageWindow, ULONG_PTR code, const CStringW& classId);
}  // namespace ostrel
