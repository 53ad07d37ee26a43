// A cell's rectangle in a report-style list view, as both own list controls draw and edit it.
#pragma once

#include <windows.h>

#include <commctrl.h>

// The cell of `row` and `column` in the list's client coordinates. The bounds the list gives for
// column 0 are the whole row; with more columns the cell ends where column 1 begins.
inline RECT ListCellRect(HWND list, int row, int column, int columnCount) {
  RECT cell{};
  cell.top = column;
  cell.left = LVIR_BOUNDS;
  SendMessageW(list, LVM_GETSUBITEMRECT, row, reinterpret_cast<LPARAM>(&cell));
  if (column == 0 && columnCount > 1) {
    RECT next{};
    next.top = 1;
    next.left = LVIR_BOUNDS;
    SendMessageW(list, LVM_GETSUBITEMRECT, row, reinterpret_cast<LPARAM>(&next));
    cell.right = next.left;
  }
  return cell;
}
