#include "station/dialogs/ListRows.h"

void AddListStyles(HWND list, DWORD styles) {
  SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, styles, styles);
}

void AddListColumn(HWND list, int column, const wchar_t* name, int width, int format) {
  LVCOLUMNW col{};
  col.mask = LVCF_FMT | LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
  col.fmt = format;
  col.cx = width;
  col.pszText = const_cast<wchar_t*>(name);
  col.iSubItem = column;
  SendMessageW(list, LVM_INSERTCOLUMNW, column, reinterpret_cast<LPARAM>(&col));
}

int InsertListRow(HWND list, int row, const wchar_t* text, LPARAM value) {
  LVITEMW item{};
  item.mask = LVIF_TEXT | LVIF_PARAM;
  item.iItem = row;
  item.pszText = const_cast<wchar_t*>(text);
  item.lParam = value;
  return static_cast<int>(SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
}

void SetListCell(HWND list, int row, int column, const std::wstring& text) {
  LVITEMW item{};
  item.iSubItem = column;
  item.pszText = const_cast<wchar_t*>(text.c_str());
  SendMessageW(list, LVM_SETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item));
}

void SetListCheck(HWND list, int row, bool checked) {
  LVITEMW item{};
  item.stateMask = LVIS_STATEIMAGEMASK;
  item.state = INDEXTOSTATEIMAGEMASK(checked ? 2 : 1);
  SendMessageW(list, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&item));
}

bool ListCheck(HWND list, int row) {
  LRESULT state = SendMessageW(list, LVM_GETITEMSTATE, row, LVIS_STATEIMAGEMASK);
  return (static_cast<UINT>(state) & LVIS_STATEIMAGEMASK) == INDEXTOSTATEIMAGEMASK(2);
}

int ListRowCount(HWND list) {
  return static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
}

LPARAM ListRowValue(HWND list, int row) {
  LVITEMW item{};
  item.mask = LVIF_PARAM;
  item.iItem = row;
  if (!SendMessageW(list, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item))) {
    return -1;
  }
  return item.lParam;
}
