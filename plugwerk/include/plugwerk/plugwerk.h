#pragma once
// Plugwerk: the framework a plug-in DLL is written against. Include this one header and link the
// import library (libPlugwerk.dll.a).
//
// Order in which the host calls a plug-in:
//   1. LoadLibraryW(plug-in) and GetProcAddress("global_newClassDesc"); the factory is called once
//      with null and returns the plug-in's ClassDesc (or null). The plug-in builds its pages there;
//      every page registers its items, and each item reads its default from the settings service.
//   2. For every page: GetCategory, GetClassID, GetIDD, GetResPath, GetIcon, GetName, GetDescription;
//      later, in the background, InitClass() once, then GetHelpItem, GetStartItem; IsShow() decides
//      whether the page is listed.
//   3. Each time the page is shown: the dialog is created from GetIDD(); BindClassWnd(dialog);
//      WndFunc(WM_INITDIALOG) (items load default, stored value and the option's value, then show
//      it); every further dialog message goes to WndFunc.
//   4. Apply: WndFunc(PWM_APPLY) on a worker thread: phase 1 asks each modified item's option
//      (OnSetStart), phase 2 queues each value at the service and writes it through the option's Set,
//      phase 3 stores the settings and calls OnSetEnd. A refusal (5) or failure (2) rolls every
//      modified item back. PWM_CANCEL rolls back without writing.
//   5. WndFunc(WM_DESTROY, 0) before the page is left (the result 8 means not now);
//      WndFunc(WM_DESTROY, 1) when the program ends.
// Ownership: the ClassDesc owns its pages, a page its items, an item its option, a CTabItem its tab
// pages. The host never deletes any of them, and a plug-in must not delete what it has handed over.
// Exceptions thrown by plug-in code are caught by the framework and taken as failure.
#include "plugwerk/export.h"
#include "plugwerk/item.h"
#include "plugwerk/class_desc.h"
#include "plugwerk/plugin_class.h"
#include "plugwerk/control_items.h"
#include "plugwerk/tab_item.h"
#include "plugwerk/status_item.h"
#include "plugwerk/pdialog.h"
#include "plugwerk/changed_items.h"
