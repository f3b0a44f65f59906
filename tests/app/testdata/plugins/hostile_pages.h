#pragma once
// What the tests share with the hostile test plug-in: its page ids, names and the event that lets its
// blocking page finish its initialisation.

#define HOSTILE_THROWING_ID L"CCCCCCCC-0000-0000-0000-000000000001"
#define HOSTILE_QUIET_ID L"CCCCCCCC-0000-0000-0000-000000000002"
#define HOSTILE_BLOCKING_ID L"CCCCCCCC-0000-0000-0000-000000000003"

#define HOSTILE_THROWING_NAME 20
#define HOSTILE_QUIET_NAME 21
#define HOSTILE_BLOCKING_NAME 22
#define HOSTILE_IDD 300
#define HOSTILE_IDC_CHECK 1001

#define HOSTILE_RELEASE_EVENT L"OstrelTestPlugin-ReleaseInit"
#define HOSTILE_BLOCK_LIMIT_MS 60000
