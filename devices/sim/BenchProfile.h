// What the simulated supplies measure: the currents the phone draws in each of its states,
// from the [Bench] section of PowerbenchSim.ini, and the rule that picks one for an output.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace sim {

struct BenchProfile {
  float powerOnCurrent = 0.0f;  // mA, phone on (also while charging, on the battery output)
  float chargeCurrent = 0.0f;   // mA into the charger output while charging
  float deepSleepCurrent = 0.0f;
  float leakCurrent = 0.0f;     // mA with the phone switched off
  int32_t invalidReadings = 0;  // the next N measurements read as invalid
};

struct BenchKey {
  const char* name;
  const char* defaultText;
  bool (*apply)(BenchProfile& profile, std::string_view value);
};

std::span<const BenchKey> BenchKeys();
BenchProfile DefaultBenchProfile();
// One value of section Bench; false for an unknown key or a bad value (profile unchanged).
bool SetBenchValue(BenchProfile& profile, std::string_view section, std::string_view key,
                   std::string_view value);

// Which part of the phone an output feeds.
enum class OutputRole { kBattery, kCharger, kNone };

// The current an output delivers, in mA. An output that is off delivers nothing.
float OutputCurrent(const BenchProfile& profile, OutputRole role, bool outputOn,
                    int32_t phoneState);

}  // namespace sim
