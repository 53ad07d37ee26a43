#include "SupplyFamilies.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <iterator>

namespace bench {

namespace {

constexpr const char* kKeithleyMakers[] = {"KEITHLEY"};
constexpr const char* kAgilentMakers[] = {"AGILENT", "HEWLETT-PACKARD", "KEYSIGHT"};

// Keithley [230X]: the battery/charger simulators. Commands from the Model 2302/2302-PJ/2306/
// 2306-PJ/2306-VS Battery/Charger Simulator Instruction Manual (2306-901-01): Section 2, "Basic
// Power Supply Operation" (command notes on outputting voltage and current), and Section 12,
// "SCPI Tables" (the SOURce, OUTPut, SENSe, READ and SYSTem summaries, Tables 12-3 and 12-4
// for OUTPut and SENSe). Output 1 is the battery channel, output 2 the charger channel (2306).
// Both current ranges are 5 mA and 5 A.
constexpr FamilyModel kBatterySimulators[] = {{"2302", 1}, {"2306", 2}};
constexpr const char* kBatterySimulatorSetUp[] = {"SENS{o}:FUNC \"CURR\""};
constexpr float kBatterySimulatorRanges[] = {0.005f, 5.0f};
constexpr SupplyFamily kBatterySimulator = {
    .name = "Keithley [230X]",
    .makers = kKeithleyMakers,
    .models = kBatterySimulators,
    .afterReset = kBatterySimulatorSetUp,
    .selectOutput = nullptr,
    .setVoltage = "SOUR{o}:VOLT {v}",
    .outputOn = "OUTP{o} ON",
    .outputOff = "OUTP{o} OFF",
    .sharedSwitch = false,
    .measureCurrent = "READ{o}?",
    .setRange = "SENS{o}:CURR:RANG {v}",
    .rangedOutputs = 2,
    .ranges = kBatterySimulatorRanges,
    .integration = Integration::kLineCycles,
    .integratedOutputs = 2,
    .integrationCommands = {"SENS{o}:NPLC {v}", "SENS{o}:AVER {v}"},
    .integrationDefaults = {"1", "1"},
};

// Keithley [2304]: the high-speed supply, one output. Commands from the Model 2304A High Speed
// Power Supply User's Manual (2304A-900-01): its SCPI command summary tables (SOURce, OUTPut,
// SENSe, READ, SYSTem). Current ranges 5 mA and 5 A.
constexpr FamilyModel kFastSupplies[] = {{"2304", 1}};
constexpr const char* kFastSupplySetUp[] = {"SENS:FUNC \"CURR\""};
constexpr float kFastSupplyRanges[] = {0.005f, 5.0f};
constexpr SupplyFamily kFastSupply = {
    .name = "Keithley [2304]",
    .makers = kKeithleyMakers,
    .models = kFastSupplies,
    .afterReset = kFastSupplySetUp,
    .selectOutput = nullptr,
    .setVoltage = "SOUR:VOLT {v}",
    .outputOn = "OUTP ON",
    .outputOff = "OUTP OFF",
    .sharedSwitch = false,
    .measureCurrent = "READ?",
    .setRange = "SENS:CURR:RANG {v}",
    .rangedOutputs = 1,
    .ranges = kFastSupplyRanges,
    .integration = Integration::kLineCycles,
    .integratedOutputs = 1,
    .integrationCommands = {"SENS:NPLC {v}", "SENS:AVER {v}"},
    .integrationDefaults = {"1", "1"},
};

// Agilent [663XX]: the mobile communications DC sources. Commands from the Agilent 66111A,
// 66311B/D, 66309B/D User's Guide (5964-8125) and the 66319B/D, 66321B/D User's Guide
// (5964-8184), Chapter 8, "Language Dictionary": [SOURce:]VOLTage[2], OUTPut[2][:STATe],
// MEASure:CURRent[2]?, SENSe:CURRent:RANGe (20 mA, 1 A and 3 A; a model without the 1 A range
// takes the next one up itself) and SENSe:SWEep:POINts / TINTerval. The second output (66309,
// 66319) has one range and no sweep settings.
constexpr FamilyModel kMobileSources[] = {{"66311", 1}, {"66321", 1}, {"66309", 2}, {"66319", 2}};
constexpr float kMobileSourceRanges[] = {0.02f, 1.0f, 3.0f};
constexpr SupplyFamily kMobileSource = {
    .name = "Agilent [663XX]",
    .makers = kAgilentMakers,
    .models = kMobileSources,
    .afterReset = {},
    .selectOutput = nullptr,
    .setVoltage = "VOLT{o} {v}",
    .outputOn = "OUTP{o} ON",
    .outputOff = "OUTP{o} OFF",
    .sharedSwitch = false,
    .measureCurrent = "MEAS:CURR{o}?",
    .setRange = "SENS:CURR:RANG {v}",
    .rangedOutputs = 1,
    .ranges = kMobileSourceRanges,
    .integration = Integration::kSweep,
    .integratedOutputs = 1,
    .integrationCommands = {"SENS:SWE:TINT {v}", "SENS:SWE:POIN {v}"},
    .integrationDefaults = {"1.56E-05", "2048"},
};

// Agilent [E36XX]: the lab supplies. Commands from the E3631A User's Guide (E3631-90002) and
// the E3646A/47A/48A/49A and E3632A/33A/34A, E3640A-E3645A User's Guides, Chapter 4, "Remote
// Interface Reference": INSTrument:NSELect, [SOURce:]VOLTage, OUTPut[:STATe] (one switch for
// every output) and MEASure:CURRent?. Output 1 of the E3631A is its +6 V output, output 2 its
// +25 V output. The family measures on one fixed range.
constexpr FamilyModel kLabSupplies[] = {{"E3631", 2}, {"E3646", 2}, {"E3647", 2}, {"E3648", 2},
                                        {"E3649", 2}, {"E3632", 1}, {"E3633", 1}, {"E3634", 1},
                                        {"E3640", 1}, {"E3641", 1}, {"E3642", 1}, {"E3643", 1},
                                        {"E3644", 1}, {"E3645", 1}};
constexpr SupplyFamily kLabSupply = {
    .name = "Agilent [E36XX]",
    .makers = kAgilentMakers,
    .models = kLabSupplies,
    .afterReset = {},
    .selectOutput = "INST:NSEL {n}",
    .setVoltage = "VOLT {v}",
    .outputOn = "OUTP ON",
    .outputOff = "OUTP OFF",
    .sharedSwitch = true,
    .measureCurrent = "MEAS:CURR?",
    .setRange = nullptr,
    .rangedOutputs = 0,
    .ranges = {},
    .integration = Integration::kNone,
    .integratedOutputs = 0,
    .integrationCommands = {nullptr, nullptr},
    .integrationDefaults = {nullptr, nullptr},
};

constexpr const SupplyFamily* kFamilies[] = {&kBatterySimulator, &kFastSupply, &kMobileSource,
                                             &kLabSupply};

std::string Upper(std::string_view text) {
  std::string upper(text);
  for (char& c : upper) {
    c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  }
  return upper;
}

// A mains cycle of 50 Hz: the lines this station is built for.
constexpr double kLineCycleMs = 20.0;
constexpr int32_t kLongestSpanMs = 2000;

}  // namespace

const SupplyFamily* FamilyOfModel(int32_t model) {
  if (model < 0 || model >= static_cast<int32_t>(std::size(kFamilies))) {
    return nullptr;
  }
  return kFamilies[model];
}

int32_t OutputsOf(const SupplyFamily& family, const Identity& identity) {
  const std::string maker = Upper(identity.maker);
  const bool ourMaker =
      std::any_of(family.makers.begin(), family.makers.end(),
                  [&](const char* name) { return maker.find(name) != maker.npos; });
  if (!ourMaker) {
    return 0;
  }
  const std::string model = Upper(identity.model);
  for (const FamilyModel& known : family.models) {
    if (model.find(known.key) != model.npos) {
      return known.outputs;
    }
  }
  return 0;
}

float RangeFor(const SupplyFamily& family, float amperes) {
  for (float range : family.ranges) {
    if (amperes <= range) {
      return range;
    }
  }
  return family.ranges.empty() ? 0.0f : family.ranges.back();
}

std::string Command(std::string_view pattern, int32_t output, std::string_view value) {
  std::string text;
  for (size_t i = 0; i < pattern.size(); ++i) {
    if (pattern[i] == '{' && i + 2 < pattern.size() && pattern[i + 2] == '}') {
      const char field = pattern[i + 1];
      if (field == 'o' && output == 2) {
        text += '2';
      } else if (field == 'n') {
        text += static_cast<char>('0' + output);
      } else if (field == 'v') {
        text += value;
      }
      i += 2;
      continue;
    }
    text += pattern[i];
  }
  return text;
}

std::string VoltageText(float volts) {
  char text[32];
  std::snprintf(text, sizeof text, "%.3f", static_cast<double>(volts));
  return text;
}

std::string NumberText(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%G", value);
  return text;
}

IntegrationPlan PlanIntegration(const SupplyFamily& family, int32_t output, int32_t setting) {
  IntegrationPlan plan;
  if (setting <= 0 || output > family.integratedOutputs ||
      family.integration == Integration::kNone) {
    return plan;
  }
  const int32_t spanMs = std::min(setting, kLongestSpanMs);
  double values[2] = {};
  if (family.integration == Integration::kLineCycles) {
    const double cycles = spanMs / kLineCycleMs;
    const double averaged = cycles <= 10.0 ? 1.0 : std::min(10.0, std::ceil(cycles / 10.0));
    values[0] = std::clamp(cycles / averaged, 0.01, 10.0);  // NPLC
    values[1] = averaged;
    plan.spanMs = static_cast<uint32_t>(std::ceil(values[0] * values[1] * kLineCycleMs));
  } else {
    constexpr double kSamples = 1000.0;
    constexpr double kShortestIntervalS = 15.6e-6;
    values[0] = std::max(spanMs / 1000.0 / kSamples, kShortestIntervalS);  // TINT, seconds
    values[1] = kSamples;                                                  // POIN
    plan.spanMs = static_cast<uint32_t>(std::ceil(values[0] * kSamples * 1000.0));
  }
  for (int i = 0; i < 2; ++i) {
    plan.apply.push_back(Command(family.integrationCommands[i], output, NumberText(values[i])));
    plan.restore.push_back(
        Command(family.integrationCommands[i], output, family.integrationDefaults[i]));
  }
  return plan;
}

}  // namespace bench
