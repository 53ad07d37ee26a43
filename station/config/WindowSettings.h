// The main window's own settings, kept in the configuration file beside CheckSettings.
#pragma once

#include <cstdint>
#include <type_traits>

struct WindowSettings {
  int32_t uart;  // non-zero: the phone is on a serial port; 0: USB
  int32_t port;  // serial port, or the USB port last reported; -1 = none
  uint32_t passCount;
  uint32_t failCount;
  int32_t powerOnWaitTime;  // ms a USB run waits for the phone to appear
  int32_t stationMask;      // bit i selects station i of the StationList (i = 0..14)
  int32_t testCounts;       // runs per press of Start
  int32_t repeatsLeft;      // runs of the current series still to perform
  int32_t scanner;          // non-zero: prepare for the next phone's codes after every run
};

static_assert(std::is_trivially_copyable_v<WindowSettings>);

// The runs a series still has after its first: testCounts - 1 (kept from overflowing).
inline int32_t RepeatsForSeries(int32_t testCounts) {
  return testCounts > INT32_MIN ? testCounts - 1 : INT32_MIN;
}
