#include "RunHarness.h"

#include <cwchar>

#include "devices/sim/dutlink_sim.h"
#include "devices/sim/powerbench_sim.h"
#include "station/engine/RowReport.h"
#include "station/run/RunMessages.h"

namespace {

constexpr wchar_t kClassName[] = L"RunHarnessWindow";

std::wstring Hex(uint32_t color) {
  wchar_t text[16];
  swprintf(text, std::size(text), L"%06X", static_cast<unsigned>(color));
  return text;
}

}  // namespace

void RecordingDisplay::ShowMessage(const std::wstring& text, uint32_t color) {
  Add(L"message:" + text + L":" + Hex(color));
}

void RecordingDisplay::EnableStartStop(bool enable) {
  {
    std::lock_guard guard(lock_);
    enableThreads.insert(GetCurrentThreadId());
  }
  Add(enable ? L"enable:1" : L"enable:0");
}

void RecordingDisplay::Add(const std::wstring& event) {
  std::lock_guard guard(lock_);
  events_.push_back(event);
}

std::vector<std::wstring> RecordingDisplay::Events() {
  std::lock_guard guard(lock_);
  return events_;
}

std::vector<std::wstring> RecordingDisplay::WindowEvents() {
  std::vector<std::wstring> events;
  for (const std::wstring& event : Events()) {
    if (event.rfind(L"enable:", 0) != 0) {
      events.push_back(event);
    }
  }
  return events;
}

std::wstring RecordingDisplay::Last(const std::wstring& prefix) {
  std::vector<std::wstring> events = Events();
  for (auto it = events.rbegin(); it != events.rend(); ++it) {
    if (it->rfind(prefix, 0) == 0) {
      return *it;
    }
  }
  return {};
}

bool RecordingDisplay::Has(const std::wstring& event) {
  for (const std::wstring& seen : Events()) {
    if (seen == event) {
      return true;
    }
  }
  return false;
}

RunHarness::RunHarness() {
  KV_ReleasePhone(KV_CreatePhone(0));
  KVSIM_Reset();
  PBSIM_Reset();
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof(windowClass);
  windowClass.lpfnWndProc = &RunHarness::WindowProc;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.lpszClassName = kClassName;
  RegisterClassExW(&windowClass);
  window = CreateWindowExW(0, kClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                           windowClass.hInstance, nullptr);
  SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));

  settings.checkSimCard = 1;
  context = std::make_unique<CheckContext>();
  context->phone = KV_CreatePhone(0);
  context->window = window;
  context->stations = &stations;
  context->settings = settings;
  context->sleep = [this](uint32_t milliseconds) { recordedWait += milliseconds; };
  context->promptOperator = [] {};
  control = std::make_unique<RunControl>(*context, display);
  control->Create(window);
}

RunHarness::~RunHarness() {
  if (!control->Shutdown()) {
    // A worker outlived the shutdown: what it uses stays alive until the test program ends.
    control.release();
    context.release();
    DestroyWindow(window);
    return;
  }
  control.reset();
  ShutdownCheckContext(*context);
  KV_ReleasePhone(context->phone);
  context.reset();
  DestroyWindow(window);
}

void RunHarness::UseSupplies(int32_t address1, int32_t address2) {
  settings.powerSupplyUsed = 1;
  for (int i = 0; i < 2; ++i) {
    const int32_t address = i == 0 ? address1 : address2;
    settings.supplyEnable[i] = address >= 0 ? 1 : 0;
    settings.supplyType[i] = i;
    settings.gpibAddr[i] = address;
    settings.supplyVoltage[i] = i == 0 ? 3.8f : 5.0f;
  }
  context->settings = settings;
}

void RunHarness::Press() {
  runEndsBefore_ = runEnds;
  control->StartStop(settings, link);
}

bool RunHarness::PumpUntil(const std::function<bool()>& done, DWORD milliseconds) {
  const ULONGLONG deadline = GetTickCount64() + milliseconds;
  while (!done()) {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      DispatchMessageW(&message);
    }
    if (done()) {
      break;
    }
    if (GetTickCount64() >= deadline) {
      return false;
    }
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
  }
  return true;
}

bool RunHarness::RunToEnd(DWORD milliseconds) {
  return PumpUntil([this] { return !control->running() && runEnds > runEndsBefore_; },
                   milliseconds);
}

LRESULT CALLBACK RunHarness::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* self = reinterpret_cast<RunHarness*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (self != nullptr) {
    if (self->control != nullptr &&
        DispatchRunMessage(self->display, *self->control, message, wParam, lParam)) {
      return 0;
    }
    if (message == kRowReportMessage) {
      ++self->rowReports;
      const auto* report = reinterpret_cast<const RowReport*>(lParam);
      self->cells[{std::wstring(report->itemName, wcsnlen(report->itemName, 64)), report->column}] =
          std::wstring(report->text, wcsnlen(report->text, 4096));
      return 0;
    }
    if (message == kRunEndedMessage) {
      ++self->runEnds;
      return 0;
    }
    if (message == WM_COMMAND && LOWORD(wParam) == kStartStopCommand) {
      ++self->commands;
      self->control->StartStop(self->settings, self->link);
      return 0;
    }
    if (message == kRunStopRequestMessage) {
      self->control->OnStopRequest(wParam);
      return 0;
    }
  }
  return DefWindowProcW(window, message, wParam, lParam);
}
