// The phone's battery voltage word: bits 24..31 unit code, bits 0..23 value.
#pragma once

#include <cstdint>

// Millivolts as the station shows and logs them. Unit code 1 means mV, any other 10 mV; the
// reading passes through a 32-bit float in volts and is truncated, so 3800 mV reads as 3799.
int32_t MillivoltsFromBatteryWord(uint32_t word);

// Limits are inclusive at both ends.
bool WithinLimits(int32_t value, int32_t low, int32_t high);
