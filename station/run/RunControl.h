// The Start/Stop command of a check station: supplies up, the phone link, one worker thread per
// run (UART or USB), and every way a run ends. The window and VarnexCli both run phones through
// this class; workers reach the window only through the messages of RunMessages.h.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include <windows.h>

#include "station/config/CheckSettings.h"

struct CheckContext;
class RunDisplay;
struct RowReport;
class RunObserver;
struct RunState;

// The window settings a run needs (WindowSettings' uart, port and powerOnWaitTime).
struct RunLink {
  int32_t uart = 1;                // non-zero: serial link on `port`; 0: USB
  int32_t port = -1;               // serial port; -1 = none configured
  int32_t powerOnWaitTime = 3000;  // ms a USB phone has to connect
};

// Changed by the worker, read and cleared by the window.
struct RunCounters {
  std::atomic<uint32_t> passCount{0};
  std::atomic<uint32_t> failCount{0};
  std::atomic<uint32_t> blockFailCount{0};  // failed runs in the current block of 1000

  // A block of 1000 runs ended at a refresh that saw `failuresSeen` of its failures; a failure
  // a worker counted since then belongs to the next block and is kept.
  void EndBlock(uint32_t failuresSeen) { blockFailCount.fetch_sub(failuresSeen); }
};

// How the last run ended.
enum class RunEnd : int32_t {
  None,        // still running, or no run yet
  Passed,      // the checks passed (counted)
  Failed,      // the checks failed (counted)
  TimedOut,    // USB: the phone did not connect in time (counted as failed)
  NoAnswer,    // UART: four version requests unanswered (counted as failed)
  LinkFailed,  // KV_BeginPhoneTest refused the link (not counted)
  Aborted,     // the operator's Stop (not counted)
  Abandoned,   // the window closed during the run (not counted)
  NoWorker,    // the run's worker could not be started (not counted, back to idle)
};

// Starts a run's worker thread (UART or USB); null when it cannot.
using WorkerStarter = std::function<HANDLE(const std::shared_ptr<RunState>& run, bool usb)>;

class RunControl {
 public:
  RunControl(CheckContext& context, RunDisplay& display);
  ~RunControl();  // Shutdown()
  RunControl(const RunControl&) = delete;
  RunControl& operator=(const RunControl&) = delete;

  // Creates the two manual-reset events; `window` receives the workers' messages.
  bool Create(HWND window);
  // Who is told about each run from the next Start on (null: nobody); it must outlive the runs.
  void SetObserver(RunObserver* observer) { observer_ = observer; }

  // The operator's Start/Stop command (button, Enter key, repeat step, or a WM_COMMAND 1005 of
  // any program). While idle it starts a run with `settings` (the window's CheckSettings,
  // copied into the context) and `link`; while running it stops it, except once the checks
  // have begun (the button was disabled then). Issued while a Start or Stop is still under way
  // (a message sent to the window during its waits), it is posted to the window again and runs
  // after that one.
  void StartStop(const CheckSettings& settings, const RunLink& link);
  // The run's worker asked for its stop (kRunStopRequestMessage with the run's number). A
  // request of a run that has already stopped, or one no worker made, is ignored.
  void OnStopRequest(WPARAM runNumber);
  // Stops the active run as its own end would, without "User abort!" (VarnexCli after a link
  // failure, which leaves the run active until someone stops it).
  void EndRun();
  // The window's closing steps for the run: an active run is abandoned and not counted, its
  // worker touches nothing of the window afterwards, an operator prompt it shows is answered;
  // the supplies are powered off, the phone test ended, and the events closed. Waits a few
  // seconds at most. False when a worker is still running after that (inside a phone call):
  // then the context, the station list and the phone handle it uses must stay alive until the
  // process ends. Called by the destructor.
  bool Shutdown();

  // Inside Start, Stop or Shutdown: their waits handle messages sent to the window, and a
  // command arriving so must wait until they are over.
  bool busy() const { return busy_; }
  bool running() const { return running_; }
  // A run is active and its worker is still at work (not a link that failed to open).
  bool hasWorker() const { return running_ && worker_.thread != nullptr; }
  // The worker is running the checks (the Start/Stop button is disabled).
  bool checking() const;
  // The port of the communication text: the configured one, updated by the USB worker.
  int32_t port() const { return port_.load(); }
  RunCounters& counters() { return counters_; }
  RunEnd lastEnd() const;
  // The link of the active or last run.
  bool uart() const { return uart_; }

  // How workers are started: StartUartWorker / StartUsbWorker unless replaced (tests).
  WorkerStarter startWorker;

  // The records a run hands over by address with messages 11138 (the engine's row report) and
  // 11139 (the worker's text): the record when `address` is one of them, else null. Any other
  // address, whoever sent it, is never read.
  const RowReport* RowReportAt(LPARAM address) const;
  const wchar_t* MessageTextAt(WPARAM address) const;

 private:
  struct Worker {
    std::shared_ptr<RunState> run;
    HANDLE thread = nullptr;
  };

  void Start(const CheckSettings& settings, const RunLink& link);
  bool OpenLink(const RunLink& link);
  bool StartRunWorker();
  void EndWithoutWorker();
  void Stop();
  void PowerOffAndEndTest();
  bool JoinFinishedWorkers(bool closing);

  CheckContext& context_;
  RunDisplay& display_;
  HWND window_ = nullptr;
  HANDLE connectedEvent_ = nullptr;
  HANDLE stopEvent_ = nullptr;
  bool running_ = false;
  bool busy_ = false;
  bool uart_ = true;
  uint32_t runNumber_ = 0;
  std::atomic<int32_t> port_{-1};
  RunCounters counters_;
  RunObserver* observer_ = nullptr;
  std::shared_ptr<RunState> run_;  // the active or last run
  Worker worker_;                  // the active run's worker
  std::vector<Worker> finishing_;  // workers of stopped runs that may still be ending
  std::vector<HANDLE> outliving_;  // workers that a closing could not wait out
};
