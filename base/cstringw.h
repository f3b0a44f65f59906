#pragma once
// CStringW: the wide string class the code and the plug-in headers are written against. Header-only,
// so a plug-in that includes it needs nothing else. Format uses the C runtime's Microsoft-style
// conversions, in which "%s" takes a wide string, as the callers expect.
#include <windows.h>
#include <stdarg.h>
#include <stdio.h>
#include <wchar.h>
#include <algorithm>
#include <string>

#ifdef OSTREL_BASE_LIBRARY
namespace base {
// The program's localised resource module, kept by the foundation library; see resource_module.h.
HINSTANCE CurrentResourceModule() noexcept;
}
#else
// The image of the module this code is linked into: a plug-in's strings are in its own file.
extern "C" IMAGE_DOS_HEADER __ImageBase;
#endif

class CStringW {
public:
    CStringW() = default;
    CStringW(const wchar_t* text) : s_(text ? text : L"") {}
    CStringW(const wchar_t* text, int length) : s_(text ? text : L"", text && length > 0 ? length : 0) {}
    CStringW(wchar_t ch, int repeat = 1) : s_(repeat > 0 ? repeat : 0, ch) {}
    CStringW(const std::wstring& text) : s_(text) {}

    int GetLength() const noexcept { return static_cast<int>(s_.size()); }
    bool IsEmpty() const noexcept { return s_.empty(); }
    void Empty() noexcept { s_.clear(); }
    const wchar_t* GetString() const noexcept { return s_.c_str(); }
    operator const wchar_t*() const noexcept { return s_.c_str(); }
    const std::wstring& Str() const noexcept { return s_; }

    wchar_t GetAt(int i) const { return s_.at(static_cast<size_t>(i)); }
    wchar_t operator[](int i) const { return GetAt(i); }
    void SetAt(int i, wchar_t ch) { s_.at(static_cast<size_t>(i)) = ch; }

    // Buffer access for APIs that write into caller memory. The buffer holds at least
    // minLength characters plus a terminator; ReleaseBuffer(-1) ends the string at the first NUL.
    wchar_t* GetBuffer(int minLength = 0) {
        if (minLength > GetLength()) s_.resize(static_cast<size_t>(minLength));
        return &s_[0];
    }
    wchar_t* GetBufferSetLength(int length) {
        s_.resize(static_cast<size_t>(length > 0 ? length : 0));
        return &s_[0];
    }
    void ReleaseBuffer(int newLength = -1) {
        if (newLength < 0) newLength = static_cast<int>(wcsnlen(s_.c_str(), s_.size()));
        s_.resize(static_cast<size_t>(std::min(newLength, GetLength())));
    }

    void FormatV(const wchar_t* format, va_list args) {
        s_.clear();
        AppendFormatV(format, args);
    }
    void Format(const wchar_t* format, ...) {
        va_list args;
        va_start(args, format);
        FormatV(format, args);
        va_end(args);
    }
    void AppendFormat(const wchar_t* format, ...) {
        va_list args;
        va_start(args, format);
        AppendFormatV(format, args);
        va_end(args);
    }
    void AppendFormatV(const wchar_t* format, va_list args) {
        if (!format) return;
        va_list probe;
        va_copy(probe, args);
        int needed = _vscwprintf(format, probe);
        va_end(probe);
        if (needed <= 0) return;
        size_t old = s_.size();
        s_.resize(old + static_cast<size_t>(needed) + 1);
        _vsnwprintf(&s_[old], static_cast<size_t>(needed) + 1, format, args);
        s_.resize(old + static_cast<size_t>(needed));
    }

    CStringW& Append(const wchar_t* text) {
        if (text) s_ += text;
        return *this;
    }
    CStringW& Append(const wchar_t* text, int length) {
        if (text && length > 0) s_.append(text, static_cast<size_t>(length));
        return *this;
    }
    CStringW& AppendChar(wchar_t ch) {
        s_ += ch;
        return *this;
    }
    CStringW& operator+=(const wchar_t* text) { return Append(text); }
    CStringW& operator+=(const CStringW& text) {
        s_ += text.s_;
        return *this;
    }
    CStringW& operator+=(wchar_t ch) { return AppendChar(ch); }

    int Compare(const wchar_t* other) const noexcept { return wcscmp(s_.c_str(), other ? other : L""); }
    int CompareNoCase(const wchar_t* other) const noexcept {
        return ::lstrcmpiW(s_.c_str(), other ? other : L"");
    }

    int Find(wchar_t ch, int start = 0) const noexcept {
        if (start < 0 || start > GetLength()) return -1;
        size_t at = s_.find(ch, static_cast<size_t>(start));
        return at == std::wstring::npos ? -1 : static_cast<int>(at);
    }
    int Find(const wchar_t* text, int start = 0) const noexcept {
        if (!text || start < 0 || start > GetLength()) return -1;
        size_t at = s_.find(text, static_cast<size_t>(start));
        return at == std::wstring::npos ? -1 : static_cast<int>(at);
    }
    int ReverseFind(wchar_t ch) const noexcept {
        size_t at = s_.rfind(ch);
        return at == std::wstring::npos ? -1 : static_cast<int>(at);
    }

