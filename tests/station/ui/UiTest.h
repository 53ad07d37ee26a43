#pragma once

#define IDD_UI_TEST 200
#define IDC_UI_NUMBER 201
#define IDC_UI_REAL 202
#define IDC_UI_TEXT 203
#define IDC_UI_CHECK 204
#define IDC_UI_COMBO 205
#define IDC_UI_LABEL 206
