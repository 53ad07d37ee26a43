// The main window's display operations: what a run, the scan logic and the worker's messages
// change on the controls.
#include "station/app/VarnexDlg.h"

#include <commctrl.h>

#include <vector>

#include "station/app/core/ControlsState.h"
#include "station/app/core/ResultList.h"
#include "station/app/resource.h"
#include "station/run/core/CommText.h"
#include "station/run/core/ScanInput.h"
#include "station/ui/OutOfSight.h"
#include "station/ui/WindowText.h"

namespace {

struct StatusLook {
  int32_t state;
  const wchar_t* text;
  COLORREF background;
};

constexpr StatusLook kStatusLooks[] = {
    {kStatusIdle, L"IDLE", 0xFFC880},
    {kStatusWorking, L"WORKING", 0x00FFFF},
    {kStatusPass, L"PASS", 0x008000},
    {kStatusFail, L"FAIL", 0x0000FF},
};

}  // namespace

bool CVarnexDlg::CheckScannedCodes() {
  ShowWaitingSteps();
  return ::CheckScannedCodes(*this, settings_);
}

void CVarnexDlg::ShowDetail(const std::wstring& text) {
  ShowWaitingSteps();
  ShowDetailNow(text);
}

void CVarnexDlg::ShowDetailNow(const std::wstring& text) {
  // The box lays out and draws its scroll bar twice for every new text: it changes out of sight
  // and is painted with the window's next paint.
  detailText_ = text;
  HWND box = Item(IDC_TEST_DETAIL);
  if (ui::WindowText(box) != text) {
    ui::ChangeOutOfSight(box, [&] { SetWindowTextW(box, text.c_str()); });
  }
}

void CVarnexDlg::ShowMessage(const std::wstring& text, uint32_t color) {
  ShowWaitingSteps();
  ShowMessageNow(text, color);
}

void CVarnexDlg::ShowMessageNow(const std::wstring& text, uint32_t color) {
  message_.SetTextColor(color);
  SetItemText(IDC_MESSAGE, text);
}

void CVarnexDlg::SetStatus(int32_t state) {
  ShowWaitingSteps();
  SetStatusNow(state);
}

void CVarnexDlg::SetStatusNow(int32_t state) {
  for (const StatusLook& look : kStatusLooks) {
    if (look.state == state) {
      status_.SetBackgroundColor(look.background);
      SetItemText(IDC_STATUS, look.text);
      return;
    }
  }
}

void CVarnexDlg::SetControlsEnabled(int32_t enable) {
  ShowWaitingSteps();
  SetControlsNow(enable);
}

void CVarnexDlg::SetControlsNow(int32_t enable) {
  ControlsState state = ControlsFor(setup_.restricted == 1, enable != 0);
  toolbar_.EnableCommand(ID_SETTING, state.settingsEnabled);
  EnableItem(IDC_CLEAR, state.clearEnabled);
  if (state.portEnabled) {
    toolbar_.EnableCommand(ID_PORT_SETTING, *state.portEnabled);
  }
  if (state.scanEnabled) {
    EnableScanField(*state.scanEnabled);
  }
}

void CVarnexDlg::SetStartStopText(const wchar_t* text) {
  ShowWaitingSteps();
  SetItemText(IDC_START_STOP, text);
}

void CVarnexDlg::EnableStartStop(bool enable) {
  ShowWaitingSteps();
  EnableItem(IDC_START_STOP, enable);
}

void CVarnexDlg::RebuildResultList() {
  ShowWaitingSteps();
  ResultList built = BuildResultList(settings_);
  std::vector<std::vector<std::wstring>> rows;
  rows.reserve(built.rows.size());
  for (const ResultRow& row : built.rows) {
    rows.push_back({row.name, row.expected, L"", L""});
  }
  list_.SetRows(rows);
  rowIndex_ = std::move(built.rowIndex);
}

void CVarnexDlg::RefreshCommText() {
  ShowWaitingSteps();
  RefreshCommTextNow();
}

void CVarnexDlg::RefreshCommTextNow() {
  // Port values confirmed during a run with a worker wait for its end: until then the text names
  // the link in use, and the port the phone library reports does not replace the new one.
  if (portShowPending_ && run_.hasWorker()) {
    SetItemText(IDC_COMM_TEXT, CommunicationText(run_.uart() ? 1 : 0, run_.port()));
    return;
  }
  // During a USB run the worker has just taken the port the phone library reported.
  if (run_.running() && !portChangedInRun_) {
    window_.port = run_.port();
  }
  SetItemText(IDC_COMM_TEXT, CommunicationText(window_.uart, window_.port));
}

// The scan logic reads and changes the list on the window's thread; the list it sees holds
// every report that came before.
int CVarnexDlg::RowCount() const {
  return list_.RowCount();
}

std::wstring CVarnexDlg::RowName(int row) const {
  return row >= 0 && row < list_.RowCount() ? list_.CellText(row, kColumnItem) : std::wstring();
}

std::wstring CVarnexDlg::RowDetail(int row) const {
  return row >= 0 && row < list_.RowCount() ? list_.CellText(row, kColumnDetail) : std::wstring();
}

int CVarnexDlg::SelectedRow() const {
  return list_.SelectedRow();
}

void CVarnexDlg::SelectRow(int row) {
  ShowWaitingSteps();
  list_.SetRowSelected(row, true);
  if (row >= 0 && row < list_.RowCount()) {
    ListView_EnsureVisible(list_.hwnd(), row, FALSE);
  }
}

void CVarnexDlg::DeselectRow(int row) {
  ShowWaitingSteps();
  list_.SetRowSelected(row, false);
}

void CVarnexDlg::DeselectAll() {
  ShowWaitingSteps();
  list_.DeselectAll();
}

void CVarnexDlg::ShowCell(const std::wstring& rowName, int32_t column, const std::wstring& text,
                          uint32_t color) {
  ShowWaitingSteps();
  steps_.PushCell(ResolveCell(rowIndex_, rowName, column, text, color));
  ShowWaitingSteps();
}

std::wstring CVarnexDlg::Label() const {
  return ItemText(IDC_ITEM_LABEL);
}

void CVarnexDlg::SetLabel(const std::wstring& text) {
  ShowWaitingSteps();
  SetItemText(IDC_ITEM_LABEL, text);
}

std::wstring CVarnexDlg::ScanText() const {
  return ItemText(IDC_SCAN);
}

void CVarnexDlg::ClearScanText() {
  ShowWaitingSteps();
  scanText_.clear();
  pushingData_ = true;
  SetItemText(IDC_SCAN, L"");
  pushingData_ = false;
}

void CVarnexDlg::EnableScanField(bool enable) {
  ShowWaitingSteps();
  EnableItem(IDC_SCAN, enable);
}

void CVarnexDlg::FocusScanField() {
  if (HWND scan = Item(IDC_SCAN)) {
    SetFocus(scan);
  }
}
