#pragma once
// What the settings-window tests share with the host test plug-in: its ids and a state block the
// tests read and steer through the exported HostPlugin_State.
#include <windows.h>

#define HP_FIRST_CLASS_ID L"BBBBBBBB-0000-0000-0000-000000000001"
#define HP_SECOND_CLASS_ID L"BBBBBBBB-0000-0000-0000-000000000002"

#define IDS_HP_FIRST_NAME 10
#define IDS_HP_FIRST_DESCRIPTION 11
#define IDS_HP_SECOND_NAME 12
#define IDS_HP_SECOND_DESCRIPTION 13
#define IDD_HP_PAGE 200
#define IDC_HP_CHECK 1001
#define IDC_HP_EDIT 1002
#define IDC_HP_LAST 1003

struct HostPluginPageState {
    // What WM_DESTROY answers (8: keep the page for now); 0 lets the host leave.
    volatile LONG leaveAnswer;
    // Set into the page's wait-for-the-user flag on every message the page sees.
    volatile LONG waitUI;
    // How long each write to the system takes, milliseconds.
    volatile LONG setDelayMs;
    volatile LONG sets;
    volatile LONG lastSetValue;
    volatile LONG leaveQuestions;
};

struct HostPluginState {
    HostPluginPageState pages[2];
};

using HostPluginStateFunction = HostPluginState* (*)();
