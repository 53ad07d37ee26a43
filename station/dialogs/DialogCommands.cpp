#include "station/dialogs/DialogCommands.h"

#include "station/config/StationSelection.h"
#include "station/dialogs/PortDlg.h"
#include "station/dialogs/SettingDlg.h"
#include "station/dialogs/core/PortRules.h"

bool RunSettingCommand(HWND owner, CheckSettings& settings, WindowSettings& window,
                       StationList& stations) {
  // The dialog writes the selected flags only on OK; until then they stay as they were.
  StationList working = stations;
  CSettingDlg dialog(settings, working);
  if (dialog.DoModal(owner) != IDOK) {
    return false;
  }
  settings = dialog.settings;
  stations = working;
  ApplyStationSelection(stations, window.stationMask, settings);
  return true;
}

bool RunPortCommand(HWND owner, WindowSettings& window, CheckSettings& settings) {
  PreparePortValues(settings);
  CPortDlg dialog(PortValuesFrom(window, settings));
  if (dialog.DoModal(owner) != IDOK) {
    return false;
  }
  TakePortValues(dialog.values, window, settings);
  return true;
}
