#pragma once
// Accessible objects for the windows that paint themselves. Screen readers ask a window for its
// IAccessible with WM_GETOBJECT; a control that draws its own content (the tree's rows, the round help
// button) or whose standard answer lacks a useful name (a list under a caption) answers with one of
// these. Everything a subclass does not answer is taken from the system's standard object for the
// window, so location, navigation and parent stay the system's.
//
// Calls arrive on COM's threads (the windows' threads are in the multithreaded apartment), never on
// the window's own: implementations read the window through messages only, never through the C++
// object that owns it.
#include <windows.h>
#include <oleacc.h>

#include <functional>

#include "base/com_ptr.h"
#include "base/cstringw.h"

namespace ostrel {

class AccessibleObject : public IAccessible {
public:
    explicit AccessibleObject(HWND window);
    virtual ~AccessibleObject() = default;
    AccessibleObject(const AccessibleObject&) = delete;
    AccessibleObject& operator=(const AccessibleObject&) = delete;

    // IUnknown
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;
    // IDispatch: clients of these objects call through the vtable; no type information is offered.
    STDMETHODIMP GetTypeInfoCount(UINT* count) override;
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo** info) override;
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override;
    STDMETHODIMP Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override;
    // IAccessible: each forwards to the standard object unless a subclass answers.
    STDMETHODIMP get_accParent(IDispatch** parent) override;
    STDMETHODIMP get_accChildCount(long* count) override;
    STDMETHODIMP get_accChild(VARIANT child, IDispatch** dispatch) override;
    STDMETHODIMP get_accName(VARIANT child, BSTR* name) override;
    STDMETHODIMP get_accValue(VARIANT child, BSTR* value) override;
    STDMETHODIMP get_accDescription(VARIANT child, BSTR* description) override;
    STDMETHODIMP get_accRole(VARIANT child, VARIANT* role) override;
    STDMETHODIMP get_accState(VARIANT child, VARIANT* state) override;
    STDMETHODIMP get_accHelp(VARIANT child, BSTR* help) override;
    STDMETHODIMP get_accHelpTopic(BSTR* file, VARIANT child, long* topic) override;
    STDMETHODIMP get_accKeyboardShortcut(VARIANT child, BSTR* shortcut) override;
    STDMETHODIMP get_accFocus(VARIANT* focus) override;
    STDMETHODIMP get_accSelection(VARIANT* selection) override;
    STDMETHODIMP get_accDefaultAction(VARIANT child, BSTR* action) override;
    STDMETHODIMP accSelect(long flags, VARIANT child) override;
    STDMETHODIMP accLocation(long* left, long* top, long* width, long* height, VARIANT child) override;
    STDMETHODIMP accNavigate(long direction, VARIANT start, VARIANT* end) override;
    STDMETHODIMP accHitTest(long x, long y, VARIANT* child) override;
    STDMETHODIMP accDoDefaultAction(VARIANT child) override;
    STDMETHODIMP put_accName(VARIANT child, BSTR name) override;
    STDMETHODIMP put_accValue(VARIANT child, BSTR value) override;

protected:
    HWND Window() const noexcept { return window_; }
    IAccessible* Standard() const noexcept { return standard_.Get(); }
    // The child id a VARIANT names; -1 when it is not a VT_I4.
    static long ChildId(const VARIANT& child);
    static HRESULT ReturnText(const CStringW& text, BSTR* out);
    static HRESULT ReturnLong(long value, VARIANT* out);

private:
    HWND window_;
    base::ComPtr<IAccessible> standard_;
    LONG refs_ = 1;
};

// A window whose own object is a fixed role with a name read when asked; children and everything
// else stay the standard object's.
class NamedAccessible : public AccessibleObject {
public:
    NamedAccessible(HWND window, long role, std::function<CStringW()> name,
                    const wchar_t* defaultAction = nullptr);
    STDMETHODIMP get_accName(VARIANT child, BSTR* name) override;
    STDMETHODIMP get_accRole(VARIANT child, VARIANT* role) override;
    STDMETHODIMP get_accDefaultAction(VARIANT child, BSTR* action) override;

private:
    long role_;
    std::function<CStringW()> name_;
    CStringW defaultAction_;
};

// Answers WM_GETOBJECT for OBJID_CLIENT with the object make() creates; 0 (let the window's own
// handling answer) for other object ids or when the object cannot be handed out.
LRESULT AnswerGetObject(WPARAM wParam, LPARAM lParam, const std::function<AccessibleObject*()>& make);

// The text of a window without its mnemonic markers ("&Open" reads "Open"; "&&" reads "&").
CStringW TextWithoutMnemonic(const CStringW& text);
// A window's text as a reader should speak it: without mnemonic markers unless the control shows
// its text as it is (SS_NOPREFIX). Safe from any thread.
CStringW SpokenWindowText(HWND window);

}  // namespace ostrel
