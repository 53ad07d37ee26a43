#include "station/run/RunState.h"

RunState::~RunState() {
  if (connected != nullptr) {
    CloseHandle(connected);
  }
  if (stop != nullptr) {
    CloseHandle(stop);
  }
}
