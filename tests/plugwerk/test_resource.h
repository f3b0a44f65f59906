#pragma once
// Resource numbers of the test program's own dialog templates (macros: the resource compiler reads them).
#define IDD_CONTROLS 100
#define IDD_TABS 101
#define IDD_PDIALOG 102
#define IDI_TEST 200
#define IDC_CHECK 2001
#define IDC_RADIO 2002  // 2002, 2003, 2004
#define IDC_COMBO 2005
#define IDC_LIST 2006
#define IDC_SLIDER 2007
#define IDC_PICTURE 2008
#define IDC_BUTTON 2009
#define IDC_PICTURE_MISSING 2010
#define IDC_TAB 2101
#define IDC_TAB_A1 2102
#define IDC_TAB_A2 2103
#define IDC_TAB_B 2104
#define IDC_TAB_C 2105
