#include "station/app/core/ControlsState.h"

ControlsState ControlsFor(bool restricted, bool enable) {
  ControlsState state;
  if (restricted) {
    return state;
  }
  state.settingsEnabled = enable;
  state.portEnabled = enable;
  state.scanEnabled = enable;
  state.clearEnabled = true;
  return state;
}
