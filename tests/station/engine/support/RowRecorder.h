// A hidden window that records every RowReport the engine sends, as the main window would
// receive them. Reports sent from the test's own thread reach it directly.
#pragma once

#include <string>
#include <vector>

#include <windows.h>

#include "station/engine/RowReport.h"

class RowRecorder {
 public:
  RowRecorder();
  ~RowRecorder();
  RowRecorder(const RowRecorder&) = delete;
  RowRecorder& operator=(const RowRecorder&) = delete;

  HWND window() const { return window_; }
  const std::vector<RowReport>& reports() const { return reports_; }
  void Clear() { reports_.clear(); }

  // The cell as the list would show it now: the last report for that row and column.
  bool HasCell(const std::wstring& item, int column) const;
  std::wstring Text(const std::wstring& item, int column) const;
  uint32_t Color(const std::wstring& item, int column) const;
  std::wstring Result(const std::wstring& item) const { return Text(item, kColumnResult); }
  std::wstring Detail(const std::wstring& item) const { return Text(item, kColumnDetail); }
  // How many reports a row received, and the names of the rows in the order of their results.
  int CountFor(const std::wstring& item) const;
  std::vector<std::wstring> ResultOrder() const;

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  const RowReport* Last(const std::wstring& item, int column) const;

  HWND window_ = nullptr;
  std::vector<RowReport> reports_;
};
