// The main window's side of its settings and port commands: what the window hands to each
// dialog and what it takes back. The window then snapshots, saves and refreshes itself.
#pragma once

#include <windows.h>

#include "station/config/CheckSettings.h"
#include "station/config/StationList.h"
#include "station/config/WindowSettings.h"

// Opens the settings dialog on a copy of `settings`. After OK the copy becomes `settings`,
// the station selection becomes the station mask (stations 0..14) and checkTollmark; returns
// true. After Cancel nothing has changed and it returns false.
bool RunSettingCommand(HWND owner, CheckSettings& settings, WindowSettings& window,
                       StationList& stations);

// Opens the port and instruments dialog. A dual-channel battery clears supply 2's enable
// first, even when the dialog is then cancelled. After OK every value of the dialog is taken
// back and it returns true.
bool RunPortCommand(HWND owner, WindowSettings& window, CheckSettings& settings);
