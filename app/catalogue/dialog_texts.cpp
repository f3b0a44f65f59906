#include "catalogue/dialog_texts.h"

#include <cstring>

namespace ostrel {

namespace {
constexpr WORD kExtendedSignature = 0xFFFF;
// Resource type of the DLGINIT block that resource editors write beside a template.
constexpr WORD kDialogInitType = 240;

// Reads a resource's bytes; every read is checked against the end so that a template cut short or
// lying about its counts ends the walk instead of reading past the resource.
class Reader {
public:
    Reader(const void* data, size_t size) : base_(static_cast<const BYTE*>(data)), size_(data ? size : 0) {}

    bool ok() const { return ok_; }
    size_t offset() const { return offset_; }

    template <typename T>
    T Read() {
        T value{};
        if (!Need(sizeof(T))) return value;
        memcpy(&value, base_ + offset_, sizeof(T));
        offset_ += sizeof(T);
        return value;
    }
    void Skip(size_t bytes) {
        if (Need(bytes)) offset_ += bytes;
    }
    void AlignTo(size_t boundary) {
        size_t aligned = (offset_ + boundary - 1) / boundary * boundary;
        // The last item of a template may end without the padding.
        offset_ = aligned < size_ ? aligned : size_;
    }
    // A NUL-terminated UTF-16 string.
    CStringW ReadString() {
        CStringW text;
        for (;;) {
            wchar_t c = Read<wchar_t>();
            if (!ok_ || c == 0) break;
            text += c;
        }
        return text;
    }
    // A string or an ordinal (0xFFFF then a number, which names a class or an image, never a text).
    CStringW ReadStringOrOrdinal() {
        WORD first = Read<WORD>();
        if (!ok_ || first == 0) return CStringW();
        if (first == 0xFFFF) {
            Read<WORD>();
            return CStringW();
        }
        offset_ -= sizeof(WORD);
        return ReadString();
    }
    bool AtEnd() const { return offset_ >= size_; }

private:
    bool Need(size_t bytes) {
        if (!ok_ || bytes > size_ - offset_) ok_ = false;
        return ok_;
    }
    const BYTE* base_;
    size_t size_;
    size_t offset_ = 0;
    bool ok_ = true;
};

void Add(std::vector<DialogText>& texts, int controlId, const CStringW& raw) {
    CStringW text = StripMnemonics(raw);
    text.Trim();
    if (!text.IsEmpty()) texts.push_back({controlId, raw, text});
}
}  // namespace

CStringW StripMnemonics(const wchar_t* text) {
    CStringW out;
    if (!text) return out;
    for (const wchar_t* p = text; *p; ++p) {
        if (*p == L'&') {
            if (p[1] == L'&') ++p;
            else continue;
        }
        out += *p;
    }
    return out;
}

std::vector<DialogText> ReadDialogTemplateTexts(const void* data, size_t size) {
    std::vector<DialogText> texts;
    Reader r(data, size);
    WORD version = r.Read<WORD>();
    WORD signature = r.Read<WORD>();
    const bool extended = r.ok() && version == 1 && signature == kExtendedSignature;
    DWORD style = 0;
    WORD count = 0;
    if (extended) {
        r.Read<DWORD>();  // help id
        r.Read<DWORD>();  // extended style
        style = r.Read<DWORD>();
    } else {
        r = Reader(data, size);
        style = r.Read<DWORD>();
        r.Read<DWORD>();  // extended style
    }
    count = r.Read<WORD>();
    r.Skip(4 * sizeof(short));  // x, y, cx, cy
    r.ReadStringOrOrdinal();    // menu
    r.ReadStringOrOrdinal();    // window class
    Add(texts, kCaption, r.ReadString());
    if (style & (DS_SETFONT | DS_SHELLFONT)) {
        r.Read<WORD>();  // point size
        if (extended) {
            r.Read<WORD>();  // weight
            r.Read<BYTE>();  // italic
            r.Read<BYTE>();  // character set
        }
        r.ReadString();  // face
    }
    for (WORD item = 0; item < count && r.ok() && !r.AtEnd(); ++item) {
        r.AlignTo(sizeof(DWORD));
        int id = 0;
        if (extended) {
            r.Skip(3 * sizeof(DWORD));  // help id, extended style, style
            r.Skip(4 * sizeof(short));
            id = static_cast<int>(r.Read<DWORD>());
        } else {
            r.Skip(2 * sizeof(DWORD));
            r.Skip(4 * sizeof(short));
            id = static_cast<short>(r.Read<WORD>());
        }
        r.ReadStringOrOrdinal();  // class
        CStringW title = r.ReadStringOrOrdinal();
        WORD extra = r.Read<WORD>();
        r.Skip(extra);
        if (!r.ok()) break;
        Add(texts, id, title);
    }
    return texts;
}

std::vector<DialogText> ReadDialogInitTexts(const void* data, size_t size) {
    std::vector<DialogText> texts;
    Reader r(data, size);
    while (r.ok() && !r.AtEnd()) {
        WORD id = r.Read<WORD>();
        if (!r.ok() || id == 0) break;
        WORD message = r.Read<WORD>();
        DWORD length = r.Read<DWORD>();
        if (!r.ok()) break;
        size_t start = r.offset();
        r.Skip(length);
        if (!r.ok()) break;
        // The add-string messages of list and combo boxes, in the numbers resource editors store.
        bool addsString = message == 0x0401 || message == 0x0403 || message == LB_ADDSTRING ||
                          message == CB_ADDSTRING || message == 0x1234;
        if (!addsString || length == 0) continue;
        const char* bytes = static_cast<const char*>(data) + start;
        int chars = static_cast<int>(strnlen(bytes, length));
        int wide = ::MultiByteToWideChar(CP_ACP, 0, bytes, chars, nullptr, 0);
        if (wide <= 0) continue;
        CStringW text;
        ::MultiByteToWideChar(CP_ACP, 0, bytes, chars, text.GetBufferSetLength(wide), wide);
        text.ReleaseBuffer(wide);
        Add(texts, static_cast<short>(id), text);
    }
    return texts;
}

std::vector<DialogText> ReadDialogTexts(HMODULE module, UINT templateId) {
    std::vector<DialogText> texts;
    if (!module || !templateId) return texts;
    auto read = [&](LPCWSTR type, auto parse) {
        HRSRC found = ::FindResourceW(module, MAKEINTRESOURCEW(templateId), type);
        if (!found) return;
        HGLOBAL loaded = ::LoadResource(module, found);
        const void* data = loaded ? ::LockResource(loaded) : nullptr;
        if (!data) return;
        std::vector<DialogText> more = parse(data, ::SizeofResource(module, found));
        texts.insert(texts.end(), more.begin(), more.end());
    };
    read(RT_DIALOG, ReadDialogTemplateTexts);
    read(MAKEINTRESOURCEW(kDialogInitType), ReadDialogInitTexts);
    return texts;
}

}  // namespace ostrel
