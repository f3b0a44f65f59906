#pragma once
// What the framework's tests know about the test plug-in: its ids and a shared state block through
// which a test makes its options refuse, fail, veto or throw, and reads what they were asked to do.
#include <windows.h>

#define TP_CLASS_ID L"6D1C8F8E-2B8B-4C43-9E8A-5A3B7C9D0E11"
#define TP_STATE_EXPORT "TestPlugin_State"

#define IDD_TP_PAGE 100
#define IDD_TP_LONG 101
#define IDI_TP_PAGE 200
#define IDS_TP_NAME 300
#define IDS_TP_DESCRIPTION 301
#define IDC_TP_CHECK 1001
#define IDC_TP_SLIDER 1002
#define IDC_TP_COMBO 1003
#define IDC_TP_RADIO 1004  // three buttons: 1004, 1005, 1006
#define IDC_TP_BUTTON 1010

#ifndef RC_INVOKED
enum { TP_CHECK = 1, TP_SLIDER = 2, TP_COMBO = 3, TP_RADIO = 4, TP_OPTIONS = 5 };

struct TestPluginOption {
    int refuseStart;     // OnSetStart answers 2
    int failSet;         // Set answers 2
    int veto;            // OnSettingChange answers 1
    int throwIn;         // Set and Get throw
    int hasSystemValue;  // Get fills systemValue
    int systemValue;     // what the "hardware" holds; Set writes it
    int sets;            // number of Set calls
};

struct TestPluginState {
    TestPluginOption options[TP_OPTIONS];
    int canShow;
    int throwInCanShow;
    int buttonResult;
    wchar_t log[2048];  // "Set1=1;Start2=5;..." in call order
};

typedef TestPluginState* (*TestPluginStateFn)();
#endif
