// What the scan logic needs of the main window: the result list's row names and selection, the
// item label, the scan field and the message line. The window implements it with a few Win32
// calls; tests implement it with plain values.
#pragma once

#include <cstdint>
#include <string>

class ScanView {
 public:
  virtual ~ScanView() = default;

  virtual int RowCount() const = 0;
  // The item name (column 0) of a row; empty when there is no such row.
  virtual std::wstring RowName(int row) const = 0;
  // The "Test Detail" text (column 3) of a row.
  virtual std::wstring RowDetail(int row) const = 0;
  // The first selected row, -1 when none is.
  virtual int SelectedRow() const = 0;
  virtual void SelectRow(int row) = 0;  // a row that does not exist is ignored
  virtual void DeselectRow(int row) = 0;
  virtual void DeselectAll() = 0;

  // As a cell report (message 11138): deselects every row and, when a row has this name, sets
  // the cell's text and colour and selects the row.
  virtual void ShowCell(const std::wstring& rowName, int32_t column, const std::wstring& text,
                        uint32_t color) = 0;

  virtual std::wstring Label() const = 0;
  virtual void SetLabel(const std::wstring& text) = 0;
  virtual std::wstring ScanText() const = 0;
  virtual void ClearScanText() = 0;
  virtual void EnableScanField(bool enable) = 0;
  virtual void FocusScanField() = 0;

  virtual void ShowMessage(const std::wstring& text, uint32_t color) = 0;  // message line
  virtual void ShowDetail(const std::wstring& text) = 0;                   // Test Detail box
};
