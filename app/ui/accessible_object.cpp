#include "ui/accessible_object.h"

namespace ostrel {
namespace {
// MinGW's oleacc import library also exports a symbol of this name: linked from there, the id is read
// from the import thunk's code bytes and no interface of that "id" can be marshalled.
const IID kIidAccessible = __uuidof(IAccessible);
}  // namespace

AccessibleObject::AccessibleObject(HWND window) : window_(window) {
    ::CreateStdAccessibleObject(window, OBJID_CLIENT, kIidAccessible, standard_.PutVoid());
}

STDMETHODIMP AccessibleObject::QueryInterface(REFIID iid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch) || IsEqualIID(iid, kIidAccessible)) {
        *out = static_cast<IAccessible*>(this);
        AddRef();
        return S_OK;
    }
    return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) AccessibleObject::AddRef() { return static_cast<ULONG>(::InterlockedIncrement(&refs_)); }

STDMETHODIMP_(ULONG) AccessibleObject::Release() {
    LONG left = ::InterlockedDecrement(&refs_);
    if (left == 0) delete this;
    return static_cast<ULONG>(left);
}

STDMETHODIMP AccessibleObject::GetTypeInfoCount(UINT* count) {
    if (!count) return E_POINTER;
    *count = 0;
    return S_OK;
}
STDMETHODIMP AccessibleObject::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
    if (info) *info = nullptr;
    return E_NOTIMPL;
}
STDMETHODIMP AccessibleObject::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) { return E_NOTIMPL; }
STDMETHODIMP AccessibleObject::Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) {
    return E_NOTIMPL;
}

long AccessibleObject::ChildId(const VARIANT& child) { return child.vt == VT_I4 ? child.lVal : -1; }

HRESULT AccessibleObject::ReturnText(const CStringW& text, BSTR* out) {
    if (!out) return E_POINTER;
    *out = ::SysAllocString(text);
    return *out ? S_OK : E_OUTOFMEMORY;
}

HRESULT AccessibleObject::ReturnLong(long value, VARIANT* out) {
    if (!out) return E_POINTER;
    ::VariantInit(out);
    out->vt = VT_I4;
    out->lVal = value;
    return S_OK;
}

// A window that is gone answers like an object whose server went away.
#define FORWARD_TO_STANDARD(call)                 \
    if (!::IsWindow(window_)) return E_FAIL;      \
    if (!standard_) return E_NOTIMPL;             \
    return standard_->call

STDMETHODIMP AccessibleObject::get_accParent(IDispatch** parent) { FORWARD_TO_STANDARD(get_accParent(parent)); }
STDMETHODIMP AccessibleObject::get_accChildCount(long* count) { FORWARD_TO_STANDARD(get_accChildCount(count)); }
STDMETHODIMP AccessibleObject::get_accChild(VARIANT child, IDispatch** dispatch) {
    FORWARD_TO_STANDARD(get_accChild(child, dispatch));
}
STDMETHODIMP AccessibleObject::get_accName(VARIANT child, BSTR* name) { FORWARD_TO_STANDARD(get_accName(child, name)); }
STDMETHODIMP AccessibleObject::get_accValue(VARIANT child, BSTR* value) {
    FORWARD_TO_STANDARD(get_accValue(child, value));
}
STDMETHODIMP AccessibleObject::get_accDescription(VARIANT child, BSTR* description) {
    FORWARD_TO_STANDARD(get_accDescription(child, description));
}
STDMETHODIMP AccessibleObject::get_accRole(VARIANT child, VARIANT* role) { FORWARD_TO_STANDARD(get_accRole(child, role)); }
STDMETHODIMP AccessibleObject::get_accState(VARIANT child, VARIANT* state) {
    FORWARD_TO_STANDARD(get_accState(child, state));
}
STDMETHODIMP AccessibleObject::get_accHelp(VARIANT child, BSTR* help) { FORWARD_TO_STANDARD(get_accHelp(child, help)); }
STDMETHODIMP AccessibleObject::get_accHelpTopic(BSTR* file, VARIANT child, long* topic) {
    FORWARD_TO_STANDARD(get_accHelpTopic(file, child, topic));
}
STDMETHODIMP AccessibleObject::get_accKeyboardShortcut(VARIANT child, BSTR* shortcut) {
    FORWARD_TO_STANDARD(get_accKeyboardShortcut(child, shortcut));
}
STDMETHODIMP AccessibleObject::get_accFocus(VARIANT* focus) { FORWARD_TO_STANDARD(get_accFocus(focus)); }
STDMETHODIMP AccessibleObject::get_accSelection(VARIANT* selection) { FORWARD_TO_STANDARD(get_accSelection(selection)); }
STDMETHODIMP AccessibleObject::get_accDefaultAction(VARIANT child, BSTR* action) {
    FORWARD_TO_STANDARD(get_accDefaultAction(child, action));
}
STDMETHODIMP AccessibleObject::accSelect(long flags, VARIANT child) { FORWARD_TO_STANDARD(accSelect(flags, child)); }
STDMETHODIMP AccessibleObject::accLocation(long* left, long* top, long* width, long* height, VARIANT child) {
    FORWARD_TO_STANDARD(accLocation(left, top, width, height, child));
}
STDMETHODIMP AccessibleObject::accNavigate(long direction, VARIANT start, VARIANT* end) {
    FORWARD_TO_STANDARD(accNavigate(direction, start, end));
}
STDMETHODIMP AccessibleObject::accHitTest(long x, long y, VARIANT* child) { FORWARD_TO_STANDARD(accHitTest(x, y, child)); }
STDMETHODIMP AccessibleObject::accDoDefaultAction(VARIANT child) { FORWARD_TO_STANDARD(accDoDefaultAction(child)); }
STDMETHODIMP AccessibleObject::put_accName(VARIANT, BSTR) { return E_NOTIMPL; }
STDMETHODIMP AccessibleObject::put_accValue(VARIANT, BSTR) { return E_NOTIMPL; }

