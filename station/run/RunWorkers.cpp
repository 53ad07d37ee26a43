#include "station/run/RunWorkers.h"

#include <string>
#include <vector>

#include "devices/dutlink.h"
#include "station/engine/CheckContext.h"
#include "station/engine/LogFiles.h"
#include "station/engine/RowReport.h"
#include "station/run/RunDisplay.h"
#include "station/run/RunState.h"
#include "station/run/WindowAccess.h"

namespace {

constexpr int kVersionTries = 4;
constexpr int32_t kVersionBufferSize = 16384;

constexpr wchar_t kConnectedText[] = L"Phone is connected, waiting for checking...";
constexpr wchar_t kFinishedText[] = L"Finished!";
constexpr wchar_t kTimeOutText[] = L"Time Out!";
constexpr wchar_t kNoResponseText[] =
    L"No response from phone, please make sure phone has been powered on!";

enum class Link { Uart, Usb };

// The run's record could not be kept: told with the logs the run lost, when it has ended.
void NoteRecordProblem(RunState& run, const std::wstring& problem) {
  if (!problem.empty()) {
    NoteLogTrouble(*run.context, problem);
  }
}

// The phone answered: the checks, the count, and the worker's own stop request. False when the
// run was abandoned meanwhile; then nothing more may be done.
bool CheckPhone(RunState& run, Link link) {
  {
    WindowAccess window(run);
    if (!window) {
      return false;
    }
    run.checking.store(true);
    window.EnableStartStop(false);
  }
  // A phone call never runs under the gate: the window may be waiting for it.
  const int32_t port = link == Link::Usb ? KV_GetUsbPort(run.phone) : 0;
  {
    WindowAccess window(run);
    if (!window) {
      return false;
    }
    if (link == Link::Usb) {
      window.SetPort(port);
    }
    window.Message(kConnectedText, kColorProgress);
    window.CommText();
  }
  const int32_t passed = RunCheckSequence(*run.context);
  WindowAccess window(run);
  if (!window) {
    return false;
  }
  const std::wstring recordProblem = EndRunAs(run, passed != 0 ? RunEnd::Passed : RunEnd::Failed);
  if (passed != 0) {
    window.CountPass();
    window.Status(kStatusPass);
  } else {
    window.CountFail();
    window.Status(kStatusFail);
  }
  window.Message(kFinishedText, kColorProgress);
  NoteRecordProblem(run, recordProblem);
  window.EnableStartStop(true);
  // The UART worker leaves the controls to the Stop that follows.
  window.Controls(link == Link::Usb ? 1 : 0);
  window.RequestStop();
  return true;
}

// Last of every run that ended by itself: the counter refresh, then the link closed (the
// window's Stop closes it too; a failure here is of no interest).
void FinishRun(RunState& run) {
  {
    WindowAccess window(run);
    if (!window) {
      return;
    }
    window.PostRunEnded();
  }
  KV_EndPhoneTest(run.phone);
}

void UartRun(RunState& run) {
  if (run.abandoned.load()) {
    return;
  }
  KV_SetProperty(run.phone, 3, 0, 2);
  std::vector<char> version(kVersionBufferSize);
  bool answered = false;
  for (int attempt = 0; attempt < kVersionTries && !answered; ++attempt) {
    // An operator's Stop abandons the worker: it leaves between two requests.
    if (run.abandoned.load()) {
      return;
    }
    std::fill(version.begin(), version.end(), '\0');
    answered = KV_GetMsVersion(run.phone, version.data(), kVersionBufferSize) == 0;
  }
  if (!answered) {
    WindowAccess window(run);
    if (!window) {
      return;
    }
    const std::wstring recordProblem = EndRunAs(run, RunEnd::NoAnswer);
    window.Message(kNoResponseText, kColorFail);
    window.Controls(0);
    window.CountFail();
    window.RequestStop();
    window.Status(kStatusFail);
    NoteRecordProblem(run, recordProblem);
  } else if (!CheckPhone(run, Link::Uart)) {
    return;
  }
  FinishRun(run);
}

void UsbRun(RunState& run) {
  // The stop event comes first, so it wins when both are set.
  HANDLE events[2] = {run.stop, run.connected};
  const DWORD wait = run.powerOnWaitTime < 0 ? 0 : static_cast<DWORD>(run.powerOnWaitTime);
  const DWORD woken = WaitForMultipleObjects(2, events, FALSE, wait);
  if (woken == WAIT_OBJECT_0) {
    // The window stops the run and waits for this thread: nothing is sent.
    ResetEvent(run.stop);
    KV_StopModeProcess(run.phone);
    return;
  }
  if (woken == WAIT_OBJECT_0 + 1) {
    ResetEvent(run.connected);
    if (!CheckPhone(run, Link::Usb)) {
      return;
    }
  } else {
    if (run.abandoned.load()) {
      return;
    }
    KV_StopModeProcess(run.phone);
    WindowAccess window(run);
    if (!window) {
      return;
    }
    const std::wstring recordProblem = EndRunAs(run, RunEnd::TimedOut);
    window.Message(kTimeOutText, kColorFail);
    window.Controls(1);
    window.CountFail();
    window.RequestStop();
    window.Status(kStatusFail);
    NoteRecordProblem(run, recordProblem);
  }
  FinishRun(run);
}

template <void (*Body)(RunState&)>
DWORD WINAPI WorkerMain(void* parameter) {
  // The thread's own reference keeps the run alive until the thread ends.
  std::shared_ptr<RunState> run = *static_cast<std::shared_ptr<RunState>*>(parameter);
  delete static_cast<std::shared_ptr<RunState>*>(parameter);
  run->workerThreadId.store(GetCurrentThreadId());
  Body(*run);
  return 0;
}

HANDLE StartWorker(const std::shared_ptr<RunState>& run, LPTHREAD_START_ROUTINE main) {
  auto* parameter = new std::shared_ptr<RunState>(run);
  HANDLE thread = CreateThread(nullptr, 0, main, parameter, 0, nullptr);
  if (thread == nullptr) {
    delete parameter;
  }
  return thread;
}

}  // namespace

HANDLE StartUartWorker(const std::shared_ptr<RunState>& run) {
  return StartWorker(run, &WorkerMain<UartRun>);
}

HANDLE StartUsbWorker(const std::shared_ptr<RunState>& run) {
  return StartWorker(run, &WorkerMain<UsbRun>);
}
