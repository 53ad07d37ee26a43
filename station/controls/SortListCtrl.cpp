#include "station/controls/SortListCtrl.h"

#include <commctrl.h>

#include "station/controls/ListRowParam.h"
#include "station/controls/core/Headings.h"

struct CSortListCtrl::RowData {
  std::vector<std::wstring> texts;
  std::vector<COLORREF> textColors;  // kDefaultColor: the list's default
  std::vector<COLORREF> backgroundColors;
};

CSortListCtrl::CSortListCtrl() {
  ReadSystemColors();
  // Until the system colours change the default text is drawn in the window frame colour.
  defaultText_ = GetSysColor(COLOR_WINDOWFRAME);
}

CSortListCtrl::~CSortListCtrl() {
  Unsubclass();
}

void CSortListCtrl::ReadSystemColors() {
  defaultBackground_ = GetSysColor(COLOR_WINDOW);
  defaultText_ = GetSysColor(COLOR_WINDOWTEXT);
  selectionBackground_ = GetSysColor(COLOR_HIGHLIGHT);
  selectionText_ = GetSysColor(COLOR_HIGHLIGHTTEXT);
}

void CSortListCtrl::OnSubclassed() {
  HWND header = reinterpret_cast<HWND>(SendMessageW(hwnd(), LVM_GETHEADER, 0, 0));
  if (header != nullptr) {
    header_.Subclass(header);
  }
}

bool CSortListCtrl::SetHeadings(std::wstring_view headings) {
  for (const controls::ColumnHeading& heading : controls::ParseHeadings(headings)) {
    std::wstring name = heading.name;
    LVCOLUMNW column{};
    column.mask = LVCF_FMT | LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
    column.fmt = LVCFMT_LEFT;
    column.cx = heading.width;
    column.pszText = name.data();
    column.iSubItem = columnCount_;
    if (SendMessageW(hwnd(), LVM_INSERTCOLUMNW, columnCount_, reinterpret_cast<LPARAM>(&column)) ==
        -1) {
      return false;
    }
    ++columnCount_;
  }
  return true;
}

int CSortListCtrl::AddRow(const std::vector<std::wstring>& texts) {
  if (columnCount_ <= 0) {
    return -1;
  }
  auto data = std::make_unique<RowData>();
  data->texts.resize(columnCount_);
  for (int column = 0; column < columnCount_ && column < static_cast<int>(texts.size()); ++column) {
    data->texts[column] = texts[column];
  }
  data->textColors.assign(columnCount_, kDefaultColor);
  data->backgroundColors.assign(columnCount_, kDefaultColor);

  LVITEMW item{};
  item.mask = LVIF_TEXT | LVIF_PARAM;
  item.iItem = RowCount();
  item.pszText = data->texts[0].data();
  item.lParam = reinterpret_cast<LPARAM>(data.get());
  int row =
      static_cast<int>(SendMessageW(hwnd(), LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
  if (row < 0) {
    return -1;
  }
  RowData* stored = data.get();
  rows_.push_back(std::move(data));
  for (int column = 1; column < columnCount_; ++column) {
    LVITEMW cell{};
    cell.iSubItem = column;
    cell.pszText = stored->texts[column].data();
    SendMessageW(hwnd(), LVM_SETITEMTEXTW, row, reinterpret_cast<LPARAM>(&cell));
  }
  return row;
}

CSortListCtrl::RowData* CSortListCtrl::DataOf(int row) const {
  return reinterpret_cast<RowData*>(ListRowParam(hwnd(), row));
}

bool CSortListCtrl::SetCellText(int row, int column, std::wstring_view text) {
  if (hwnd() == nullptr || row < 0 || column < 0) {
    return false;
  }
  std::wstring copy(text);
  LVITEMW cell{};
  cell.iSubItem = column;
  cell.pszText = copy.data();
  if (!SendMessageW(hwnd(), LVM_SETITEMTEXTW, row, reinterpret_cast<LPARAM>(&cell))) {
    return false;
  }
  RowData* data = DataOf(row);
  if (data != nullptr && column < static_cast<int>(data->texts.size())) {
    data->texts[column] = std::move(copy);
  }
  return true;
}

void CSortListCtrl::SetCellColors(int row, int column, COLORREF text, COLORREF background) {
  RowData* data = DataOf(row);
  if (data == nullptr || column < 0 || column >= static_cast<int>(data->textColors.size())) {
    return;
  }
  data->textColors[column] = text;
  data->backgroundColors[column] = background;
  SendMessageW(hwnd(), LVM_REDRAWITEMS, row, row);
  UpdateWindow(hwnd());
}

void CSortListCtrl::DeleteAllRows() {
  if (hwnd() != nullptr) {
    // The rows go from the list first, so that no drawing meets freed data.
    SendMessageW(hwnd(), LVM_DELETEALLITEMS, 0, 0);
  }
  rows_.clear();
}

int CSortListCtrl::RowCount() const {
  return hwnd() != nullptr ? static_cast<int>(SendMessageW(hwnd(), LVM_GETITEMCOUNT, 0, 0)) : 0;
}

std::wstring CSortListCtrl::CellText(int row, int column) const {
  if (hwnd() == nullptr || row < 0 || column < 0) {
    return {};
  }
  std::wstring text(4096, L'\0');
  LVITEMW cell{};
  cell.iSubItem = column;
  cell.pszText = text.data();
  cell.cchTextMax = static_cast<int>(text.size());
  int length = static_cast<int>(
      SendMessageW(hwnd(), LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(&cell)));
  text.resize(length < 0 ? 0 : static_cast<size_t>(length));
  return text;
}

CSortListCtrl::CellColors CSortListCtrl::CellColorsAt(int row, int column) const {
  CellColors colors{defaultText_, defaultBackground_};
  RowData* data = DataOf(row);
  if (data != nullptr && column >= 0 && column < static_cast<int>(data->textColors.size())) {
    if (data->textColors[column] != kDefaultColor) {
      colors.text = data->textColors[column];
    }
    if (data->backgroundColors[column] != kDefaultColor) {
      colors.background = data->backgroundColors[column];
    }
  }
  return colors;
}

void CSortListCtrl::SelectOnlyRow(int row) {
  DeselectAll();
  LVITEMW item{};
  item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
  item.state = LVIS_SELECTED | LVIS_FOCUSED;
  SendMessageW(hwnd(), LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&item));
}

void CSortListCtrl::DeselectAll() {
  LVITEMW item{};
  item.stateMask = LVIS_SELECTED;
  item.state = 0;
  SendMessageW(hwnd(), LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&item));
}

