// Resource identifiers of Varnex.exe. The numbers are fixed: line tools and tests find the
// station's controls, commands and messages by them. The dialogs' own are in DialogIds.h.
#pragma once

#include "station/dialogs/DialogIds.h"

// Icons, toolbar, bitmaps.
#define IDR_TOOLBAR 129  // settings, port and instruments, about
#define IDB_TOOLBAR 141  // the toolbar buttons, 3 x 31 x 31

// Strings.
#define IDS_ABOUTBOX 101    // "&About Varnex..."
#define IDS_PASS_COUNT 102  // "Pass: %d"
#define IDS_FAIL_COUNT 103  // "Fail: %d"
#define IDS_PASS_RATIO 104  // "Pass Ratio: %d%%"

// System menu command of the about item.
#define IDM_ABOUTBOX 0x0010

// Toolbar commands.
#define ID_SETTING 32771
#define ID_PORT_SETTING 32772
#define ID_ABOUT 32773

// Dialogs (the others in DialogIds.h).
#define IDD_VARNEX_DIALOG 102

// Main window (dialog 102).
#define IDC_RESULT_LIST 1002
#define IDC_STATUS 1003
#define IDC_CLEAR 1004
#define IDC_START_STOP 1005
#define IDC_COMM_TEXT 1006
#define IDC_PASS_COUNT 1007
#define IDC_FAIL_COUNT 1011
#define IDC_PASS_RATIO 1013
#define IDC_SCAN 1046
#define IDC_ITEM_LABEL 1048
#define IDC_MESSAGE 1050
#define IDC_TEST_DETAIL 1052
#define IDC_LINE_STATE 1080  // the line link's state: "Line: 3 waiting"
