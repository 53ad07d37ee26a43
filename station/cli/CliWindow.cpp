#include "station/cli/CliWindow.h"

#include <cwchar>

#include "station/cli/Console.h"
#include "station/cli/core/RowPrinter.h"
#include "station/engine/RowReport.h"
#include "station/run/RunMessages.h"

namespace {

constexpr wchar_t kClassName[] = L"VarnexCliRun";

// The report's texts are fixed-size fields; never read past them.
std::wstring Field(const wchar_t* text, size_t capacity) {
  return std::wstring(text, wcsnlen(text, capacity));
}

bool EndsWith(const std::wstring& text, const std::wstring& end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

}  // namespace

CliWindow::CliWindow(RowPrinter& printer, const RunLink& link) : printer_(printer), link_(link) {
  HINSTANCE instance = GetModuleHandleW(nullptr);
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof(windowClass);
  windowClass.lpfnWndProc = &CliWindow::WindowProc;
  windowClass.hInstance = instance;
  windowClass.lpszClassName = kClassName;
  RegisterClassExW(&windowClass);  // already registered is fine
  window_ =
      CreateWindowExW(0, kClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, instance, this);
}

CliWindow::~CliWindow() {
  if (window_ != nullptr) {
    DestroyWindow(window_);
  }
}

void CliWindow::Attach(RunControl& control, const CheckSettings& settings) {
  control_ = &control;
  settings_ = &settings;
}

bool CliWindow::RunOver() const {
  if (control_ == nullptr || control_->running()) {
    return false;
  }
  // An operator's stop and a link that did not open end without the end-of-run message.
  const RunEnd end = control_->lastEnd();
  return endMessageSeen_ || end == RunEnd::Aborted || end == RunEnd::LinkFailed ||
         end == RunEnd::None;
}

void CliWindow::PumpUntilRunEnded() {
  MSG message;
  while (!RunOver() && GetMessageW(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

LRESULT CALLBACK CliWindow::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* self = reinterpret_cast<CliWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (self != nullptr && self->OnMessage(message, wParam, lParam)) {
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

bool CliWindow::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == kRunEndedMessage) {
    endMessageSeen_ = true;
    return true;
  }
  if (control_ == nullptr) {
    return false;
  }
  if (message == kRowReportMessage) {
    OnRowReport(lParam);
    return true;
  }
  if (DispatchRunMessage(*this, *control_, message, wParam, lParam)) {
    return true;
  }
  if (message == WM_COMMAND && LOWORD(wParam) == kStartStopCommand) {
    control_->StartStop(*settings_, link_);
    return true;
  }
  if (message == kRunStopRequestMessage) {
    control_->OnStopRequest(wParam);
    return true;
  }
  if (message == kCliStopMessage) {
    // Ctrl+C only ever stops; it never starts a run.
    if (control_->running()) {
      control_->StartStop(*settings_, link_);
    }
    return true;
  }
  return false;
}

void CliWindow::OnRowReport(LPARAM lParam) {
  // Only the engine's own record is read; any other address is ignored.
  const RowReport* report = control_->RowReportAt(lParam);
  if (report == nullptr) {
    return;
  }
  printer_.OnCell(Field(report->itemName, std::size(report->itemName)), report->column,
                  Field(report->text, std::size(report->text)));
}

void CliWindow::ShowDetail(const std::wstring& text) {
  // The station's box holds every "Init DCS" line so far; the console gets the newest one.
  std::wstring lines = text;
  while (!lines.empty() && lines.back() == L'\n') {
    lines.pop_back();
  }
  const size_t cut = lines.rfind(L'\n');
  const std::wstring last = cut == std::wstring::npos ? lines : lines.substr(cut + 1);
  if (EndsWith(last, L"Fail!")) {
    PrintErr(last);
  } else {
    PrintOut(last);
  }
}

void CliWindow::ShowMessage(const std::wstring& text, uint32_t color) {
  if (color == kColorFail) {
    PrintErr(text);
  } else {
    PrintOut(text);
  }
}

void CliWindow::SetStatus(int32_t state) {
  if (state == kStatusPass || state == kStatusFail) {
    // The verdict is in: rows a check left without a result are printed before what follows.
    printer_.Finish();
  }
}

void CliWindow::EnableStartStop(bool enable) {
  // The station disables Stop while the checks run; Ctrl+C follows it.
  SetRunPhase(enable ? RunPhase::Connecting : RunPhase::Checking);
}

void CliWindow::RefreshCommText() {
  const int32_t port = control_ != nullptr ? control_->port() : link_.port;
  wchar_t text[64];
  if (link_.uart != 0) {
    swprintf(text, std::size(text), L"Uart Communication, Port: %d", static_cast<int>(port));
  } else if (port == -1) {
    swprintf(text, std::size(text), L"USB Communication, Port: X");
  } else {
    swprintf(text, std::size(text), L"USB Communication, Port: %d", static_cast<int>(port));
  }
  PrintOut(text);
}
