#include "station/controls/SortListCtrl.h"

#include <commctrl.h>

#include <algorithm>

#include "station/controls/ListCellRect.h"
#include "station/controls/core/CellText.h"
#include "station/controls/core/Headings.h"
#include "station/ui/OutOfSight.h"

namespace {

UINT DrawTextAlignment(int format) {
  switch (format & LVCFMT_JUSTIFYMASK) {
    case LVCFMT_RIGHT:
      return DT_RIGHT;
    case LVCFMT_CENTER:
      return DT_CENTER;
    default:
      return DT_LEFT;
  }
}

// How much of a cell's text needs to be laid out: the end ellipsis measures the whole text, and
// a detail can hold thousands of characters of which a cell shows a few dozen. A start that
// already overflows the cell ends the same way as the whole text; one character per pixel of
// the cell's width is such a start unless the characters are narrower than a pixel, and then
// the whole text is used.
int DrawnLength(HDC dc, const std::wstring& text, const RECT& cell) {
  const size_t width = cell.right > cell.left ? static_cast<size_t>(cell.right - cell.left) : 0;
  const size_t start = width + 1;
  if (text.size() <= start) {
    return static_cast<int>(text.size());
  }
  SIZE extent{};
  if (GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(start), &extent) &&
      extent.cx > static_cast<LONG>(width)) {
    return static_cast<int>(start);
  }
  return static_cast<int>(text.size());
}

}  // namespace

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
    for (Row& row : rows_) {
      row.resize(columnCount_);
    }
  }
  return true;
}

CSortListCtrl::Row CSortListCtrl::MakeRow(const std::vector<std::wstring>& texts) const {
  Row row(columnCount_);
  for (int column = 0; column < columnCount_ && column < static_cast<int>(texts.size()); ++column) {
    row[column].text = texts[column];
    row[column].drawn = controls::SingleLineText(texts[column]);
  }
  return row;
}

bool CSortListCtrl::SetItemCount(int count, DWORD flags) {
  return hwnd() != nullptr &&
         SendMessageW(hwnd(), LVM_SETITEMCOUNT, static_cast<WPARAM>(count), flags) != 0;
}

int CSortListCtrl::AddRow(const std::vector<std::wstring>& texts) {
  if (columnCount_ <= 0) {
    return -1;
  }
  rows_.push_back(MakeRow(texts));
  if (!SetItemCount(static_cast<int>(rows_.size()), LVSICF_NOINVALIDATEALL | LVSICF_NOSCROLL)) {
    rows_.pop_back();
    return -1;
  }
  return static_cast<int>(rows_.size()) - 1;
}

void CSortListCtrl::SetRows(const std::vector<std::vector<std::wstring>>& rows) {
  DeselectAll();
  if (hwnd() != nullptr) {
    LVITEMW focus{};
    focus.stateMask = LVIS_FOCUSED;
    SendMessageW(hwnd(), LVM_SETITEMSTATE, static_cast<WPARAM>(-1),
                 reinterpret_cast<LPARAM>(&focus));
  }
  rows_.clear();
  if (columnCount_ > 0) {
    rows_.reserve(rows.size());
    for (const std::vector<std::wstring>& texts : rows) {
      rows_.push_back(MakeRow(texts));
    }
  }
  if (hwnd() == nullptr) {
    return;
  }
  // A new row count updates the scroll bar, which is slow to lay out and paint; the same count
  // (a rebuild at Start) only needs the rows painted anew.
  if (static_cast<int>(SendMessageW(hwnd(), LVM_GETITEMCOUNT, 0, 0)) != RowCount()) {
    SetItemCount(RowCount(), 0);
  } else {
    InvalidateRect(hwnd(), nullptr, FALSE);
  }
  if (RowCount() > 0 && SendMessageW(hwnd(), LVM_GETTOPINDEX, 0, 0) != 0) {
    // Scrolled, the list would move and paint its old rows and its scroll bar at once; it is
    // painted whole with the next paint anyway.
    ui::ChangeOutOfSight(hwnd(), [this] { SendMessageW(hwnd(), LVM_ENSUREVISIBLE, 0, FALSE); });
  }
}

