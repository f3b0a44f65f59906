#include "info/system_facts.h"

#include <cwctype>

namespace ostrel {

void FormatKilobytes(unsigned long long kilobytes, CStringW* out) {
    static const wchar_t* const kUnits[] = {L" KBytes", L" MBytes", L" GBytes", L" TBytes", L" PBytes"};
    unsigned long long value = kilobytes;
    unsigned unit = 0;
    unsigned thousandths = 0;
    while (value / 1024 != 0 && unit < 4) {
        thousandths = static_cast<unsigned>((value % 1024) * 1000 / 1024);
        value /= 1024;
        ++unit;
    }
    out->Format(L"%llu", value);
    if (thousandths != 0) out->AppendFormat(L".%03u", thousandths);
    out->Append(kUnits[unit]);
}

unsigned long long RoundMemoryKilobytes(unsigned long long bytes) {
    constexpr unsigned long long kStep = 4096;
    unsigned long long kilobytes = bytes / 1024;
    // No overflow: a byte count divided by 1024 leaves ten bits of head room.
    return (kilobytes + kStep - 1) / kStep * kStep;
}

CStringW FormatClockSpeed(unsigned long long megahertz) {
    CStringW text;
    text.Format(L"%.2f GHz", static_cast<double>(megahertz) / 1000.0);
    return text;
}

BOOL ParseUnsigned64(const wchar_t* text, unsigned long long* value) {
    *value = 0;
    if (!text) return FALSE;
    const wchar_t* p = text;
    while (std::iswspace(*p)) ++p;
    if (*p < L'0' || *p > L'9') return FALSE;
    unsigned long long result = 0;
    for (; *p >= L'0' && *p <= L'9'; ++p) {
        unsigned digit = static_cast<unsigned>(*p - L'0');
        if (result > (~0ULL - digit) / 10) return FALSE;
        result = result * 10 + digit;
    }
    while (std::iswspace(*p)) ++p;
    if (*p) return FALSE;
    *value = result;
    return TRUE;
}

CStringW ComposeOperatingSystem(const CStringW& caption, const CStringW& servicePack, const wchar_t* mediaCenterName) {
    CStringW text = mediaCenterName ? CStringW(mediaCenterName) : caption;
    // Systems without a service pack report none (or an empty text): no dangling separator then.
    if (!servicePack.IsEmpty()) text += L" " + servicePack;
    return text.Trim();
}

}  // namespace ostrel
