#pragma once
// COM helpers: an owning interface pointer, a per-thread COM initialisation that remembers whether
// it must be undone, and owned BSTR / VARIANT values.
#include <windows.h>
#include <objbase.h>
#include <oleauto.h>
#include <utility>

namespace base {

template <typename T>
class ComPtr {
public:
    ComPtr() noexcept = default;
    ComPtr(std::nullptr_t) noexcept {}
    // Takes a new reference to p.
    explicit ComPtr(T* p) noexcept : p_(p) { if (p_) p_->AddRef(); }
    ComPtr(const ComPtr& other) noexcept : p_(other.p_) { if (p_) p_->AddRef(); }
    ComPtr(ComPtr&& other) noexcept : p_(other.p_) { other.p_ = nullptr; }
    ComPtr& operator=(const ComPtr& other) noexcept {
        if (p_ != other.p_) {
            if (other.p_) other.p_->AddRef();
            Reset();
            p_ = other.p_;
        }
        return *this;
    }
    ComPtr& operator=(ComPtr&& other) noexcept {
        if (this != &other) {
            Reset();
            p_ = other.p_;
            other.p_ = nullptr;
        }
        return *this;
    }
    ~ComPtr() { Reset(); }

    T* Get() const noexcept { return p_; }
    T* operator->() const noexcept { return p_; }
    explicit operator bool() const noexcept { return p_ != nullptr; }

    void Reset() noexcept {
        if (p_) {
            T* p = p_;
            p_ = nullptr;
            p->Release();
        }
    }
    // Adopts a reference the caller already owns.
    void Attach(T* p) noexcept {
        Reset();
        p_ = p;
    }
    [[nodiscard]] T* Detach() noexcept {
        T* p = p_;
        p_ = nullptr;
        return p;
    }
    // For out-parameters: releases what is held and hands out the slot.
    T** Put() noexcept {
        Reset();
        return &p_;
    }
    void** PutVoid() noexcept { return reinterpret_cast<void**>(Put()); }

    template <typename U>
    HRESULT As(REFIID iid, ComPtr<U>& out) const noexcept {
        if (!p_) return E_POINTER;
        return p_->QueryInterface(iid, out.PutVoid());
    }

private:
    T* p_ = nullptr;
};

// Initialises COM on this thread; a thread already in the other apartment model counts as
// initialised (RPC_E_CHANGED_MODE) but is not uninitialised again.
class ComInit {
public:
    explicit ComInit(DWORD model = COINIT_MULTITHREADED) noexcept
        : hr_(::CoInitializeEx(nullptr, model)) {}
    ~ComInit() {
        if (SUCCEEDED(hr_)) ::CoUninitialize();
    }
    ComInit(const ComInit&) = delete;
    ComInit& operator=(const ComInit&) = delete;
    bool Ok() const noexcept { return SUCCEEDED(hr_) || hr_ == RPC_E_CHANGED_MODE; }
    HRESULT Result() const noexcept { return hr_; }

private:
    HRESULT hr_;
};

class Bstr {
public:
    Bstr() noexcept = default;
    explicit Bstr(const wchar_t* text) : b_(text ? ::SysAllocString(text) : nullptr) {}
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;
    Bstr(Bstr&& other) noexcept : b_(other.b_) { other.b_ = nullptr; }
    ~Bstr() { ::SysFreeString(b_); }
    BSTR Get() const noexcept { return b_; }
    BSTR* Put() noexcept {
        ::SysFreeString(b_);
        b_ = nullptr;
        return &b_;
    }
    [[nodiscard]] BSTR Detach() noexcept {
        BSTR b = b_;
        b_ = nullptr;
        return b;
    }
    const wchar_t* CStr() const noexcept { return b_ ? b_ : L""; }

private:
    BSTR b_ = nullptr;
};

class Variant {
public:
    Variant() noexcept { ::VariantInit(&v_); }
    ~Variant() { ::VariantClear(&v_); }
    Variant(const Variant&) = delete;
    Variant& operator=(const Variant&) = delete;
    VARIANT* Get() noexcept { return &v_; }
    const VARIANT* Get() const noexcept { return &v_; }
    VARIANT* operator->() noexcept { return &v_; }
    void Clear() noexcept { ::VariantClear(&v_); }

private:
    VARIANT v_;
};

}  // namespace base