void CSortListCtrl::DeleteAllRows() {
  SetRows({});
}

const CSortListCtrl::Cell* CSortListCtrl::CellAt(int row, int column) const {
  if (row < 0 || row >= static_cast<int>(rows_.size()) || column < 0 ||
      column >= static_cast<int>(rows_[row].size())) {
    return nullptr;
  }
  return &rows_[row][column];
}

RECT CSortListCtrl::CellRect(int row, int column) const {
  return ListCellRect(hwnd(), row, column, columnCount_);
}

bool CSortListCtrl::SetCellText(int row, int column, std::wstring_view text) {
  if (hwnd() == nullptr || CellAt(row, column) == nullptr) {
    return false;
  }
  Cell& cell = rows_[row][column];
  cell.text.assign(text);
  cell.drawn = controls::SingleLineText(text);
  RECT rect = CellRect(row, column);
  InvalidateRect(hwnd(), &rect, FALSE);
  return true;
}

void CSortListCtrl::SetCellColors(int row, int column, COLORREF text, COLORREF background) {
  if (CellAt(row, column) == nullptr) {
    return;
  }
  Cell& cell = rows_[row][column];
  cell.textColor = text;
  cell.backgroundColor = background;
  SendMessageW(hwnd(), LVM_REDRAWITEMS, row, row);
  UpdateWindow(hwnd());
}

int CSortListCtrl::RowCount() const {
  return static_cast<int>(rows_.size());
}

std::wstring CSortListCtrl::CellText(int row, int column) const {
  const Cell* cell = CellAt(row, column);
  return cell != nullptr ? cell->text : std::wstring();
}

CSortListCtrl::CellColors CSortListCtrl::CellColorsAt(int row, int column) const {
  CellColors colors{defaultText_, defaultBackground_};
  if (const Cell* cell = CellAt(row, column)) {
    if (cell->textColor != kDefaultColor) {
      colors.text = cell->textColor;
    }
    if (cell->backgroundColor != kDefaultColor) {
      colors.background = cell->backgroundColor;
    }
  }
  return colors;
}

void CSortListCtrl::RepaintRow(int row) {
  // The list view repaints a row whose selection changed only from its text on; the row's
  // margin belongs to the row's own painting too.
  RECT bounds{};
  bounds.left = LVIR_BOUNDS;
  if (SendMessageW(hwnd(), LVM_GETITEMRECT, row, reinterpret_cast<LPARAM>(&bounds))) {
    InvalidateRect(hwnd(), &bounds, FALSE);
  }
}

void CSortListCtrl::SetRowSelected(int row, bool selected) {
  if (hwnd() == nullptr || row < 0 || row >= RowCount()) {
    return;
  }
  LVITEMW item{};
  item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
  item.state = selected ? item.stateMask : 0;
  SendMessageW(hwnd(), LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&item));
  RepaintRow(row);
}
void CSortListCtrl::SelectOnlyRow(int row) {
  DeselectAll();
  SetRowSelected(row, true);
}

void CSortListCtrl::DeselectAll() {
  if (hwnd() == nullptr) {
    return;
  }
  std::vector<int> selected;
  for (int row = SelectedRow(); row >= 0;
       row = static_cast<int>(SendMessageW(hwnd(), LVM_GETNEXTITEM, row, LVNI_SELECTED))) {
    selected.push_back(row);
  }
  LVITEMW item{};
  item.stateMask = LVIS_SELECTED;
  item.state = 0;
  SendMessageW(hwnd(), LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&item));
  for (int row : selected) {
    RepaintRow(row);
  }
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
  switch (header->code) {
    case NM_CUSTOMDRAW:
      handled = true;
      return OnCustomDraw(*reinterpret_cast<NMLVCUSTOMDRAW*>(lParam));
    case LVN_GETDISPINFOW:
      handled = true;
      GiveText(*reinterpret_cast<NMLVDISPINFOW*>(lParam));
      return 0;
    case LVN_ODFINDITEMW:
      handled = true;
      return FindRow(*reinterpret_cast<NMLVFINDITEMW*>(lParam));
    case LVN_COLUMNCLICK:
      handled = true;  // the list keeps its order
      return 0;
    default:
      return 0;
  }
}

