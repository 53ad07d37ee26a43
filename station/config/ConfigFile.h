// The station's configuration file Varnex.ini, read and written with the wide profile
// functions, and the station list from Tollmark.ini beside it.
#pragma once

#include <cstdint>

#include "station/config/CheckSettings.h"
#include "station/config/ConfigPaths.h"
#include "station/config/StationList.h"
#include "station/config/WindowSettings.h"

// The paths of the running executable (GetModuleFileNameW). False when a path does not fit.
bool FormConfigPaths(ConfigPaths& paths);

// Forms `paths` from the running executable, then loads as LoadConfigurationFrom.
void LoadConfiguration(ConfigPaths& paths, WindowSettings& window, CheckSettings& settings,
                       StationList& stations);

// Loads from paths.configPath and paths.tollmarkPath: every field from scratch, the derived
// values and the station list. Missing files, sections and keys give the defaults.
void LoadConfigurationFrom(const ConfigPaths& paths, WindowSettings& window,
                           CheckSettings& settings, StationList& stations);

// Writes every written key to paths.configPath in the save order. False when a key could not
// be written (or there is no usable path): the caller tells the operator.
bool SaveConfiguration(const ConfigPaths& paths, const WindowSettings& window,
                       const CheckSettings& settings);

// "OpenAccount" of section "CONTROL" (default 0), read by the start-up before the log-on.
int32_t ReadOpenAccount(const ConfigPaths& paths);
// An integer key as the configuration reads it (missing: the default); for the start-up, which
// looks at a few keys before the main window reads them all.
int32_t ReadConfigInt(const ConfigPaths& paths, const wchar_t* section, const wchar_t* key,
                      int32_t defaultValue);
