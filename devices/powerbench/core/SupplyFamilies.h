// The four supply families of the port dialog, in its order ("Keithley [230X]",
// "Keithley [2304]", "Agilent [663XX]", "Agilent [E36XX]"): how each is recognised and the
// SCPI commands each understands. Command patterns hold {o} for an output's suffix ("" for the
// main output, "2" for the second), {n} for its number and {v} for a value.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "ScpiAnswers.h"

namespace bench {

// A model of a family, found by this text in the model field of the "*IDN?" answer.
struct FamilyModel {
  const char* key;
  int32_t outputs;  // 1, or 2 when it has a second output the station may use
};

// How "measure current with setting" widens a reading (see PlanIntegration).
enum class Integration { kLineCycles, kSweep, kNone };

struct SupplyFamily {
  const char* name;
  std::span<const char* const> makers;  // found in the maker field, any case
  std::span<const FamilyModel> models;
  std::span<const char* const> afterReset;  // sent for each output after *RST and *CLS
  const char* selectOutput;  // two-output models: makes the next commands apply to {n}
  const char* setVoltage;
  const char* outputOn;
  const char* outputOff;
  bool sharedSwitch;  // one switch for all outputs: "off" is 0 V while another output is on
  const char* measureCurrent;     // a query answering amperes
  const char* setRange;           // null: the family has one current range
  int32_t rangedOutputs;          // outputs 1..this have the ranges below
  std::span<const float> ranges;  // amperes, ascending
  Integration integration;
  int32_t integratedOutputs;           // outputs 1..this take the integration commands
  const char* integrationCommands[2];  // set with the plan's values
  const char* integrationDefaults[2];  // the values *RST leaves, restored after the reading
};

// Model index 0..3 of the port dialog; null for any other.
const SupplyFamily* FamilyOfModel(int32_t model);

// The outputs of an identified instrument when it belongs to the family, 0 when not.
int32_t OutputsOf(const SupplyFamily& family, const Identity& identity);

// The family's smallest range that still holds `amperes`; its largest when none does.
float RangeFor(const SupplyFamily& family, float amperes);

// One command from a pattern (see above), for output 1 or 2.
std::string Command(std::string_view pattern, int32_t output, std::string_view value = {});
std::string VoltageText(float volts);  // "3.800": the supplies' 1 mV resolution
std::string NumberText(double value);  // "0.02", "10", "1.56E-05"

// The commands around one reading taken with the station's setting, read as the time in
// milliseconds over which the reading averages the current (the station passes 1000):
//   line cycles (Keithley): NPLC × average count × 20 ms (one cycle of 50 Hz mains) covers the
//     time, NPLC up to 10 and up to 10 readings averaged; 1000 ms = NPLC 10, average 5;
//   sweep (663XX): 1000 samples spread evenly over the time; 1000 ms = 1 ms apart;
//   none (E36XX): the family has no integration setting; the reading is its usual one.
// The time is taken between 1 and 2000 ms; `restore` puts back what *RST left.
struct IntegrationPlan {
  std::vector<std::string> apply;
  std::vector<std::string> restore;
  uint32_t spanMs = 0;  // how much longer the reading takes at most
};
IntegrationPlan PlanIntegration(const SupplyFamily& family, int32_t output, int32_t setting);

}  // namespace bench