int CSortListCtrl::SelectedRow() const {
  return static_cast<int>(
      SendMessageW(hwnd(), LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
}

LRESULT CSortListCtrl::OnReflected(UINT message, WPARAM, LPARAM lParam, bool& handled) {
  handled = false;
  if (message != WM_NOTIFY) {
    return 0;
  }
  auto* header = reinterpret_cast<NMHDR*>(lParam);
  if (header->code == NM_CUSTOMDRAW) {
    handled = true;
    return OnCustomDraw(*reinterpret_cast<NMLVCUSTOMDRAW*>(lParam));
  }
  if (header->code == LVN_COLUMNCLICK) {
    handled = true;  // the list keeps its order
  }
  return 0;
}

LRESULT CSortListCtrl::OnCustomDraw(NMLVCUSTOMDRAW& draw) {
  switch (draw.nmcd.dwDrawStage) {
    case CDDS_PREPAINT:
      return CDRF_NOTIFYITEMDRAW;
    case CDDS_ITEMPREPAINT:
      return CDRF_NOTIFYSUBITEMDRAW;
    case CDDS_ITEMPREPAINT | CDDS_SUBITEM:
      DrawCell(draw.nmcd.hdc, static_cast<int>(draw.nmcd.dwItemSpec), draw.iSubItem);
      return CDRF_SKIPDEFAULT;
    default:
      return CDRF_DODEFAULT;
  }
}

void CSortListCtrl::DrawCell(HDC dc, int row, int column) {
  RowData* data = DataOf(row);
  if (data == nullptr || column < 0 || column >= static_cast<int>(data->texts.size())) {
    return;
  }
  RECT cell{};
  cell.top = column;
  cell.left = LVIR_BOUNDS;
  SendMessageW(hwnd(), LVM_GETSUBITEMRECT, row, reinterpret_cast<LPARAM>(&cell));
  if (column == 0 && columnCount_ > 1) {
    // The bounds of column 0 are the whole row; the cell ends where column 1 begins.
    RECT next{};
    next.top = 1;
    next.left = LVIR_BOUNDS;
    SendMessageW(hwnd(), LVM_GETSUBITEMRECT, row, reinterpret_cast<LPARAM>(&next));
    cell.right = next.left;
  }

  bool selected = (SendMessageW(hwnd(), LVM_GETITEMSTATE, row, LVIS_SELECTED) & LVIS_SELECTED) != 0;
  CellColors colors = CellColorsAt(row, column);
  if (selected) {
    colors = {selectionText_, selectionBackground_};
  }
  HBRUSH brush = CreateSolidBrush(colors.background);
  FillRect(dc, &cell, brush);
  DeleteObject(brush);

  const std::wstring& text = data->texts[column];
  if (text.empty()) {
    return;
  }
  LVCOLUMNW format{};
  format.mask = LVCF_FMT;
  SendMessageW(hwnd(), LVM_GETCOLUMNW, column, reinterpret_cast<LPARAM>(&format));
  UINT align = DT_LEFT;
  if ((format.fmt & LVCFMT_JUSTIFYMASK) == LVCFMT_RIGHT) {
    align = DT_RIGHT;
  } else if ((format.fmt & LVCFMT_JUSTIFYMASK) == LVCFMT_CENTER) {
    align = DT_CENTER;
  }
  RECT textRect = cell;
  InflateRect(&textRect, -2, 0);  // keep the text off the grid lines
  int oldMode = SetBkMode(dc, TRANSPARENT);
  COLORREF oldColor = ::SetTextColor(dc, colors.text);
  DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &textRect,
            align | DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
  ::SetTextColor(dc, oldColor);
  SetBkMode(dc, oldMode);
}

LRESULT CSortListCtrl::OnMessage(UINT message, WPARAM, LPARAM, bool& handled) {
  handled = false;
  if (message == WM_SYSCOLORCHANGE) {
    ReadSystemColors();
    InvalidateRect(hwnd(), nullptr, TRUE);
  }
  return 0;
}

void CSortListCtrl::OnDestroyed() {
  rows_.clear();
  columnCount_ = 0;
}
