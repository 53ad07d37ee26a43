// Small helpers over report-style list views with check boxes, as the dialogs fill and read
// their station and flag lists.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include <string>

// Adds `styles` to the list's current extended styles.
void AddListStyles(HWND list, DWORD styles);
void AddListColumn(HWND list, int column, const wchar_t* name, int width, int format = LVCFMT_LEFT);
// Appends a row at `row` with the first cell's text and `value` as its item data; returns its
// index or -1.
int InsertListRow(HWND list, int row, const wchar_t* text, LPARAM value);
void SetListCell(HWND list, int row, int column, const std::wstring& text);
void SetListCheck(HWND list, int row, bool checked);
bool ListCheck(HWND list, int row);
int ListRowCount(HWND list);
LPARAM ListRowValue(HWND list, int row);
