#include "station/run/RunState.h"

#include "station/run/RunObserver.h"

RunState::~RunState() {
  if (connected != nullptr) {
    CloseHandle(connected);
  }
  if (stop != nullptr) {
    CloseHandle(stop);
  }
}

std::wstring EndRunAs(RunState& run, RunEnd end) {
  run.end.store(end);
  if (run.observer == nullptr || run.context == nullptr || run.endObserved.exchange(true)) {
    return {};
  }
  return run.observer->RunEnded(*run.context, end);
}