    CStringW Left(int count) const { return Mid(0, count); }
    CStringW Right(int count) const {
        count = std::clamp(count, 0, GetLength());
        return CStringW(s_.substr(s_.size() - static_cast<size_t>(count)));
    }
    CStringW Mid(int first) const { return Mid(first, GetLength()); }
    CStringW Mid(int first, int count) const {
        first = std::clamp(first, 0, GetLength());
        count = std::clamp(count, 0, GetLength() - first);
        return CStringW(s_.substr(static_cast<size_t>(first), static_cast<size_t>(count)));
    }

    CStringW& TrimLeft() {
        size_t i = 0;
        while (i < s_.size() && iswspace(s_[i])) ++i;
        s_.erase(0, i);
        return *this;
    }
    CStringW& TrimRight() {
        size_t n = s_.size();
        while (n > 0 && iswspace(s_[n - 1])) --n;
        s_.resize(n);
        return *this;
    }
    CStringW& Trim() { return TrimRight().TrimLeft(); }
    CStringW& Trim(wchar_t ch) {
        size_t b = s_.find_first_not_of(ch);
        if (b == std::wstring::npos) {
            s_.clear();
        } else {
            s_ = s_.substr(b, s_.find_last_not_of(ch) - b + 1);
        }
        return *this;
    }
    CStringW& MakeUpper() {
        if (!s_.empty()) ::CharUpperBuffW(&s_[0], static_cast<DWORD>(s_.size()));
        return *this;
    }
    CStringW& MakeLower() {
        if (!s_.empty()) ::CharLowerBuffW(&s_[0], static_cast<DWORD>(s_.size()));
        return *this;
    }

    int Replace(const wchar_t* from, const wchar_t* to) {
        if (!from || !*from) return 0;
        std::wstring f(from), t(to ? to : L"");
        int count = 0;
        for (size_t at = s_.find(f); at != std::wstring::npos; at = s_.find(f, at + t.size())) {
            s_.replace(at, f.size(), t);
            ++count;
        }
        return count;
    }
    int Replace(wchar_t from, wchar_t to) {
        int count = 0;
        for (auto& ch : s_) {
            if (ch == from) {
                ch = to;
                ++count;
            }
        }
        return count;
    }
    int Delete(int index, int count = 1) {
        if (index >= 0 && index < GetLength() && count > 0) s_.erase(static_cast<size_t>(index), static_cast<size_t>(count));
        return GetLength();
    }
    int Insert(int index, const wchar_t* text) {
        index = std::clamp(index, 0, GetLength());
        if (text) s_.insert(static_cast<size_t>(index), text);
        return GetLength();
    }

    // Loads a string resource; FALSE (and an empty string) when the module lacks it.
    BOOL LoadString(HINSTANCE module, UINT id) {
        s_.clear();
        const wchar_t* text = nullptr;
        int length = ::LoadStringW(module, id, reinterpret_cast<LPWSTR>(&text), 0);
        if (length <= 0 || !text) return FALSE;
        s_.assign(text, static_cast<size_t>(length));
        return TRUE;
    }
#ifdef OSTREL_BASE_LIBRARY
    BOOL LoadString(UINT id) { return LoadString(base::CurrentResourceModule(), id); }
#else
    BOOL LoadString(UINT id) { return LoadString(reinterpret_cast<HINSTANCE>(&__ImageBase), id); }
#endif

    BSTR AllocSysString() const { return ::SysAllocStringLen(s_.data(), static_cast<UINT>(s_.size())); }

    friend CStringW operator+(const CStringW& a, const CStringW& b) { return CStringW(a.s_ + b.s_); }
    friend CStringW operator+(const CStringW& a, const wchar_t* b) { return CStringW(a.s_ + (b ? b : L"")); }
    friend CStringW operator+(const wchar_t* a, const CStringW& b) { return CStringW((a ? a : L"") + b.s_); }
    friend CStringW operator+(const CStringW& a, wchar_t b) { return CStringW(a.s_ + b); }
    friend bool operator==(const CStringW& a, const CStringW& b) noexcept { return a.s_ == b.s_; }
    friend bool operator==(const CStringW& a, const wchar_t* b) noexcept { return a.Compare(b) == 0; }
    friend bool operator==(const wchar_t* a, const CStringW& b) noexcept { return b.Compare(a) == 0; }
    friend bool operator!=(const CStringW& a, const CStringW& b) noexcept { return !(a == b); }
    friend bool operator!=(const CStringW& a, const wchar_t* b) noexcept { return !(a == b); }
    friend bool operator<(const CStringW& a, const CStringW& b) noexcept { return a.s_ < b.s_; }

private:
    std::wstring s_;
};