void CSortListCtrl::GiveText(NMLVDISPINFOW& info) const {
  if ((info.item.mask & LVIF_TEXT) == 0 || info.item.pszText == nullptr ||
      info.item.cchTextMax <= 0) {
    return;
  }
  const Cell* cell = CellAt(info.item.iItem, info.item.iSubItem);
  const size_t length =
      cell != nullptr ? std::min(cell->text.size(), static_cast<size_t>(info.item.cchTextMax - 1))
                      : 0;
  if (length > 0) {
    cell->text.copy(info.item.pszText, length);
  }
  info.item.pszText[length] = L'\0';
}

int CSortListCtrl::FindRow(const NMLVFINDITEMW& find) const {
  // Typing while the list has the focus finds a row by its item name (or the name's start).
  const LVFINDINFOW& what = find.lvfi;
  if ((what.flags & (LVFI_STRING | LVFI_PARTIAL)) == 0 || what.psz == nullptr || rows_.empty()) {
    return -1;
  }
  const std::wstring_view wanted(what.psz);
  const int count = static_cast<int>(rows_.size());
  const int start = find.iStart >= 0 && find.iStart < count ? find.iStart : 0;
  const int searched = (what.flags & LVFI_WRAP) != 0 ? count : count - start;
  for (int i = 0; i < searched; ++i) {
    const int row = (start + i) % count;
    std::wstring_view name = rows_[row].empty() ? std::wstring_view() : rows_[row][0].text;
    if ((what.flags & LVFI_PARTIAL) != 0 && name.size() > wanted.size()) {
      name = name.substr(0, wanted.size());
    }
    if (name.size() == wanted.size() &&
        CompareStringOrdinal(name.data(), static_cast<int>(name.size()), wanted.data(),
                             static_cast<int>(wanted.size()), TRUE) == CSTR_EQUAL) {
      return row;
    }
  }
  return -1;
}

LRESULT CSortListCtrl::OnCustomDraw(NMLVCUSTOMDRAW& draw) {
  switch (draw.nmcd.dwDrawStage) {
    case CDDS_PREPAINT:
      return CDRF_NOTIFYITEMDRAW;
    case CDDS_ITEMPREPAINT:
      // The whole row at once: one notification per row instead of one per cell.
      DrawRow(draw.nmcd.hdc, static_cast<int>(draw.nmcd.dwItemSpec));
      return CDRF_SKIPDEFAULT;
    default:
      return CDRF_DODEFAULT;
  }
}

void CSortListCtrl::DrawRow(HDC dc, int row) {
  if (row < 0 || row >= static_cast<int>(rows_.size())) {
    return;
  }
  const bool selected =
      (SendMessageW(hwnd(), LVM_GETITEMSTATE, row, LVIS_SELECTED) & LVIS_SELECTED) != 0;
  const int oldMode = SetBkMode(dc, TRANSPARENT);
  const COLORREF oldColor = ::GetTextColor(dc);
  for (int column = 0; column < static_cast<int>(rows_[row].size()); ++column) {
    const Cell& cell = rows_[row][column];
    const RECT bounds = CellRect(row, column);
    CellColors colors = CellColorsAt(row, column);
    if (selected) {
      colors = {selectionText_, selectionBackground_};
    }
    HBRUSH brush = CreateSolidBrush(colors.background);
    FillRect(dc, &bounds, brush);
    DeleteObject(brush);
    if (cell.drawn.empty()) {
      continue;
    }
    LVCOLUMNW format{};
    format.mask = LVCF_FMT;
    SendMessageW(hwnd(), LVM_GETCOLUMNW, column, reinterpret_cast<LPARAM>(&format));
    RECT textRect = bounds;
    InflateRect(&textRect, -2, 0);  // keep the text off the grid lines
    ::SetTextColor(dc, colors.text);
    DrawTextW(
        dc, cell.drawn.c_str(), DrawnLength(dc, cell.drawn, textRect), &textRect,
        DrawTextAlignment(format.fmt) | DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
  }
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
