// Drives a modal dialog from inside the test process: once the dialog shows, `step` runs on
// it (reading controls, setting them, clicking), then the button `press` is pressed. A dialog
// that is still open a while later is cancelled, and `stuck` tells the test so.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

struct DialogDriver {
  std::function<void(HWND dialog)> step;
  int press = IDOK;
  bool ran = false;
  bool stuck = false;

  DialogDriver() = default;
  ~DialogDriver();
  DialogDriver(const DialogDriver&) = delete;
  DialogDriver& operator=(const DialogDriver&) = delete;

  // Arms the driver for the next dialog this thread shows; call before opening it. The driver
  // stays armed until that dialog is gone or the driver is destroyed.
  void Arm();
};

// Small readers and clicks over a dialog's controls.
bool Checked(HWND dialog, int id);
bool Enabled(HWND dialog, int id);
void Click(HWND dialog, int id);
void SetText(HWND dialog, int id, const wchar_t* text);
std::wstring Text(HWND dialog, int id);
int ComboSelection(HWND dialog, int id);
std::wstring ComboItem(HWND dialog, int id, int item);
int ComboCount(HWND dialog, int id);
// Sends a button press synchronously; the dialog may refuse and stay open.
void PressNow(HWND dialog, int id);

int Rows(HWND list);
std::wstring Cell(HWND list, int row, int column);
void SetCell(HWND list, int row, int column, const wchar_t* text);
bool RowChecked(HWND list, int row);
// As the operator's click on a row's check box (row -1: every row).
void CheckRow(HWND list, int row, bool checked);
