#pragma once
// Numbers of the main program's entries in its localised resource module (locale/<language>/).
// The numbers are fixed; the texts and layouts live in the module.

// Dialog templates
#define IDD_ABOUTBOX 100
#define IDD_PROGRESS 101
#define IDD_OSL_MAIN_DIALOG 102
#define IDD_STATUS_INFO 135
#define IDD_SCROLL_VIEW 183
#define IDD_SYSTEM_INFO 184

// Strings
#define IDS_ABOUT_MENU_ITEM 101
#define IDS_ABOUT_VERSION_PREFIX 103
#define IDS_BUTTON_APPLY 104
#define IDS_BUTTON_OK 105
// Status window: the labels of its three lists (categories 0-2), the jump and close buttons.
#define IDS_STATUS_LABEL_FIRST 106
#define IDS_STATUS_JUMP 110
#define IDS_STATUS_CLOSE 111
// System-information labels: the lower list (129-134) and the upper list (137-140).
#define IDS_SYSINFO_MANUFACTURER 129
#define IDS_SYSINFO_MODEL 130
#define IDS_SYSINFO_SYSTEM_VERSION 131
#define IDS_SYSINFO_SERIAL_NUMBER 132
#define IDS_SYSINFO_BIOS_VERSION 133
#define IDS_SYSINFO_OPERATING_SYSTEM 134
#define IDS_SYSINFO_PROCESSOR 137
#define IDS_SYSINFO_CLOCK 138
#define IDS_SYSINFO_MEMORY 139
#define IDS_SYSINFO_CACHE 140
#define IDS_MEDIA_CENTER_EDITION 142
#define IDS_SYSINFO_NAME 500
#define IDS_SYSINFO_DESCRIPTION 501
#define IDS_CATEGORY_FIRST 1000
#define IDS_CATEGORY_MORE 1255
#define IDS_STATUS_WINDOW_CAPTION 1112
#define IDS_STATUS_DESCRIPTION 1312
#define IDS_SETTINGS_WINDOW_CAPTION 1319
#define IDS_STATUS_COLUMN_NAME 2003
#define IDS_STATUS_COLUMN_VALUE 2004
// Captions of the status window's three lists (categories 0-2).
#define IDS_STATUS_CAPTION_FIRST 2005

#define IDS_UI_FONT_FACE 1314
#define IDS_BUTTON_DEFAULTS 1315
#define IDS_BUTTON_LAUNCH 1316
#define IDS_BUTTON_CANCEL 1317
#define IDS_MODIFIED_PROMPT 1318
#define IDS_BUTTON_WIDTH 2020
// Launch and Help refusing a program or help file in a folder any user can write (%s: its path).
#define IDS_UNTRUSTED_PROGRAM 2032
#define IDS_UNTRUSTED_HELP 2033
// The system menu's switch for marking settings that differ from their defaults.
#define IDS_HIGHLIGHT_CHANGED 2040
// The search box above the category tree: its cue text, and what the tree area says when nothing matches.
#define IDS_SEARCH_CUE 2050
#define IDS_SEARCH_NO_RESULTS 2051
// What screen readers say: the help button's name, the actions of tree rows and buttons.
#define IDS_HELP_BUTTON_NAME 2060
#define IDS_ACTION_EXPAND 2061
#define IDS_ACTION_COLLAPSE 2062
#define IDS_ACTION_SELECT 2063
#define IDS_ACTION_PRESS 2064

// Bitmaps and icons
#define IDI_MAIN 128
#define IDB_TREE_COLLAPSED 130
#define IDB_TREE_EXPANDED 131
#define IDI_ENTRY_DEFAULT 133
#define IDI_CATEGORY_FIRST 146
#define IDI_STATUS_WINDOW 168
#define IDI_CATEGORY_DEFAULT 181
// The status types' images, in image-list order (type 0-3).
#define IDI_STATUS_TYPE_0 188
#define IDI_STATUS_TYPE_1 157
#define IDI_STATUS_TYPE_2 160
#define IDI_STATUS_TYPE_3 155

// Positions of icons in the program file itself (program_file.rc), which its shortcuts name.
#define ICON_POSITION_SETTINGS 0
#define ICON_POSITION_STATUS 21

// PNG images (resource type "PNG"): the help button's three states.
#define IDP_HELP_NORMAL 139
#define IDP_HELP_HOVER 140
#define IDP_HELP_PRESSED 141
// Beside the status window's lists of categories 0, 1 and 2.
#define IDP_STATUS_HEADER_FIRST 171

// Controls
// Settings window
#define IDC_APPLY 1003
#define IDC_DEFAULTS 1004
#define IDC_DESCRIPTION 1005
#define IDC_TITLE 1006
#define IDC_TREE 1007
#define IDC_LAUNCH 1008
#define IDC_RIGHT_PANEL 1010
#define IDC_PAGE_FRAME 1012
#define IDC_HELP_BUTTON 1019
#define IDC_OK 1030
#define IDC_PAGE_SCROLLBAR 1044
#define IDC_SEARCH 1050
#define IDC_SEARCH_NO_RESULTS 1051
// Progress dialog
#define IDC_PROGRESS_BAR 1023
// System-information page: two frames and the two lists
#define IDC_SYSINFO_LOWER_LIST 1000
#define IDC_SYSINFO_UPPER_LIST 1001
#define IDC_SYSINFO_UPPER_FRAME 1002
#define IDC_SYSINFO_LOWER_FRAME 1003
#define IDC_ABOUT_VERSION 1024
// Status window
#define IDC_STATUS_CLOSE 1002
#define IDC_STATUS_LIST_CATEGORY2 1016
#define IDC_STATUS_LIST_CATEGORY0 1017
#define IDC_STATUS_LIST_CATEGORY1 1018
#define IDC_STATUS_CAPTION_FIRST 1020
#define IDC_STATUS_JUMP 1026
#define IDC_STATUS_LABEL_FIRST 1027

// System-menu commands: the About box (the window takes 16-31 for it) and the switch for marking
// settings that differ from their defaults.
#define IDM_ABOUTBOX 16
#define IDM_HIGHLIGHT_CHANGED 32
