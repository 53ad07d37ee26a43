#include "station/run/RunControl.h"

#include <cwchar>
#include <iterator>
#include <string>

#include "devices/dutlink.h"
#include "station/engine/CheckContext.h"
#include "station/engine/RowReport.h"
#include "station/engine/SupplyControl.h"
#include "station/run/RunDisplay.h"
#include "station/run/RunObserver.h"
#include "station/run/RunState.h"
#include "station/run/RunMessages.h"
#include "station/run/RunWaits.h"
#include "station/run/RunWorkers.h"
#include "station/run/SentMessageWait.h"
#include "station/run/core/UsbMode.h"

namespace {

constexpr int32_t kLinkUart = 0;
constexpr int32_t kLinkUsb = 3;
constexpr int32_t kUartBaud = 115200;

// The window waits this long for a USB worker at Stop, and for a worker that is ending before
// the next run opens the link again.
constexpr DWORD kWorkerEndMs = 3000;
// At closing, a worker in the checks gets this long to leave them (its waits are cut short).
constexpr DWORD kClosingWaitMs = 5000;

constexpr wchar_t kConnectingText[] = L"Connecting phone, please power on phone ...";
constexpr wchar_t kNoWorkerText[] = L"Create worker thread failed!";
constexpr wchar_t kPowerOnText[] = L"Please powered on the phone... ...";
constexpr wchar_t kUserAbortText[] = L"User abort!";

std::wstring Format(const wchar_t* format, int value) {
  wchar_t text[64];
  swprintf(text, std::size(text), format, value);
  return text;
}

HANDLE Duplicate(HANDLE handle) {
  HANDLE copy = nullptr;
  if (handle != nullptr) {
    DuplicateHandle(GetCurrentProcess(), handle, GetCurrentProcess(), &copy, 0, FALSE,
                    DUPLICATE_SAME_ACCESS);
  }
  return copy;
}

// From now on the worker touches nothing of the window. Takes the gate so that a message the
// worker is sending is finished first; a worker that keeps the gate beyond the bound sees the
// flag when it lets go.
void Abandon(RunState& run, const WaitBudget& budget) {
  const bool locked = LockHandlingSentMessages(run.gate, budget.Remaining());
  run.abandoned.store(true);
  if (locked) {
    run.gate.unlock();
  }
}

// Waits for a worker of a closing window, answering the operator prompt it may show meanwhile
// (one it was just about to open included).
bool WaitForClosingWorker(const RunState& run, HANDLE thread, const WaitBudget& budget) {
  constexpr DWORD kPromptCheckMs = 100;
  for (;;) {
    CloseRunPrompt(run);
    const DWORD remaining = budget.Remaining();
    if (WaitHandlingSentMessages(thread, remaining < kPromptCheckMs ? remaining : kPromptCheckMs)) {
      return true;
    }
    if (budget.Remaining() == 0) {
      return false;
    }
  }
}

// Marks Start, Stop and Shutdown as under way for as long as it lives.
class BusyScope {
 public:
  explicit BusyScope(bool& busy) : busy_(busy) { busy_ = true; }
  ~BusyScope() { busy_ = false; }
  BusyScope(const BusyScope&) = delete;
  BusyScope& operator=(const BusyScope&) = delete;

 private:
  bool& busy_;
};

// The run's record could not be kept: said on the message line after the run's own message.
void ShowRecordProblem(RunDisplay& display, const std::wstring& problem) {
  if (!problem.empty()) {
    display.ShowMessage(problem, kColorFail);
  }
}

void CloseEvent(HANDLE& event) {
  if (event != nullptr) {
    CloseHandle(event);
    event = nullptr;
  }
}

}  // namespace

RunControl::RunControl(CheckContext& context, RunDisplay& display)
    : startWorker([](const std::shared_ptr<RunState>& run, bool usb) {
        return usb ? StartUsbWorker(run) : StartUartWorker(run);
      }),
      context_(context),
      display_(display) {}

RunControl::~RunControl() {
  Shutdown();
  for (HANDLE thread : outliving_) {
    CloseHandle(thread);
  }
}

bool RunControl::Create(HWND window) {
  window_ = window;
  if (connectedEvent_ == nullptr) {
    connectedEvent_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  }
  if (stopEvent_ == nullptr) {
    stopEvent_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  }
  return connectedEvent_ != nullptr && stopEvent_ != nullptr;
}

bool RunControl::checking() const {
  return running_ && run_ != nullptr && run_->checking.load();
}

RunEnd RunControl::lastEnd() const {
  return run_ != nullptr ? run_->end.load() : RunEnd::None;
}

const RowReport* RunControl::RowReportAt(LPARAM address) const {
  return address == reinterpret_cast<LPARAM>(&context_.rowReport) ? &context_.rowReport : nullptr;
}

const wchar_t* RunControl::MessageTextAt(WPARAM address) const {
  return run_ != nullptr && address == reinterpret_cast<WPARAM>(run_->messageText)
             ? run_->messageText
             : nullptr;
}

