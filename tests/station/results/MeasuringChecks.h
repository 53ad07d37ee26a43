// Test helper: the demo station's checks that judge a number, with its limits, in a settings
// record; and a bounded copy into a settings text field.
#pragma once

#include <cstddef>
#include <cwchar>

#include "station/config/CheckSettings.h"

template <size_t N>
void Put(wchar_t (&field)[N], const wchar_t* text) {
  std::wcsncpy(field, text, N - 1);
  field[N - 1] = L'\0';
}

// AUX 3.6 V (3550..3650 mV), fuel-gauge type 1, charge (410..490 mA), deep-sleep
// (1.00..2.30 mA) and power-off current (0..100 uA).
inline void EnableMeasuringChecks(CheckSettings& s) {
  s.checkAux36 = 1;
  s.auxLo36 = 3550;
  s.auxHi36 = 3650;
  s.checkFguType = 1;
  s.fguType = 1;
  s.checkChargeCurrent = 1;
  s.chargeCurrentLo = 410;
  s.chargeCurrentHi = 490;
  s.checkDeepSleepCurrent = 1;
  s.deepSleepCurrentLo = 1.0f;
  s.deepSleepCurrentHi = 2.3f;
  s.checkPowerOffCurrent = 1;
  s.powerOffCurrentLo = 0;
  s.powerOffCurrentHi = 100;
}