#undef FORWARD_TO_STANDARD

NamedAccessible::NamedAccessible(HWND window, long role, std::function<CStringW()> name, const wchar_t* defaultAction)
    : AccessibleObject(window), role_(role), name_(std::move(name)), defaultAction_(defaultAction) {}

STDMETHODIMP NamedAccessible::get_accName(VARIANT child, BSTR* name) {
    if (ChildId(child) != CHILDID_SELF) return AccessibleObject::get_accName(child, name);
    if (!::IsWindow(Window())) return E_FAIL;
    return ReturnText(name_(), name);
}

STDMETHODIMP NamedAccessible::get_accRole(VARIANT child, VARIANT* role) {
    if (ChildId(child) != CHILDID_SELF) return AccessibleObject::get_accRole(child, role);
    return ReturnLong(role_, role);
}

STDMETHODIMP NamedAccessible::get_accDefaultAction(VARIANT child, BSTR* action) {
    if (ChildId(child) != CHILDID_SELF || defaultAction_.IsEmpty()) {
        return AccessibleObject::get_accDefaultAction(child, action);
    }
    return ReturnText(defaultAction_, action);
}

LRESULT AnswerGetObject(WPARAM wParam, LPARAM lParam, const std::function<AccessibleObject*()>& make) {
    if (static_cast<long>(lParam) != OBJID_CLIENT) return 0;
    AccessibleObject* object = make();
    if (!object) return 0;
    // LresultFromObject takes its own reference; ours goes with the call. A failure (a thread without
    // COM) comes back as a negative HRESULT, which the window must not return as an object.
    LRESULT result = ::LresultFromObject(kIidAccessible, wParam, static_cast<IAccessible*>(object));
    object->Release();
    return result < 0 ? 0 : result;
}

CStringW TextWithoutMnemonic(const CStringW& text) {
    CStringW plain;
    for (int i = 0; i < text.GetLength(); ++i) {
        if (text[i] == L'&' && i + 1 < text.GetLength()) ++i;
        plain += text[i];
    }
    return plain;
}

CStringW SpokenWindowText(HWND window) {
    wchar_t text[256] = {};
    ::GetWindowTextW(window, text, 256);
    wchar_t cls[16] = {};
    bool literal = ::GetClassNameW(window, cls, 16) && !_wcsicmp(cls, L"Static") &&
                   (::GetWindowLongW(window, GWL_STYLE) & SS_NOPREFIX);
    return literal ? CStringW(text) : TextWithoutMnemonic(text);
}

}  // namespace ostrel
