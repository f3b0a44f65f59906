#pragma once
// Numbers of the main program's entries in its localised resource module (locale/<language>/).
// The numbers are fixed; the texts and layouts live in the module.

// Dialog templates
#define IDD_ABOUTBOX 100
#define IDD_OSL_MAIN_DIALOG 102
#define IDD_STATUS_INFO 135

// Strings
#define IDS_ABOUT_VERSION_PREFIX 103
#define IDS_STATUS_WINDOW_CAPTION 1112
#define IDS_SETTINGS_WINDOW_CAPTION 1319

#define IDS_UI_FONT_FACE 1314

// Bitmaps and icons
#define IDI_MAIN 128
#define IDB_TREE_COLLAPSED 130
#define IDB_TREE_EXPANDED 131
#define IDI_ENTRY_DEFAULT 133
#define IDI_CATEGORY_FIRST 146
#define IDI_CATEGORY_DEFAULT 181

// Controls
#define IDC_ABOUT_VERSION 1024
// Placeholder windows: where the start page's class id is shown until the real pages exist.
#define IDC_PLACEHOLDER_TEXT 1025
#define IDC_PLACEHOLDER_CLASS 1026
#define IDC_PLACEHOLDER_LIST 1027

// System-menu command of the About box (the system menu reserves 16-31 for it).
#define IDM_ABOUTBOX 16
