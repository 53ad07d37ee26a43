#include "station/engine/core/VoltageWord.h"

int32_t MillivoltsFromBatteryWord(uint32_t word) {
  const uint32_t unit = word >> 24;
  const uint32_t value = word & 0x00FFFFFFu;
  // The quotient is held as a 32-bit float (volatile keeps it from being widened) and scaled
  // back in double precision; truncation then loses the float's rounding, 3.8 V -> 3799 mV.
  volatile float volts = static_cast<float>(value) / (unit == 1 ? 1000.0f : 100.0f);
  const double millivolts = static_cast<double>(volts) * 1000.0;
  return static_cast<int32_t>(millivolts);
}

bool WithinLimits(int32_t value, int32_t low, int32_t high) {
  return low <= value && value <= high;
}
