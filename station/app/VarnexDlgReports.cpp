// How a run's reports (messages 11138 to 11143) reach the main window's controls: each report
// is copied into display steps and answered at once, and one posted follow-up per step shows it,
// so the worker never waits for display work and no message does all of a report's work.
#include "station/app/VarnexDlg.h"

#include <utility>

#include "station/app/resource.h"
#include "station/engine/RowReport.h"
#include "station/run/RunMessages.h"

namespace {

// Posted once per queued display step; each shows the next step.
constexpr UINT kShowStepMessage = WM_APP + 0x5600;

}  // namespace

void CVarnexDlg::QueuedRunMessages::ShowMessage(const std::wstring& text, uint32_t color) {
  DisplayStep step;
  step.action = DisplayAction::Message;
  step.text = text;
  step.color = color;
  window_.Queue(std::move(step));
}

void CVarnexDlg::QueuedRunMessages::SetStatus(int32_t state) {
  DisplayStep step;
  step.action = DisplayAction::Status;
  step.value = state;
  window_.Queue(std::move(step));
}

void CVarnexDlg::QueuedRunMessages::SetControlsEnabled(int32_t enable) {
  DisplayStep step;
  step.action = DisplayAction::Controls;
  step.value = enable;
  window_.Queue(std::move(step));
}

void CVarnexDlg::QueuedRunMessages::RefreshCommText() {
  DisplayStep step;
  step.action = DisplayAction::CommText;
  window_.Queue(std::move(step));
}

void CVarnexDlg::QueuedRunMessages::EnableStartStop(bool enable) {
  DisplayStep step;
  step.action = DisplayAction::StartStopEnabled;
  step.value = enable ? 1 : 0;
  window_.Queue(std::move(step));
}

bool CVarnexDlg::OnDisplayMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == kShowStepMessage) {
    ShowNextStep();
    return true;
  }
  if (message == kRowReportMessage) {
    OnRowReport(lParam);
    return true;
  }
  return DispatchRunMessage(runMessages_, run_, message, wParam, lParam);
}

void CVarnexDlg::OnRowReport(LPARAM lParam) {
  // Only the engine's own record is read, and copied at once: the engine changes it as soon as
  // this returns. A report from anywhere else is ignored.
  const RowReport* report = run_.RowReportAt(lParam);
  if (report == nullptr) {
    return;
  }
  const RowReport copy = *report;
  const size_t count = steps_.PushCell(ResolveCellReport(rowIndex_, copy));
  for (size_t i = 0; i < count; ++i) {
    PostStep();
  }
}

void CVarnexDlg::Queue(DisplayStep step) {
  steps_.Push(std::move(step));
  PostStep();
}

void CVarnexDlg::PostStep() {
  // Without its follow-up (a full message queue) the steps are shown at once.
  if (!PostMessageW(hwnd(), kShowStepMessage, 0, 0)) {
    ShowWaitingSteps();
  }
}

void CVarnexDlg::ShowNextStep() {
  DisplayStep step;
  if (steps_.Pop(step)) {
    Show(step);
  }
}

void CVarnexDlg::ShowWaitingSteps() {
  DisplayStep step;
  while (steps_.Pop(step)) {
    Show(step);
  }
}

void CVarnexDlg::Show(const DisplayStep& step) {
  switch (step.action) {
    case DisplayAction::ClearSelection:
      list_.DeselectAll();
      break;
    case DisplayAction::SetCell:
      list_.DeselectAll();
      list_.SetCellText(step.row, step.column, step.text);
      list_.SetCellColors(step.row, step.column, step.color, GetSysColor(COLOR_WINDOW));
      break;
    case DisplayAction::ReplaceDetail:
      ShowDetailNow(step.text);
      break;
    case DisplayAction::SelectRow:
      list_.SelectOnlyRow(step.row);
      break;
    case DisplayAction::Message:
      ShowMessageNow(step.text, step.color);
      break;
    case DisplayAction::Controls:
      SetControlsNow(step.value);
      break;
    case DisplayAction::CommText:
      RefreshCommTextNow();
      break;
    case DisplayAction::Status:
      SetStatusNow(step.value);
      break;
    case DisplayAction::StartStopEnabled:
      EnableItem(IDC_START_STOP, step.value != 0);
      break;
  }
}
