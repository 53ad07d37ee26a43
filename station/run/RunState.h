// One run, shared by the window's RunControl and the run's worker thread. The worker holds it
// for as long as it lives, so a worker that was abandoned never touches freed memory; what it
// points to of the window (display, counters, port, context) is used only while the run is not
// abandoned, under the gate (see WindowAccess).
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>

#include <windows.h>

#include "devices/dutlink.h"
#include "station/run/RunControl.h"

struct CheckContext;
class RunDisplay;
class RunObserver;

struct RunState {
  RunState() = default;
  ~RunState();  // closes the run's own event handles
  RunState(const RunState&) = delete;
  RunState& operator=(const RunState&) = delete;

  HWND window = nullptr;
  uint32_t number = 0;  // names the run in its worker's stop request
  KV_PHONE phone = -1;
  CheckContext* context = nullptr;
  RunDisplay* display = nullptr;
  RunCounters* counters = nullptr;
  std::atomic<int32_t>* port = nullptr;
  int32_t powerOnWaitTime = 0;
  // The text of the worker's last message-line report (11139): the window reads a text only at
  // this address, never at one another sender names.
  wchar_t messageText[256] = {};
  // Duplicates of the window's two events, so a late worker never waits on a closed handle.
  HANDLE connected = nullptr;
  HANDLE stop = nullptr;

  // Held by the worker while it reaches the window; the window takes it to abandon the run, so
  // that after that nothing of the worker arrives any more.
  std::mutex gate;
  std::atomic<bool> abandoned{false};
  // The window is closing: the engine's waits on the worker are cut short.
  std::atomic<bool> closing{false};
  std::atomic<DWORD> workerThreadId{0};
  std::atomic<int32_t> operatorStop{0};
  std::atomic<bool> checking{false};
  std::atomic<bool> stopPosted{false};  // the worker posted its stop request
  std::atomic<RunEnd> end{RunEnd::None};
  // Told once about the run's end (null: nobody listens).
  RunObserver* observer = nullptr;
  std::atomic<bool> endObserved{false};
};

// Stores how the run ended; the first end of a run also goes to its observer. Returns the
// observer's text for the message line, empty when there is nothing to show.
std::wstring EndRunAs(RunState& run, RunEnd end);
