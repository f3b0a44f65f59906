// Reads windows of another process the way a screen reader does: AccessibleObjectFromWindow, then
// IAccessible on the object and on each of its simple children. Writes, per window given, one line
// for the object (child id 0) and one per child, as UTF-8:
//   <window in hex> TAB <child id> TAB <role> TAB <state in hex> TAB <name> TAB <value> TAB <default action>
// Usage: access_reader <output file> <window in hex>[/<child id>]...
// With a child id the reader does that child's default action (as a reader's "click") instead.
#include <windows.h>
#include <oleacc.h>
#include <shellapi.h>

#include <cstdio>
#include <cwchar>
#include <string>

namespace {
std::string Utf8(const wchar_t* text) {
    if (!text || !*text) return {};
    int size = ::WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(size), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text, -1, out.data(), size, nullptr, nullptr);
    out.resize(static_cast<size_t>(size - 1));
    return out;
}

std::string Text(HRESULT hr, BSTR text) {
    std::string out = SUCCEEDED(hr) ? Utf8(text) : std::string();
    ::SysFreeString(text);
    return out;
}

void WriteChild(FILE* out, HWND window, IAccessible* object, long id) {
    VARIANT child;
    ::VariantInit(&child);
    child.vt = VT_I4;
    child.lVal = id;
    VARIANT role, state;
    ::VariantInit(&role);
    ::VariantInit(&state);
    object->get_accRole(child, &role);
    object->get_accState(child, &state);
    BSTR name = nullptr, value = nullptr, action = nullptr;
    // Each call fills its BSTR before the BSTR is read (an argument list would not order them).
    HRESULT hr = object->get_accName(child, &name);
    std::string nameText = Text(hr, name);
    hr = object->get_accValue(child, &value);
    std::string valueText = Text(hr, value);
    hr = object->get_accDefaultAction(child, &action);
    std::string actionText = Text(hr, action);
    fprintf(out, "%llx\t%ld\t%ld\t%lx\t%s\t%s\t%s\n", static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(window)),
            id, role.vt == VT_I4 ? role.lVal : -1, state.vt == VT_I4 ? static_cast<unsigned long>(state.lVal) : 0ul,
            nameText.c_str(), valueText.c_str(), actionText.c_str());
    ::VariantClear(&role);
    ::VariantClear(&state);
}
}  // namespace

int main() {
    int argc = 0;
    wchar_t** argv = ::CommandLineToArgvW(::GetCommandLineW(), &argc);
    if (!argv || argc < 3) return 2;
    ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    FILE* out = _wfopen(argv[1], L"wb");
    if (!out) return 3;
    int failures = 0;
    for (int i = 2; i < argc; ++i) {
        wchar_t* rest = nullptr;
        HWND window = reinterpret_cast<HWND>(static_cast<UINT_PTR>(wcstoull(argv[i], &rest, 16)));
        IAccessible* object = nullptr;
        if (FAILED(::AccessibleObjectFromWindow(window, OBJID_CLIENT, __uuidof(IAccessible), reinterpret_cast<void**>(&object))) ||
            !object) {
            ++failures;
            continue;
        }
        if (rest && *rest == L'/') {
            VARIANT child;
            ::VariantInit(&child);
            child.vt = VT_I4;
            child.lVal = wcstol(rest + 1, nullptr, 10);
            if (FAILED(object->accDoDefaultAction(child))) ++failures;
            object->Release();
            continue;
        }
        WriteChild(out, window, object, CHILDID_SELF);
        long count = 0;
        if (SUCCEEDED(object->get_accChildCount(&count))) {
            // Only simple children (rows) are listed; a child that is an object of its own is skipped.
            for (long id = 1; id <= count; ++id) {
                VARIANT child;
                ::VariantInit(&child);
                child.vt = VT_I4;
                child.lVal = id;
                IDispatch* dispatch = nullptr;
                if (object->get_accChild(child, &dispatch) == S_OK && dispatch) {
                    dispatch->Release();
                    continue;
                }
                WriteChild(out, window, object, id);
            }
        }
        object->Release();
    }
    fclose(out);
    ::LocalFree(argv);
    ::CoUninitialize();
    return failures;
}
