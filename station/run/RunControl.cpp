#include "station/run/RunControl.h"

#include <cwchar>
#include <iterator>
#include <string>

#include "devices/dutlink.h"
#include "station/engine/CheckContext.h"
#include "station/engine/RowReport.h"
#include "station/engine/SupplyControl.h"
#include "station/run/RunDisplay.h"
#include "station/run/RunState.h"
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
// worker is sending is finished first; a worker that keeps the gate beyond the bound (stuck in a
// phone call) sees the flag when it lets go.
void Abandon(RunState& run) {
  const bool locked = LockHandlingSentMessages(run.gate, kWorkerEndMs);
  run.abandoned.store(true);
  if (locked) {
    run.gate.unlock();
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
    : context_(context), display_(display) {}

RunControl::~RunControl() {
  Shutdown();
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

void RunControl::StartStop(const CheckSettings& settings, const RunLink& link,
                           CommandSource source) {
  if (source == CommandSource::Worker) {
    // A stop request of a run the operator has stopped already must not start another one.
    if (running_ && run_ != nullptr && run_->stopPosted.load()) {
      Stop();
    }
    return;
  }
  if (running_) {
    Stop();
  } else {
    Start(settings, link);
  }
}

void RunControl::EndRun() {
  if (running_ && run_ != nullptr) {
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
  run_->phone = context_.phone;
  run_->context = &context_;
  run_->display = &display_;
  run_->counters = &counters_;
  run_->port = &port_;
  run_->powerOnWaitTime = link.powerOnWaitTime;
  run_->operatorStop.store(1);
  InstallRunWaits(context_, run_);
  uart_ = link.uart != 0;
  port_.store(link.port);

  if (!OpenLink(link)) {
    run_->end.store(RunEnd::LinkFailed);
    display_.SetStatus(kStatusFail);
  }
  running_ = true;
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
  if (uart_) {
    worker_ = Worker{run_, StartUartWorker(run_)};
  } else {
    ResetEvent(connectedEvent_);
    ResetEvent(stopEvent_);
    run_->connected = Duplicate(connectedEvent_);
    run_->stop = Duplicate(stopEvent_);
    worker_ = Worker{run_, StartUsbWorker(run_)};
    const CheckSettings& settings = context_.settings;
    KV_EnterModeProcess(context_.phone, 1, -1,
                        UsbEnterMode(settings.wcdmaGsm, settings.wcdmaGsmMode), connectedEvent_, 0);
  }
  display_.ShowMessage(kPowerOnText, kColorProgress);
  return true;
}

void RunControl::Stop() {
  RunState& run = *run_;
  bool byOperator = run.operatorStop.load() != 0;
  if (worker_.thread != nullptr && byOperator) {
    // Decided under the gate: either the worker has asked for this stop itself already, or it
    // is abandoned here and sends nothing more.
    const bool locked = LockHandlingSentMessages(run.gate, kWorkerEndMs);
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
      if (!WaitHandlingSentMessages(worker_.thread, kWorkerEndMs)) {
        Abandon(run);
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
    run.end.store(RunEnd::Aborted);
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

void RunControl::JoinFinishedWorkers(bool waitForAll) {
  for (Worker& worker : finishing_) {
    if (worker.thread == nullptr) {
      continue;
    }
    // An abandoned worker does nothing more that matters; one that ends by itself still closes
    // the link it opened.
    if (waitForAll || !worker.run->abandoned.load()) {
      if (!WaitHandlingSentMessages(worker.thread, kWorkerEndMs)) {
        Abandon(*worker.run);
      }
    }
    CloseHandle(worker.thread);
    worker.thread = nullptr;
  }
  finishing_.clear();
}

void RunControl::Shutdown() {
  if (running_ && run_ != nullptr) {
    RunState& run = *run_;
    run.closing.store(true);
    if (worker_.thread != nullptr) {
      Abandon(run);
      KV_StopModeProcess(context_.phone);
      if (stopEvent_ != nullptr) {
        SetEvent(stopEvent_);
      }
      // The phone handle and the supplies go after this; the worker must have left them.
      WaitHandlingSentMessages(worker_.thread, kClosingWaitMs);
      CloseHandle(worker_.thread);
      worker_ = Worker{};
    }
    PowerOffAndEndTest();
    if (run.end.load() == RunEnd::None || run.end.load() == RunEnd::LinkFailed) {
      run.end.store(RunEnd::Abandoned);
    }
    running_ = false;
  }
  for (Worker& worker : finishing_) {
    if (worker.run != nullptr) {
      worker.run->closing.store(true);
    }
  }
  JoinFinishedWorkers(true);
  CloseEvent(connectedEvent_);
  CloseEvent(stopEvent_);
}
