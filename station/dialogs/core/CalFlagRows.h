// The settings dialog's calibration flag list: one row per flag of the catalogue, checked when
// the flag's bit is set in the mask of its word.
#pragma once

#include <array>
#include <cstdint>

#include "station/config/CheckCatalogue.h"
#include "station/config/CheckSettings.h"

using CalFlagRowChecks = std::array<bool, kCalFlagCount>;

// Row j is checked when the bit of flag j is set in the mask of flag j's word.
CalFlagRowChecks CalFlagRowsFromMasks(const CheckSettings& settings);

// Rebuilds the three masks, the calibration flag check and wcdmaUsed / lteUsed from the rows:
// every checked row sets its flag's bit in its word's mask; any checked row turns the check on.
void TakeCalFlagRows(CheckSettings& settings, const CalFlagRowChecks& rows);
