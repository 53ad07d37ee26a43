// The main window's display operations: what a run, the scan logic and the worker's messages
// change on the controls.
#include "station/app/VarnexDlg.h"

#include <commctrl.h>

#include "station/app/core/ControlsState.h"
#include "station/app/core/ResultList.h"
#include "station/app/resource.h"
#include "station/engine/RowReport.h"
#include "station/run/core/CommText.h"
#include "station/run/core/ScanInput.h"

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

// Holds a control's painting while it changes; it is painted once afterwards, when the window's
// thread has nothing else to do.
class DeferredRedraw {
 public:
  explicit DeferredRedraw(HWND control) : control_(control) {
    SendMessageW(control_, WM_SETREDRAW, FALSE, 0);
  }
  ~DeferredRedraw() {
    SendMessageW(control_, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(control_, nullptr, FALSE);
  }
  DeferredRedraw(const DeferredRedraw&) = delete;
  DeferredRedraw& operator=(const DeferredRedraw&) = delete;

 private:
  HWND control_;
};

}  // namespace

bool CVarnexDlg::CheckScannedCodes() {
  return ::CheckScannedCodes(*this, settings_);
}

void CVarnexDlg::ShowDetail(const std::wstring& text) {
  detailText_ = text;
  SetItemText(IDC_TEST_DETAIL, text);
}

void CVarnexDlg::ShowMessage(const std::wstring& text, uint32_t color) {
  message_.SetTextColor(color);
  SetItemText(IDC_MESSAGE, text);
}

void CVarnexDlg::SetStatus(int32_t state) {
  for (const StatusLook& look : kStatusLooks) {
    if (look.state == state) {
      status_.SetBackgroundColor(look.background);
      SetItemText(IDC_STATUS, look.text);
      return;
    }
  }
}

void CVarnexDlg::SetControlsEnabled(int32_t enable) {
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
  SetItemText(IDC_START_STOP, text);
}

void CVarnexDlg::EnableStartStop(bool enable) {
  EnableItem(IDC_START_STOP, enable);
}

void CVarnexDlg::RebuildResultList() {
  ResultList built = BuildResultList(settings_);
  DeferredRedraw paintOnce(list_.hwnd());
  list_.DeleteAllRows();
  for (const ResultRow& row : built.rows) {
    list_.AddRow({row.name, row.expected, L"", L""});
  }
  rowIndex_ = std::move(built.rowIndex);
}

void CVarnexDlg::RefreshCommText() {
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
  if (row >= 0 && row < list_.RowCount()) {
    ListView_SetItemState(list_.hwnd(), row, LVIS_SELECTED | LVIS_FOCUSED,
                          LVIS_SELECTED | LVIS_FOCUSED);
    ListView_EnsureVisible(list_.hwnd(), row, FALSE);
  }
}

void CVarnexDlg::DeselectRow(int row) {
  if (row >= 0 && row < list_.RowCount()) {
    ListView_SetItemState(list_.hwnd(), row, 0, LVIS_SELECTED | LVIS_FOCUSED);
  }
}

void CVarnexDlg::DeselectAll() {
  list_.DeselectAll();
}

void CVarnexDlg::ShowCell(const std::wstring& rowName, int32_t column, const std::wstring& text,
                          uint32_t color) {
  DeselectAll();
  CellUpdate update = ResolveCell(rowIndex_, rowName, column, text, color);
  if (update.row >= 0) {
    ApplyCell(update);
  }
}

void CVarnexDlg::OnRowReport(LPARAM lParam) {
  const auto* report = reinterpret_cast<const RowReport*>(lParam);
  DeselectAll();
  if (report == nullptr) {
    return;
  }
  // A copy first: the sender's record may change once it goes on.
  const RowReport copy = *report;
  CellUpdate update = ResolveCellReport(rowIndex_, copy);
  if (update.row >= 0) {
    ApplyCell(update);
  }
}

void CVarnexDlg::ApplyCell(const CellUpdate& update) {
  // The worker waits while a report is shown. The list paints only the changed row at once;
  // the detail box, whose long texts are slow to lay out and paint, is painted with the
  // window's next paint, so a burst of reports costs one paint of it.
  if (update.setCell) {
    list_.SetCellText(update.row, update.column, update.text);
    list_.SetCellColors(update.row, update.column, update.color, GetSysColor(COLOR_WINDOW));
  }
  if (update.replaceDetail) {
    DeferredRedraw detailPaint(Item(IDC_TEST_DETAIL));
    ShowDetail(update.text);
  }
  list_.SelectOnlyRow(update.row);
}

std::wstring CVarnexDlg::Label() const {
  return ItemText(IDC_ITEM_LABEL);
}

void CVarnexDlg::SetLabel(const std::wstring& text) {
  SetItemText(IDC_ITEM_LABEL, text);
}

std::wstring CVarnexDlg::ScanText() const {
  return ItemText(IDC_SCAN);
}

void CVarnexDlg::ClearScanText() {
  scanText_.clear();
  pushingData_ = true;
  SetItemText(IDC_SCAN, L"");
  pushingData_ = false;
}

void CVarnexDlg::EnableScanField(bool enable) {
  EnableItem(IDC_SCAN, enable);
}

void CVarnexDlg::FocusScanField() {
  if (HWND scan = Item(IDC_SCAN)) {
    SetFocus(scan);
  }
}
