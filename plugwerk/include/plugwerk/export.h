#pragma once
// Shared by every Plugwerk header: the import/export macro, the page protocol's message numbers and
// the framework's status codes.
//
// Order in which the host drives a page and its items:
//   global_newClassDesc(nullptr) -> ClassDesc (pages registered, items registered: InitType, class id,
//   InitDefault) -> per page: static queries, InitClass() once -> dialog created from GetIDD() ->
//   BindClassWnd -> WM_INITDIALOG (items: PWM_INIT_ITEM) -> user messages -> PWM_APPLY on a worker thread
//   (items: PWM_APPLY_START, PWM_APPLY, PWM_APPLY_END) or PWM_CANCEL -> WM_DESTROY (wParam 0: leaving,
//   1: closing for good).
// Ownership: ClassDesc owns its pages, a page its items, an item its option. The host never deletes
// any of them; a plug-in never deletes an item or option after handing it over.
#include <windows.h>
#include <oleauto.h>

#include "base/atlarray.h"
#include "base/cstringw.h"

#ifdef PLUGWERK_BUILDING
#define PLUGWERK_API __declspec(dllexport)
#else
#define PLUGWERK_API __declspec(dllimport)
#endif

// The factory every plug-in exports undecorated: extern "C" PLUGWERK_FACTORY_EXPORT ClassDesc*
// global_newClassDesc(void* reserved). The host passes null.
#define PLUGWERK_FACTORY_EXPORT __declspec(dllexport)
class ClassDesc;
typedef ClassDesc* (*PlugwerkFactory)(void* reserved);
#define PLUGWERK_FACTORY_NAME "global_newClassDesc"

// For the host, not for plug-ins: lets go of the framework's settings-service interfaces. The host
// calls it once at exit, after every page is closed, so the service process sees its client leave
// (it is never told when a client process simply ends).
extern "C" PLUGWERK_API void PlugwerkReleaseServices();

// Window messages between host, page and items.
enum : UINT {
    PWM_INIT_ITEM = 0x465,        // page -> items: load from the store and the option; lParam = page window
    PWM_APPLY = 0x466,            // host -> page: apply; page -> items: commit (phase 2)
    PWM_APPLY_START = 0x467,      // page -> items: phase 1, may the apply start
    PWM_APPLY_END = 0x468,        // page -> items: phase 3, the value is applied
    PWM_ROLLBACK = 0x469,         // page -> items: back to the applied value; wParam non-zero: write it again
    PWM_STATUS_SIGNALLED = 0x46A, // status page -> status items
    PWM_RESET_DEFAULT = 0x46B,    // host -> page -> items: reset to defaults
    PWM_STATUS_INIT = 0x46C,      // status page -> status items
    PWM_STATUS_RELEASE = 0x46D,   // to status items: give up the event
    PWM_VALUE_CHANGED = 0x46E,    // item -> page window: a value changed, wParam = the item
    PWM_CHANGE_EVENT = 0x46F,     // listening thread -> item: its change event fired
    PWM_CANCEL = 0x470,           // host -> page: the page's own Cancel, roll back modified items
    PWM_STATUS_POWER = 0x471,     // status page -> status items: power change
    PWM_APPLY_NOW = 0x472,        // page -> host view: apply now when modified
};

// Status codes of the framework's operations.
enum : long {
    PW_OK = 0,
    PW_NOT_POSSIBLE = -1,  // no window, no service, no item
    PW_NO_INTERFACE = 1,   // the service holder lacks the interface
    PW_FAILED = 2,         // an item or option failed during apply; Set's failure
    PW_NO_DEFAULT = 3,
    PW_WRONG_TYPE = 4,     // a default of the wrong type
    PW_REFUSED = 5,        // apply refused in its start phase
    PW_NOT_HANDLED = 7,    // from a page's DefWindowProcW: the items' result stands
    PW_LOCK_BUSY = 8,      // the listening thread's lock was busy; the page cannot be left yet
};
