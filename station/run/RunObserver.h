// Told by the run control about every run: when it starts, and once when its end is decided,
// before the run is shown as ended (the status panel, the count, the end message). The run's
// record is kept this way (station/results).
#pragma once

#include <string>

#include "station/run/RunControl.h"

struct CheckContext;

class RunObserver {
 public:
  virtual ~RunObserver() = default;

  // The window's thread, at Start once the settings are in the context, before the link opens.
  virtual void RunStarted(CheckContext& context) = 0;
  // Once per run, on the thread that decided the end: the worker's for Passed, Failed, TimedOut
  // and NoAnswer, the window's for LinkFailed, Aborted and Abandoned. Returns an empty text, or
  // what the operator is to be told (the run's verdict stays as it is): with the logs the run
  // lost when it ends by itself, on the message line when it is stopped or its link failed.
  virtual std::wstring RunEnded(CheckContext& context, RunEnd end) = 0;
};
