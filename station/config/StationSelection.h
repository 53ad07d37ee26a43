// How the station mask and the station list's selected flags follow each other.
#pragma once

#include <cstdint>

#include "station/config/CheckSettings.h"
#include "station/config/StationList.h"

// After loading: entry i is selected when bit i of `stationMask` is set (i = 0..14 only);
// any selected entry sets checkTollmark. checkTollmark is never cleared here.
void SelectStationsFromMask(int32_t stationMask, StationList& stations, CheckSettings& settings);

// After the settings dialog's OK: rebuilds `stationMask` and checkTollmark from the selected
// flags. Entries from index 15 on cannot be selected and are cleared, so the list matches what
// the next start reads back from the mask.
void ApplyStationSelection(StationList& stations, int32_t& stationMask, CheckSettings& settings);
