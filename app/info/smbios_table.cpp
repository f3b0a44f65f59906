#include "info/smbios_table.h"

#include <wbemidl.h>

#include "base/com_ptr.h"
#include "info/wmi_data.h"

namespace ostrel {
namespace {

constexpr BYTE kSystemInformationType = 1;
constexpr BYTE kEndOfTableType = 127;
// Type, length and handle: the header every structure starts with.
constexpr size_t kHeaderSize = 4;
constexpr size_t kVersionOffset = 6;

// The end of the zero-terminated string starting at at, or size when it runs off the table.
size_t StringEnd(const BYTE* data, size_t size, size_t at) {
    while (at < size && data[at] != 0) ++at;
    return at;
}

CStringW FromAnsi(const BYTE* text, size_t length) {
    CStringW result;
    if (length == 0) return result;
    int chars = ::MultiByteToWideChar(CP_ACP, 0, reinterpret_cast<const char*>(text), static_cast<int>(length),
                                      nullptr, 0);
    if (chars <= 0) return result;
    wchar_t* buffer = result.GetBufferSetLength(chars);
    ::MultiByteToWideChar(CP_ACP, 0, reinterpret_cast<const char*>(text), static_cast<int>(length), buffer, chars);
    return result;
}

// String number n (from 1) of the string set that starts at strings. FALSE when the set ends before
// it or the table ends inside it.
BOOL ReadStructureString(const BYTE* data, size_t size, size_t strings, BYTE number, CStringW* out) {
    size_t at = strings;
    for (BYTE i = 1;; ++i) {
        if (at >= size || data[at] == 0) return FALSE;  // past the table, or past the last string
        size_t end = StringEnd(data, size, at);
        if (end >= size) return FALSE;  // cut off mid-string
        if (i == number) {
            *out = FromAnsi(data + at, end - at);
            return TRUE;
        }
        at = end + 1;
    }
}

}  // namespace

BOOL FindSmbiosSystemVersion(const BYTE* data, size_t size, CStringW* out) {
    out->Empty();
    if (!data) return FALSE;
    size_t at = 0;
    while (at + kHeaderSize <= size) {
        BYTE type = data[at];
        size_t length = data[at + 1];
        if (length < kHeaderSize || length > size - at) return FALSE;
        size_t strings = at + length;
        if (type == kSystemInformationType) {
            // A structure too short to hold the version field has no version to give.
            if (length <= kVersionOffset) return FALSE;
            BYTE number = data[at + kVersionOffset];
            if (number == 0) return TRUE;
            return ReadStructureString(data, size, strings, number, out);
        }
        if (type == kEndOfTableType) return FALSE;
        // The string set ends with the first double zero after the formatted area.
        size_t end = strings;
        while (end + 1 < size && !(data[end] == 0 && data[end + 1] == 0)) ++end;
        if (end + 1 >= size) return FALSE;
        at = end + 2;
    }
    return FALSE;
}

void ReadSmbiosSystemVersion(CStringW* out) {
    out->Empty();
    base::ComInit com;
    if (!com.Ok()) return;
    base::ComPtr<IWbemLocator> locator;
    if (FAILED(::CoCreateInstance(CLSID_WbemLocator, nullptr, CLSCTX_INPROC_SERVER, IID_IWbemLocator,
                                  locator.PutVoid()))) {
        return;
    }
    base::ComPtr<IWbemServices> services;
    base::Bstr ns(L"root\\wmi");
    if (FAILED(locator->ConnectServer(ns.Get(), nullptr, nullptr, nullptr, 0, nullptr, nullptr, services.Put()))) {
        return;
    }
    SetWmiProxyBlanket(services.Get());

    base::ComPtr<IEnumWbemClassObject> results;
    base::Bstr language(L"WQL");
    base::Bstr query(L"Select * From MSSMBios_RawSMBiosTables");
    if (FAILED(services->ExecQuery(language.Get(), query.Get(), WBEM_FLAG_FORWARD_ONLY | WBEM_FLAG_RETURN_IMMEDIATELY,
                                   nullptr, results.Put()))) {
        return;
    }
    base::ComPtr<IWbemClassObject> object;
    ULONG returned = 0;
    if (FAILED(results->Next(WBEM_INFINITE, 1, object.Put(), &returned)) || returned != 1 || !object) return;

    base::Variant table;
    if (FAILED(object->Get(L"SMBiosData", 0, table.Get(), nullptr, nullptr))) return;
    if (table->vt != (VT_ARRAY | VT_UI1) || !table->parray) return;
    SAFEARRAY* bytes = table->parray;
    LONG lower = 0, upper = -1;
    if (::SafeArrayGetDim(bytes) != 1 || FAILED(::SafeArrayGetLBound(bytes, 1, &lower)) ||
        FAILED(::SafeArrayGetUBound(bytes, 1, &upper)) || upper < lower) {
        return;
    }
    void* raw = nullptr;
    if (FAILED(::SafeArrayAccessData(bytes, &raw))) return;
    FindSmbiosSystemVersion(static_cast<const BYTE*>(raw), static_cast<size_t>(upper - lower) + 1, out);
    ::SafeArrayUnaccessData(bytes);
}

}  // namespace ostrel