void RunControl::StartStop(const CheckSettings& settings, const RunLink& link) {
  if (busy_) {
    // A command sent to the window while a Start or Stop waits: it comes after that one.
    PostMessageW(window_, WM_COMMAND, MAKEWPARAM(kStartStopCommand, BN_CLICKED), 0);
    return;
  }
  BusyScope scope(busy_);
  if (running_) {
    Stop();
  } else {
    Start(settings, link);
  }
}

void RunControl::OnStopRequest(WPARAM runNumber) {
  if (busy_) {
    PostMessageW(window_, kRunStopRequestMessage, runNumber, 0);
    return;
  }
  // Only the active run's own worker asks; anything else (a request of a run the operator has
  // stopped already, or a stray message) must neither stop nor start a run.
  if (!running_ || run_ == nullptr || run_->number != runNumber || !run_->stopPosted.load()) {
    return;
  }
  BusyScope scope(busy_);
  Stop();
}

void RunControl::EndRun() {
  if (running_ && run_ != nullptr && !busy_) {
    BusyScope scope(busy_);
    run_->operatorStop.store(0);
    Stop();
  }
}

void RunControl::Start(const CheckSettings& settings, const RunLink& link) {
  if (!display_.CheckScannedCodes()) {
    return;
  }
  std::wstring detail;
  for (int i = 0; i < 2; ++i) {
    if (settings.supplyEnable[i] == 0 || settings.powerSupplyUsed == 0) {
      continue;
    }
    const bool opened = OpenSupply(context_, i) != 0;
    detail += Format(opened ? L"Init DCS%d Pass!\n" : L"Init DCS%d Fail!\n", i);
    display_.ShowDetail(detail);
    if (!opened) {
      return;
    }
  }
  // The last run's worker may still be closing its link; the next link must come after that.
  JoinFinishedWorkers(false);

  context_.settings = settings;
  display_.SetStartStopText(L"Stop");
  display_.SetControlsEnabled(0);
  display_.RebuildResultList();
  display_.SetStatus(kStatusWorking);
  display_.ShowMessage(kConnectingText, kColorProgress);

  if (!SupplyExists(context_, 0)) {
    OpenSupply(context_, 0);
  }
  PowerOnSupply(context_, 0);
  if (settings.supplyEnable[1] != 0) {
    if (!SupplyExists(context_, 1)) {
      OpenSupply(context_, 1);
    }
    PowerOnSupply(context_, 1);
  }

  run_ = std::make_shared<RunState>();
  run_->window = window_;
  run_->number = ++runNumber_;
  run_->phone = context_.phone;
  run_->context = &context_;
  run_->display = &display_;
  run_->counters = &counters_;
  run_->port = &port_;
  run_->powerOnWaitTime = link.powerOnWaitTime;
  run_->operatorStop.store(1);
  run_->observer = observer_;
  if (observer_ != nullptr) {
    observer_->RunStarted(context_);
  }
  InstallRunWaits(context_, run_);
  uart_ = link.uart != 0;
  port_.store(link.port);

  running_ = true;
  if (!OpenLink(link)) {
    if (run_->end.load() == RunEnd::NoWorker) {
      EndWithoutWorker();
      return;
    }
    const std::wstring recordProblem = EndRunAs(*run_, RunEnd::LinkFailed);
    display_.SetStatus(kStatusFail);
    ShowRecordProblem(display_, recordProblem);
  }
}

bool RunControl::OpenLink(const RunLink& link) {
  KV_LINK record{};
  if (uart_) {
    record = KV_LINK{kLinkUart, link.port, kUartBaud};
  } else {
    record.type = kLinkUsb;
  }
  if (KV_BeginPhoneTest(context_.phone, &record) != 0) {
    display_.SetControlsEnabled(1);
    display_.ShowMessage(Format(L"Open %d port failed!", link.port), kColorFail);
    return false;
  }
  if (!StartRunWorker()) {
    run_->end.store(RunEnd::NoWorker);
    return false;
  }
  if (!uart_) {
    const CheckSettings& settings = context_.settings;
    KV_EnterModeProcess(context_.phone, 1, -1,
                        UsbEnterMode(settings.wcdmaGsm, settings.wcdmaGsmMode), connectedEvent_, 0);
  }
  display_.ShowMessage(kPowerOnText, kColorProgress);
  return true;
}

bool RunControl::StartRunWorker() {
  if (!uart_) {
    ResetEvent(connectedEvent_);
    ResetEvent(stopEvent_);
    run_->connected = Duplicate(connectedEvent_);
    run_->stop = Duplicate(stopEvent_);
    // Without its own copies of both events the worker could only time out.
    if (run_->connected == nullptr || run_->stop == nullptr) {
      return false;
    }
  }
  HANDLE thread = startWorker ? startWorker(run_, !uart_) : nullptr;
  if (thread == nullptr) {
    return false;
  }
  worker_ = Worker{run_, thread};
  return true;
}

