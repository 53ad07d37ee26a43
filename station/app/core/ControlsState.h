// Which of the main window's controls an operator can use while the station runs or idles.
#pragma once

#include <optional>

struct ControlsState {
  bool settingsEnabled = false;     // toolbar command 32771
  bool clearEnabled = false;        // button 1004
  std::optional<bool> portEnabled;  // toolbar command 32772; unset = left as it is
  std::optional<bool> scanEnabled;  // scan field 1046; unset = left as it is
};

// `enable` is 1 for the idle state and 0 while a run is active. A restricted operator never
// gets the settings command or Clear; the port command and the scan field then keep whatever
// state they had.
ControlsState ControlsFor(bool restricted, bool enable);
