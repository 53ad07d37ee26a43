// A report-style list view whose cells are edited in place: double-clicking a cell (or walking
// onto it with Tab / Shift+Tab) shows an editor window over it with the cell's text; Enter,
// a click elsewhere or the focus leaving keeps the typed text, Escape discards it.
//
// The editor is an ordinary child control of the dialog (typically a hidden edit box), chosen
// per column and overridable per row and per cell; while a cell is edited the list is its
// parent. Ending goes through kEndEditMessage (wParam 1 keep, 0 discard), sent by the
// CMsgHook bound to the editor or by anyone else.
//
// Keys in a dialog: while a cell is edited the editor asks its dialog for every key
// (WM_GETDLGCODE answers DLGC_WANTALLKEYS), and the CMsgHook consumes Enter and Escape, so they
// end the edit instead of pressing the dialog's OK or Cancel. Tab and Shift+Tab walk to the
// next editable cell; when the walk leaves the list the focus moves on to the next (previous)
// control of the dialog.
//
//   CListCtrlEx limits;
//   limits.SubclassDlgItem(dialog, IDC_LIMITS);
//   ... insert the columns ...
//   limits.InsertRow(0, L"AUX 3.6");
//   limits.SetColumnEditor(2, GetDlgItem(dialog, IDC_LIMIT_EDIT));
//   limits.SetColumnEditor(3, GetDlgItem(dialog, IDC_LIMIT_EDIT));
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <list>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "station/controls/MsgHook.h"
#include "station/ui/Control.h"

class CListCtrlEx : public ui::Control {
 public:
  // Sent to the list to end editing: wParam 1 keeps the typed text, 0 discards it.
  static constexpr UINT kEndEditMessage = WM_USER + 10;

  // A begin/end callback. At the start it fills the editor instead of the cell text (`text`
  // holds the cell text). At the end it decides instead of the editor text: it may change
  // `text` and returns 1 to store it, 0 to leave the cell as it was, -1 to store it and re-sort
  // the rows by the edited column.
  enum class EditPhase { kBegin, kEnd };
  struct EditEvent {
    EditPhase phase;
    HWND editor;
    int row;
    int column;
    bool keep;  // at the end: whether the edit was kept
    std::wstring text;
  };
  using EditCallback = std::function<int(EditEvent& event)>;

  // Edit settings of a column, a row or a cell; a row's editor overrides its column's, a
  // cell's overrides its row's. A read-only level refuses editing whatever the others say.
  struct EditSettings {
    HWND editor = nullptr;
    EditCallback callback;
    bool readOnly = false;
  };
  using CellInfo = EditSettings;
  struct ItemData {
    int32_t value = 0;  // the caller's value of the row
    EditSettings row;
    std::vector<CellInfo> cells;  // by column; grows as cells get settings
  };

  CListCtrlEx();
  ~CListCtrlEx() override;

  // Rows: inserted with caller value 0; the index of the new row or -1.
  int InsertRow(int index, std::wstring_view text);
  bool DeleteRow(int row);
  void DeleteAllRows();
  int RowCount() const;
  int ColumnCount() const;
  bool SetRowValue(int row, int32_t value);
  int32_t RowValue(int row) const;  // 0 for a row without data
  std::wstring CellText(int row, int column) const;
  bool SetCellText(int row, int column, std::wstring_view text);

  // Editors and read-only flags at the three levels.
  void SetColumnEditor(int column, HWND editor, EditCallback callback = {});
  void SetColumnReadOnly(int column, bool readOnly);
  void SetRowEditor(int row, HWND editor, EditCallback callback = {});
  void SetRowReadOnly(int row, bool readOnly);
  void SetCellEditor(int row, int column, HWND editor, EditCallback callback = {});
  void SetCellReadOnly(int row, int column, bool readOnly);

  // Starts editing a cell (ending a running edit and keeping its text first); false when the
  // cell refuses. EndEdit does what kEndEditMessage does.
  bool StartEdit(int row, int column);
  void EndEdit(bool keep);
  // Walks to the next (previous) cell that accepts editing and starts it; false when the walk
  // leaves the list.
  bool TabToNextCell(bool backward);

  bool IsEditing() const { return activeEditor_ != nullptr; }
  HWND activeEditor() const { return activeEditor_; }
  int editRow() const { return editRow_; }
  int editColumn() const { return editColumn_; }

 protected:
  LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) override;
  void OnDestroyed() override;

 private:
  ItemData* DataOf(int row) const;
  ItemData* EnsureData(int row);
  EditSettings& ColumnSettings(int column);
  // The editor and callback a cell is edited with; false when it refuses.
  bool ChooseEditor(int row, int column, HWND& editor, EditCallback& callback) const;
  RECT CellRect(int row, int column) const;
  void OnEndEdit(bool keep);
  // Whether `window` is one of the editors set on this list, now a child of it.
  bool IsEditorWindow(HWND window) const;
  void ClaimKeys(HWND editor, bool claim);
  void SortByColumn(int column);

  std::list<ItemData> items_;  // every row's data, freed with the list
  std::vector<EditSettings> columns_;
  HWND activeEditor_ = nullptr;
  EditCallback activeCallback_;
  int editRow_ = -1;
  int editColumn_ = -1;
  int lastRow_ = -1;  // the cell the Tab walk goes on from
  int lastColumn_ = -1;
  std::unique_ptr<CMsgHook> hook_;
  bool ending_ = false;  // held while an edit ends: a second end request meanwhile is dropped
};