// The link opened but no worker runs: nothing will ever answer, so the attempt ends here, as an
// operator's Stop would, but with the reason and without a count.
void RunControl::EndWithoutWorker() {
  PowerOffAndEndTest();
  display_.SetStartStopText(L"Start");
  display_.SetControlsEnabled(1);
  display_.ShowMessage(kNoWorkerText, kColorFail);
  display_.SetStatus(kStatusIdle);
  running_ = false;
}

void RunControl::Stop() {
  RunState& run = *run_;
  // Every wait of a Stop for the worker shares this one bound.
  const WaitBudget budget(kWorkerEndMs);
  bool byOperator = run.operatorStop.load() != 0;
  if (worker_.thread != nullptr && byOperator) {
    // Decided under the gate: either the worker has asked for this stop itself already, or it
    // is abandoned here and sends nothing more.
    const bool locked = LockHandlingSentMessages(run.gate, budget.Remaining());
    byOperator = run.operatorStop.load() != 0;
    if (byOperator && run.checking.load()) {
      // The checks have begun (the button is disabled): a click from before that is refused.
      if (locked) {
        run.gate.unlock();
      }
      return;
    }
    if (byOperator) {
      run.abandoned.store(true);
    }
    if (locked) {
      run.gate.unlock();
    }
  }

  PowerOffAndEndTest();
  if (worker_.thread != nullptr) {
    KV_StopModeProcess(context_.phone);
    if (!uart_) {
      SetEvent(stopEvent_);
      // The worker may be sending its last status; those messages are handled meanwhile.
      if (!WaitHandlingSentMessages(worker_.thread, budget.Remaining())) {
        Abandon(run, budget);
      }
    }
    // A UART worker is never waited for here: abandoned, it leaves at its next step; otherwise
    // it is finishing its last step.
    finishing_.push_back(worker_);
    worker_ = Worker{};
  }

  display_.SetStartStopText(L"Start");
  display_.SetControlsEnabled(1);
  if (byOperator) {
    display_.ShowMessage(kUserAbortText, kColorProgress);
    display_.SetStatus(kStatusIdle);
    ShowRecordProblem(display_, EndRunAs(run, RunEnd::Aborted));
  }
  running_ = false;
}

void RunControl::PowerOffAndEndTest() {
  for (int i = 0; i < 2; ++i) {
    if (context_.settings.supplyEnable[i] != 0) {
      PowerOffSupply(context_, i);
    }
  }
  KV_EndPhoneTest(context_.phone);
}

bool RunControl::JoinFinishedWorkers(bool closing) {
  bool allEnded = true;
  for (Worker& worker : finishing_) {
    if (worker.thread == nullptr) {
      continue;
    }
    // An abandoned worker does nothing more that matters to a next run; one that ends by itself
    // still closes the link it opened. A closing window waits for every one.
    if (closing) {
      worker.run->closing.store(true);
      const WaitBudget budget(kClosingWaitMs);
      if (!WaitForClosingWorker(*worker.run, worker.thread, budget)) {
        Abandon(*worker.run, budget);
        outliving_.push_back(worker.thread);
        worker.thread = nullptr;
        allEnded = false;
        continue;
      }
    } else if (!worker.run->abandoned.load()) {
      const WaitBudget budget(kWorkerEndMs);
      if (!WaitHandlingSentMessages(worker.thread, budget.Remaining())) {
        Abandon(*worker.run, budget);
      }
    }
    CloseHandle(worker.thread);
    worker.thread = nullptr;
  }
  finishing_.clear();
  return allEnded;
}

bool RunControl::Shutdown() {
  BusyScope scope(busy_);
  bool allEnded = true;
  if (running_ && run_ != nullptr) {
    RunState& run = *run_;
    run.closing.store(true);
    if (worker_.thread != nullptr) {
      const WaitBudget budget(kClosingWaitMs);
      Abandon(run, budget);
      KV_StopModeProcess(context_.phone);
      if (stopEvent_ != nullptr) {
        SetEvent(stopEvent_);
      }
      // The phone handle and the supplies go after this; the worker must have left them.
      if (WaitForClosingWorker(run, worker_.thread, budget)) {
        CloseHandle(worker_.thread);
      } else {
        outliving_.push_back(worker_.thread);
        allEnded = false;
      }
      worker_ = Worker{};
    }
    PowerOffAndEndTest();
    if (run.end.load() == RunEnd::None || run.end.load() == RunEnd::LinkFailed) {
      // The window is closing: a record that could not be kept has nowhere to be shown.
      EndRunAs(run, RunEnd::Abandoned);
    }
    running_ = false;
  }
  allEnded = JoinFinishedWorkers(true) && allEnded;
  CloseEvent(connectedEvent_);
  CloseEvent(stopEvent_);
  // A worker that outlived an earlier closing may have ended since.
  for (auto it = outliving_.begin(); it != outliving_.end();) {
    if (WaitForSingleObject(*it, 0) == WAIT_OBJECT_0) {
      CloseHandle(*it);
      it = outliving_.erase(it);
    } else {
      ++it;
    }
  }
  return allEnded && outliving_.empty();
}
