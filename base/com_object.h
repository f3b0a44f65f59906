#pragma once
// COM object plumbing for in-process servers: the module lock count, a reference-counted object root
// that can be aggregated, and a class factory. Header-only; each DLL or program that includes it
// gets its own lock count.
//
// A class derives from its interfaces and from ComObjectRoot, puts BASE_COM_DELEGATING_UNKNOWN in
// its body and answers its interfaces in QueryInterfaceCore (never IUnknown: the root answers that
// with the non-delegating unknown, as aggregation requires). It is created only through
// CreateComObject<T>, which is what ClassFactory<T> calls.
#include <windows.h>
#include <objbase.h>
#include <new>

namespace base {

// Live objects plus LockServer locks; DllCanUnloadNow answers from it.
class ComModule {
public:
    static void Lock() noexcept { ::InterlockedIncrement(&Count()); }
    static void Unlock() noexcept { ::InterlockedDecrement(&Count()); }
    static LONG LockCount() noexcept { return ::InterlockedCompareExchange(&Count(), 0, 0); }

private:
    static LONG& Count() noexcept {
        static LONG count = 0;
        return count;
    }
};

class ComObjectRoot {
public:
    ComObjectRoot() noexcept : inner_(this) { ComModule::Lock(); }
    virtual ~ComObjectRoot() { ComModule::Unlock(); }
    ComObjectRoot(const ComObjectRoot&) = delete;
    ComObjectRoot& operator=(const ComObjectRoot&) = delete;

    // The identity that controls the object's lifetime: the outer unknown when aggregated.
    IUnknown* ControllingUnknown() noexcept { return outer_ ? outer_ : &inner_; }
    IUnknown* InnerUnknown() noexcept { return &inner_; }
    void SetOuter(IUnknown* outer) noexcept { outer_ = outer; }

protected:
    // Answers the object's own interfaces (AddRef is done by the caller); E_NOINTERFACE otherwise.
    virtual HRESULT QueryInterfaceCore(REFIID iid, void** out) = 0;

    HRESULT DelegatingQueryInterface(REFIID iid, void** out) noexcept {
        return ControllingUnknown()->QueryInterface(iid, out);
    }
    ULONG DelegatingAddRef() noexcept { return ControllingUnknown()->AddRef(); }
    ULONG DelegatingRelease() noexcept { return ControllingUnknown()->Release(); }

private:
    class Inner final : public IUnknown {
    public:
        explicit Inner(ComObjectRoot* owner) noexcept : owner_(owner) {}
        STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
            if (!out) return E_POINTER;
            *out = nullptr;
            if (IsEqualIID(iid, IID_IUnknown)) {
                *out = static_cast<IUnknown*>(this);
            } else {
                HRESULT hr = owner_->QueryInterfaceCore(iid, out);
                if (FAILED(hr) || !*out) {
                    *out = nullptr;
                    return E_NOINTERFACE;
                }
            }
            static_cast<IUnknown*>(*out)->AddRef();
            return S_OK;
        }
        STDMETHODIMP_(ULONG) AddRef() override { return static_cast<ULONG>(::InterlockedIncrement(&refs_)); }
        STDMETHODIMP_(ULONG) Release() override {
            LONG left = ::InterlockedDecrement(&refs_);
            if (left == 0) delete owner_;
            return static_cast<ULONG>(left);
        }

    private:
        ComObjectRoot* owner_;
        LONG refs_ = 0;
    };

    IUnknown* outer_ = nullptr;
    Inner inner_;
};

// The IUnknown of every interface a class implements forwards to the controlling unknown.
#define BASE_COM_DELEGATING_UNKNOWN                                                                  \
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override { return DelegatingQueryInterface(iid, out); } \
    STDMETHODIMP_(ULONG) AddRef() override { return DelegatingAddRef(); }                           \
    STDMETHODIMP_(ULONG) Release() override { return DelegatingRelease(); }

// Creates a T (a ComObjectRoot) and hands out the interface asked for. An outer unknown may only ask
// for IUnknown, and then receives the inner, non-delegating unknown.
template <typename T>
HRESULT CreateComObject(IUnknown* outer, REFIID iid, void** out) noexcept {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (outer && !IsEqualIID(iid, IID_IUnknown)) return CLASS_E_NOAGGREGATION;
    T* object = new (std::nothrow) T();
    if (!object) return E_OUTOFMEMORY;
    object->SetOuter(outer);
    IUnknown* inner = object->InnerUnknown();
    inner->AddRef();
    HRESULT hr = inner->QueryInterface(iid, out);
    inner->Release();
    return hr;
}

// A class factory living as a static object: its own references do not count, LockServer does.
template <typename T>
class ClassFactory final : public IClassFactory {
public:
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IClassFactory)) {
            *out = static_cast<IClassFactory*>(this);
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
        return CreateComObject<T>(outer, iid, out);
    }
    STDMETHODIMP LockServer(BOOL lock) override {
        if (lock) {
            ComModule::Lock();
        } else {
            ComModule::Unlock();
        }
        return S_OK;
    }
};

}  // namespace base
