#include <gtest/gtest.h>

#include <vector>

#include "common/open_request.h"

using namespace ostrel;

TEST(OpenRequest, PayloadCarriesIdsUpTo63CharactersAndDropsLongerOnes) {
    RequestPayload payload;
    FillRequestPayload(payload, CStringW(L'a', 63), TRUE);
    EXPECT_EQ(63u, wcslen(payload.classId));
    FillRequestPayload(payload, CStringW(L'a', 64), TRUE);
    EXPECT_STREQ(L"", payload.classId);
    FillRequestPayload(payload, L"95200B73-6BC6-4FA3-A9CE-402DC1D4520E", FALSE);
    EXPECT_STREQ(L"", payload.classId);
    FillRequestPayload(payload, L"95200B73-6BC6-4FA3-A9CE-402DC1D4520E", TRUE);
    EXPECT_STREQ(L"95200B73-6BC6-4FA3-A9CE-402DC1D4520E", payload.classId);
    for (BYTE b : payload.reserved) EXPECT_EQ(0, b);
}

TEST(OpenRequest, ReadsWellFormedRequests) {
    RequestPayload payload;
    FillRequestPayload(payload, L"ABC", TRUE);
    COPYDATASTRUCT data = {REQ_OPEN_STATUS, kRequestPayloadBytes, &payload};
    ULONG_PTR code = 99;
    CStringW classId;
    ASSERT_TRUE(ReadOpenRequest(&data, &code, &classId));
    EXPECT_EQ(static_cast<ULONG_PTR>(REQ_OPEN_STATUS), code);
    EXPECT_STREQ(L"ABC", classId);
}

TEST(OpenRequest, RejectsShortOrMissingData) {
    RequestPayload payload;
    FillRequestPayload(payload, L"ABC", TRUE);
    ULONG_PTR code = 0;
    CStringW classId;
    COPYDATASTRUCT shortData = {REQ_OPEN_MAIN, kRequestPayloadBytes - 1, &payload};
    EXPECT_FALSE(ReadOpenRequest(&shortData, &code, &classId));
    COPYDATASTRUCT noData = {REQ_OPEN_MAIN, kRequestPayloadBytes, nullptr};
    EXPECT_FALSE(ReadOpenRequest(&noData, &code, &classId));
    EXPECT_FALSE(ReadOpenRequest(nullptr, &code, &classId));
}

TEST(OpenRequest, UnterminatedIdFieldGivesEmptyIdAndNeverReadsPastIt) {
    // The field is followed by non-zero bytes: a reader that looked for the terminator beyond 64
    // characters would pick them up.
    std::vector<wchar_t> block(200, L'Z');
    COPYDATASTRUCT data = {REQ_OPEN_MAIN, kRequestPayloadBytes, block.data()};
    ULONG_PTR code = 7;
    CStringW classId(L"previous");
    ASSERT_TRUE(ReadOpenRequest(&data, &code, &classId));
    EXPECT_EQ(static_cast<ULONG_PTR>(REQ_OPEN_MAIN), code);
    EXPECT_TRUE(classId.IsEmpty());
}

TEST(OpenRequest, OversizedDataReadsOnlyTheField) {
    std::vector<BYTE> block(4096, 0);
    wcscpy(reinterpret_cast<wchar_t*>(block.data()), L"ID");
    COPYDATASTRUCT data = {REQ_OPEN_MAIN, static_cast<DWORD>(block.size()), block.data()};
    ULONG_PTR code = 0;
    CStringW classId;
    ASSERT_TRUE(ReadOpenRequest(&data, &code, &classId));
    EXPECT_STREQ(L"ID", classId);
}
