// A message-only window that stands in for the station's main window: it receives the engine's
// row reports (message 11138) and hands each cell to a RowPrinter.
#pragma once

#include <windows.h>

class RowPrinter;

class RowWindow {
 public:
  explicit RowWindow(RowPrinter& printer);
  ~RowWindow();
  RowWindow(const RowWindow&) = delete;
  RowWindow& operator=(const RowWindow&) = delete;

  HWND handle() const { return window_; }

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  void OnRowReport(LPARAM lParam);

  RowPrinter& printer_;
  HWND window_ = nullptr;
};
