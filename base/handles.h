#pragma once
// Owned Win32 handles. One policy template; each handle kind is an alias naming how it is closed and
// which value means "none" (kernel objects use null, files use INVALID_HANDLE_VALUE).
#include <windows.h>
#include <utility>

namespace base {

// Traits: a type with `Type`, `static Type Invalid()` and `static void Close(Type)`.
template <typename Traits>
class UniqueAny {
public:
    using T = typename Traits::Type;
    UniqueAny() noexcept = default;
    explicit UniqueAny(T value) noexcept : value_(value) {}
    UniqueAny(const UniqueAny&) = delete;
    UniqueAny& operator=(const UniqueAny&) = delete;
    UniqueAny(UniqueAny&& other) noexcept : value_(other.release()) {}
    UniqueAny& operator=(UniqueAny&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }
    ~UniqueAny() { reset(); }

    T get() const noexcept { return value_; }
    explicit operator bool() const noexcept { return valid(); }
    bool valid() const noexcept { return value_ != Traits::Invalid(); }

    void reset(T value = Traits::Invalid()) noexcept {
        if (valid()) Traits::Close(value_);
        value_ = value;
    }
    [[nodiscard]] T release() noexcept {
        T value = value_;
        value_ = Traits::Invalid();
        return value;
    }
    // For out-parameters: closes what is held and hands out the slot.
    T* put() noexcept {
        reset();
        return &value_;
    }

private:
    T value_ = Traits::Invalid();
};

namespace detail {
template <typename H, void (*CloseFn)(H)>
struct NullTraits {
    using Type = H;
    static Type Invalid() noexcept { return nullptr; }
    static void Close(Type h) noexcept { CloseFn(h); }
};
inline void CloseKernel(HANDLE h) noexcept { ::CloseHandle(h); }
inline void CloseKey(HKEY h) noexcept { ::RegCloseKey(h); }
inline void ReleaseModule(HMODULE h) noexcept { ::FreeLibrary(h); }
inline void DestroyIconHandle(HICON h) noexcept { ::DestroyIcon(h); }
inline void DeleteGdi(HGDIOBJ h) noexcept { ::DeleteObject(h); }
inline void DeleteDc(HDC h) noexcept { ::DeleteDC(h); }
inline void FreeLocal(HLOCAL h) noexcept { ::LocalFree(h); }
inline void FreeGlobal(HGLOBAL h) noexcept { ::GlobalFree(h); }
inline void FreeSidHandle(PSID h) noexcept { ::FreeSid(h); }
struct FileTraits {
    using Type = HANDLE;
    static Type Invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static void Close(Type h) noexcept { ::CloseHandle(h); }
};
struct FindTraits {
    using Type = HANDLE;
    static Type Invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static void Close(Type h) noexcept { ::FindClose(h); }
};
}  // namespace detail

using UniqueHandle = UniqueAny<detail::NullTraits<HANDLE, detail::CloseKernel>>;
using UniqueFile = UniqueAny<detail::FileTraits>;
using UniqueFind = UniqueAny<detail::FindTraits>;
using UniqueHKey = UniqueAny<detail::NullTraits<HKEY, detail::CloseKey>>;
using UniqueModule = UniqueAny<detail::NullTraits<HMODULE, detail::ReleaseModule>>;
using UniqueIcon = UniqueAny<detail::NullTraits<HICON, detail::DestroyIconHandle>>;
using UniqueGdiObject = UniqueAny<detail::NullTraits<HGDIOBJ, detail::DeleteGdi>>;
using UniqueDc = UniqueAny<detail::NullTraits<HDC, detail::DeleteDc>>;
using UniqueLocal = UniqueAny<detail::NullTraits<HLOCAL, detail::FreeLocal>>;
using UniqueGlobal = UniqueAny<detail::NullTraits<HGLOBAL, detail::FreeGlobal>>;
using UniqueSid = UniqueAny<detail::NullTraits<PSID, detail::FreeSidHandle>>;

// Holds a critical section for the lifetime of the object.
class CriticalSection {
public:
    CriticalSection() noexcept { ::InitializeCriticalSection(&cs_); }
    ~CriticalSection() { ::DeleteCriticalSection(&cs_); }
    CriticalSection(const CriticalSection&) = delete;
    CriticalSection& operator=(const CriticalSection&) = delete;
    void Lock() noexcept { ::EnterCriticalSection(&cs_); }
    void Unlock() noexcept { ::LeaveCriticalSection(&cs_); }
    BOOL TryLock() noexcept { return ::TryEnterCriticalSection(&cs_); }

private:
    CRITICAL_SECTION cs_;
};

class CriticalSectionLock {
public:
    explicit CriticalSectionLock(CriticalSection& cs) noexcept : cs_(cs) { cs_.Lock(); }
    ~CriticalSectionLock() { cs_.Unlock(); }
    CriticalSectionLock(const CriticalSectionLock&) = delete;
    CriticalSectionLock& operator=(const CriticalSectionLock&) = delete;

private:
    CriticalSection& cs_;
};

}  // namespace base
