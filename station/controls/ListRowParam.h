// The value a list view keeps with each row (its item data), in which the in-place editing list
// holds its per-row records.
#pragma once

#include <windows.h>

#include <commctrl.h>

// The row's item data, or 0 when the list has no such row.
inline LPARAM ListRowParam(HWND list, int row) {
  if (list == nullptr || row < 0) {
    return 0;
  }
  LVITEMW item{};
  item.mask = LVIF_PARAM;
  item.iItem = row;
  if (!SendMessageW(list, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item))) {
    return 0;
  }
  return item.lParam;
}
