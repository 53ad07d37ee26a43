// The Start/Stop command of a check station: supplies up, the phone link, one worker thread per
// run (UART or USB), and every way a run ends. The window and VarnexCli both run phones through
// this class; workers reach the window only through the messages of RunMessages.h.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

#include <windows.h>

#include "station/config/CheckSettings.h"

struct CheckContext;
class RunDisplay;
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
};

// Who issued a Start/Stop command: the operator (button, Enter key, repeat step) or the run's
// worker (the posted WM_COMMAND 1005, lParam 0).
enum class CommandSource { Operator, Worker };

class RunControl {
 public:
  RunControl(CheckContext& context, RunDisplay& display);
  ~RunControl();  // Shutdown()
  RunControl(const RunControl&) = delete;
  RunControl& operator=(const RunControl&) = delete;

  // Creates the two manual-reset events; `window` receives the workers' messages.
  bool Create(HWND window);

  // The Start/Stop command. While idle an operator's command starts a run with `settings` (the
  // window's CheckSettings, copied into the context) and `link`; while running it stops it.
  // A worker's command that comes after its run was already stopped is ignored, and so is an
  // operator's Stop once the checks have begun (the button was disabled then).
  void StartStop(const CheckSettings& settings, const RunLink& link,
                 CommandSource source = CommandSource::Operator);
  // Stops the active run as its own end would, without "User abort!" (VarnexCli after a link
  // failure, which leaves the run active until someone stops it).
  void EndRun();
  // The window's closing steps for the run: an active run is abandoned and not counted, its
  // worker touches nothing of the window afterwards; the supplies are powered off, the phone
  // test ended, and the events closed. Waits a few seconds at most. Called by the destructor.
  void Shutdown();

  bool running() const { return running_; }
  // The worker is running the checks (the Start/Stop button is disabled).
  bool checking() const;
  // The port of the communication text: the configured one, updated by the USB worker.
  int32_t port() const { return port_.load(); }
  RunCounters& counters() { return counters_; }
  RunEnd lastEnd() const;

 private:
  struct Worker {
    std::shared_ptr<RunState> run;
    HANDLE thread = nullptr;
  };

  void Start(const CheckSettings& settings, const RunLink& link);
  bool OpenLink(const RunLink& link);
  void Stop();
  void PowerOffAndEndTest();
  void JoinFinishedWorkers(bool waitForAll);

  CheckContext& context_;
  RunDisplay& display_;
  HWND window_ = nullptr;
  HANDLE connectedEvent_ = nullptr;
  HANDLE stopEvent_ = nullptr;
  bool running_ = false;
  bool uart_ = true;
  std::atomic<int32_t> port_{-1};
  RunCounters counters_;
  std::shared_ptr<RunState> run_;  // the active or last run
  Worker worker_;                  // the active run's worker
  std::vector<Worker> finishing_;  // workers of stopped runs that may still be ending
};
