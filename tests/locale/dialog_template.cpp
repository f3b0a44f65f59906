#include "locale/dialog_template.h"

namespace localetest {
namespace {

// Walks a template with bounds checks: a truncated resource ends the walk instead of reading past it.
class Reader {
public:
    Reader(const BYTE* data, size_t size) : data_(data), size_(size) {}
    bool ok() const { return ok_; }
    template <typename T>
    T Get() {
        T value{};
        if (pos_ + sizeof(T) > size_) {
            ok_ = false;
            return value;
        }
        memcpy(&value, data_ + pos_, sizeof(T));
        pos_ += sizeof(T);
        return value;
    }
    std::wstring String() {
        std::wstring text;
        for (wchar_t c = Get<wchar_t>(); ok_ && c; c = Get<wchar_t>()) text += c;
        return text;
    }
    // A name that may be an ordinal: 0xFFFF then the number.
    std::wstring StringOrOrdinal(WORD* ordinal) {
        *ordinal = 0;
        WORD first = Get<WORD>();
        if (first == 0xFFFF) {
            *ordinal = Get<WORD>();
            return std::wstring();
        }
        if (first == 0) return std::wstring();
        std::wstring text(1, static_cast<wchar_t>(first));
        return text + String();
    }
    void AlignTo4() { pos_ = (pos_ + 3) & ~size_t{3}; }
    void Skip(size_t n) {
        if (pos_ + n <= size_) {
            pos_ += n;
        } else {
            ok_ = false;
        }
    }

private:
    const BYTE* data_;
    size_t size_;
    size_t pos_ = 0;
    bool ok_ = true;
};

std::wstring ClassOfOrdinal(WORD ordinal) {
    switch (ordinal) {
    case 0x80: return L"Button";
    case 0x81: return L"Edit";
    case 0x82: return L"Static";
    case 0x83: return L"ListBox";
    case 0x84: return L"ScrollBar";
    case 0x85: return L"ComboBox";
    default: return L"#" + std::to_wstring(ordinal);
    }
}

bool ParseDialog(const BYTE* data, size_t size, DialogTemplate* dialog) {
    Reader r(data, size);
    WORD version = r.Get<WORD>();
    WORD signature = r.Get<WORD>();
    if (version != 1 || signature != 0xFFFF) return false;  // the resource compiler writes DIALOGEX only
    r.Get<DWORD>();  // help id
    r.Get<DWORD>();  // extended style
    DWORD style = r.Get<DWORD>();
    WORD count = r.Get<WORD>();
    r.Skip(4 * sizeof(short));
    WORD ordinal = 0;
    r.StringOrOrdinal(&ordinal);  // menu
    r.StringOrOrdinal(&ordinal);  // class
    dialog->caption = r.String();
    if (style & (DS_SETFONT | DS_SHELLFONT)) {
        dialog->pointSize = r.Get<WORD>();
        dialog->weight = r.Get<WORD>();
        r.Get<BYTE>();  // italic
        dialog->charset = r.Get<BYTE>();
        dialog->face = r.String();
    }
    for (WORD i = 0; i < count && r.ok(); ++i) {
        r.AlignTo4();
        DialogControl c;
        r.Get<DWORD>();  // help id
        r.Get<DWORD>();  // extended style
        c.style = r.Get<DWORD>();
        short x = r.Get<short>(), y = r.Get<short>(), cx = r.Get<short>(), cy = r.Get<short>();
        c.units = {x, y, x + cx, y + cy};
        c.id = r.Get<DWORD>();
        c.windowClass = r.StringOrOrdinal(&ordinal);
        if (c.windowClass.empty()) c.windowClass = ClassOfOrdinal(ordinal);
        c.text = r.StringOrOrdinal(&ordinal);
        r.Skip(r.Get<WORD>());  // creation data
        dialog->controls.push_back(c);
    }
    return r.ok();
}

struct Search {
    LANGID language;
    HMODULE module;
    std::vector<WORD> ids;
};

BOOL CALLBACK CollectIds(HMODULE, LPCWSTR, LPWSTR name, LONG_PTR param) {
    if (IS_INTRESOURCE(name)) reinterpret_cast<Search*>(param)->ids.push_back(LOWORD(reinterpret_cast<ULONG_PTR>(name)));
    return TRUE;
}

// The bytes of one resource in exactly that language (no fallback to another).
bool ResourceBytes(HMODULE module, LPCWSTR type, WORD id, LANGID language, const BYTE** data, DWORD* size) {
    HRSRC found = ::FindResourceExW(module, type, MAKEINTRESOURCEW(id), language);
    if (!found) return false;
    HGLOBAL loaded = ::LoadResource(module, found);
    *data = loaded ? static_cast<const BYTE*>(::LockResource(loaded)) : nullptr;
    *size = ::SizeofResource(module, found);
    return *data != nullptr;
}

}  // namespace

std::map<WORD, DialogTemplate> ReadDialogs(HMODULE module, LANGID language) {
    Search search{language, module, {}};
    ::EnumResourceNamesW(module, RT_DIALOG, CollectIds, reinterpret_cast<LONG_PTR>(&search));
    std::map<WORD, DialogTemplate> dialogs;
    for (WORD id : search.ids) {
        const BYTE* data = nullptr;
        DWORD size = 0;
        DialogTemplate dialog;
        dialog.id = id;
        if (ResourceBytes(module, RT_DIALOG, id, language, &data, &size) && ParseDialog(data, size, &dialog)) {
            dialogs[id] = dialog;
        }
    }
    return dialogs;
}

std::map<UINT, std::wstring> ReadStrings(HMODULE module, LANGID language) {
    Search search{language, module, {}};
    ::EnumResourceNamesW(module, RT_STRING, CollectIds, reinterpret_cast<LONG_PTR>(&search));
    std::map<UINT, std::wstring> strings;
    for (WORD block : search.ids) {
        const BYTE* data = nullptr;
        DWORD size = 0;
        if (!ResourceBytes(module, RT_STRING, block, language, &data, &size)) continue;
        Reader r(data, size);
        for (UINT entry = 0; entry < 16; ++entry) {
            WORD length = r.Get<WORD>();
            std::wstring text;
            for (WORD k = 0; k < length && r.ok(); ++k) text += r.Get<wchar_t>();
            if (!r.ok()) break;
            if (length) strings[(block - 1u) * 16u + entry] = text;
        }
    }
    return strings;
}

wchar_t Mnemonic(const std::wstring& text) {
    for (size_t i = 0; i + 1 < text.size(); ++i) {
        if (text[i] != L'&') continue;
        if (text[i + 1] == L'&') {
            ++i;
            continue;
        }
        ULONG_PTR upper = reinterpret_cast<ULONG_PTR>(::CharUpperW(reinterpret_cast<LPWSTR>(static_cast<ULONG_PTR>(text[i + 1]))));
        return static_cast<wchar_t>(upper);
    }
    return 0;
}

}  // namespace localetest
