// A report-style list view whose cells each have their own text and background colour: the
// station's result list. The control keeps the rows itself: the texts of every cell (own
// copies) and one text and one background colour per cell; the list view is an owner-data list
// (LVS_OWNERDATA, set in the dialog resource) that only counts the rows, keeps the selection and
// asks for texts. The list draws each row itself (custom draw, reflected by the parent dialog),
// so rebuilding the rows or changing a cell costs no work inside the list view. Column clicks
// are accepted and ignored: the rows keep the order they were added in.
//
//   CSortListCtrl list;
//   list.SubclassDlgItem(dialog, IDC_RESULT_LIST);   // a list view with LVS_OWNERDATA
//   list.SetHeadings(L"Item,120;Expected Value,200;Result,65;Test Detail,185");
//   int row = list.AddRow({L"IMEI1", L"---", L"", L""});
//   list.SetCellText(row, 2, L"PASS");
//   list.SetCellColors(row, 2, 0x008000, CSortListCtrl::kDefaultColor);
#pragma once

#include <windows.h>

#include <commctrl.h>

#include <string>
#include <string_view>
#include <vector>

#include "station/controls/SortHeaderCtrl.h"
#include "station/ui/Control.h"

class CSortListCtrl : public ui::Control {
 public:
  // As a colour argument: the list's default text or background colour.
  static constexpr COLORREF kDefaultColor = static_cast<COLORREF>(-1);

  struct CellColors {
    COLORREF text = 0;
    COLORREF background = 0;
  };

  CSortListCtrl();
  ~CSortListCtrl() override;

  // Adds a left-aligned column per name-comma-width pair ("Item,120;Result,65"); a pair
  // without a comma ends the text. False as soon as the list refuses a column.
  bool SetHeadings(std::wstring_view headings);
  int ColumnCount() const { return columnCount_; }

  // Appends a row with the texts of its cells (missing ones empty, extra ones dropped) in the
  // default colours; the index of the new row, or -1 when the list refused it. Needs at least
  // one column.
  int AddRow(const std::vector<std::wstring>& texts);
  // Replaces every row at once (as DeleteAllRows and AddRow for each): no selection, scrolled
  // to the top, painted whole with the next paint.
  void SetRows(const std::vector<std::vector<std::wstring>>& rows);
  // Sets the text of a cell; false outside the list. A text with line breaks is kept as it is
  // and drawn on one line, each break as one blank.
  bool SetCellText(int row, int column, std::wstring_view text);
  // Colours of one cell (kDefaultColor for the defaults); ignored outside the list. The cell is
  // redrawn at once.
  void SetCellColors(int row, int column, COLORREF text, COLORREF background);
  // Removes every row.
  void DeleteAllRows();

  int RowCount() const;
  std::wstring CellText(int row, int column) const;
  // The colours the cell is drawn in when its row is not selected (defaults resolved).
  CellColors CellColorsAt(int row, int column) const;

  // Selection as the main window uses it: one row at most. A selected row has the focus.
  void SelectOnlyRow(int row);
  void SetRowSelected(int row, bool selected);
  void DeselectAll();
  // The first selected row, -1 for none.
  int SelectedRow() const;

  // The four colours the cells are drawn with, read from the system at creation and on every
  // system colour change.
  COLORREF defaultBackground() const { return defaultBackground_; }
  COLORREF defaultText() const { return defaultText_; }
  COLORREF selectionBackground() const { return selectionBackground_; }
  COLORREF selectionText() const { return selectionText_; }

  CSortHeaderCtrl& header() { return header_; }

  LRESULT OnReflected(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) override;

 protected:
  void OnSubclassed() override;
  LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) override;
  void OnDestroyed() override;

 private:
  struct Cell {
    std::wstring text;
    std::wstring drawn;  // the text on one line
    COLORREF textColor = kDefaultColor;
    COLORREF backgroundColor = kDefaultColor;
  };
  using Row = std::vector<Cell>;

  Row MakeRow(const std::vector<std::wstring>& texts) const;
  const Cell* CellAt(int row, int column) const;
  bool SetItemCount(int count, DWORD flags);
  RECT CellRect(int row, int column) const;
  void RepaintRow(int row);
  LRESULT OnCustomDraw(NMLVCUSTOMDRAW& draw);
  void DrawRow(HDC dc, int row);
  void GiveText(NMLVDISPINFOW& info) const;
  int FindRow(const NMLVFINDITEMW& find) const;
  void ReadSystemColors();

  CSortHeaderCtrl header_;
  int columnCount_ = 0;
  COLORREF defaultBackground_;
  COLORREF defaultText_;
  COLORREF selectionBackground_;
  COLORREF selectionText_;
  std::vector<Row> rows_;
};
