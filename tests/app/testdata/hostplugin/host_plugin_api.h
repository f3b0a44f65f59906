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
// Status items of the first page (and one of the second sharing the first one's name).
#define IDS_HP_STATUS_SHOWN 20
#define IDS_HP_STATUS_HIDDEN 21
#define IDS_HP_STATUS_BROKEN 22
#define IDS_HP_STATUS_NEXT 23
#define IDS_HP_STATUS_SPEED 24

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

// The values the status items read; 0 and 1 have texts, others match no status.
struct HostPluginStatusState {
    volatile LONG shown;
    volatile LONG hidden;
    volatile LONG broken;
    volatile LONG next;
    volatile LONG twin;
    volatile LONG speed;
};

struct HostPluginState {
    HostPluginPageState pages[2];
    HostPluginStatusState status;
};

using HostPluginStateFunction = HostPluginState* (*)();
