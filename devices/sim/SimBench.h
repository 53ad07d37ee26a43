// The simulated bench of the process: every supply object created, the voltages its outputs
// hold, the call log, and the scripted failures and delays. Every field is guarded by `mutex`.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "BenchProfile.h"
#include "CallTable.h"
#include "devices/sim/powerbench_sim.h"

namespace sim {

// Operations that can be scripted, in the order of the profile's [Fail] and [Delay] keys.
enum class BenchOp {
  Create,
  Open,
  SetVoltage,
  MeasureCurrent,
  MeasureCurrentWithSetting,
  SetCurrentRange
};

// Result codes of the simulated supplies besides the scripted ones.
inline constexpr int32_t kBadModel = 1;
inline constexpr int32_t kBadOpenRecord = 2;
inline constexpr int32_t kBadSupplyArgument = 3;  // null pointer or unknown channel
inline constexpr int32_t kNotOpen = 4;
inline constexpr int32_t kReleased = 5;  // the object was released before this call

inline constexpr float kOutputOff = -1.0f;
// An output below this feeds nothing: the phone sees no battery.
inline constexpr float kOutputOnVolts = 0.5f;

struct SupplyState {
  int32_t id = 0;
  int32_t model = 0;
  int32_t gpibAddr = -1;
  bool alive = true;
  bool open = false;
  float mainVolts = kOutputOff;
  float secondVolts = kOutputOff;
  bool secondSet = false;  // channel 2 has been used: it is the charger output
  float rangeAmps = 3.0f;
};

struct SimBench {
  SimBench();

  std::mutex mutex;
  BenchProfile profile;
  CallTable calls;
  bool profileLoaded = false;
  std::vector<std::shared_ptr<SupplyState>> supplies;  // creation order
  int32_t nextId = 0;
  std::vector<PBSIM_EVENT> events;
  int64_t startTicks = 0;
};

SimBench& Bench();

void ResetBenchLocked(SimBench& bench);
bool SetBenchValueLocked(SimBench& bench, std::string_view section, std::string_view key,
                         std::string_view value);
bool ApplyBenchFileLocked(SimBench& bench, const std::wstring& path);
std::wstring DefaultBenchProfilePath();

// Keeps one call in the log with the time since the last reset.
void LogEventLocked(SimBench& bench, int32_t kind, const SupplyState* supply, int32_t channel,
                    float value, int32_t result);

// The role an output plays for the phone: the earliest live supply feeds the battery; the
// charger is its second output once used, else the next live supply's main output.
OutputRole RoleOfLocked(const SimBench& bench, const SupplyState& supply, int32_t channel);
bool IsBatterySupplyLocked(const SimBench& bench, const SupplyState& supply);

// The simulated phone's state, asked of Dutlink.dll when it is loaded; without it the phone
// counts as on. Tells the phone about its battery voltage the same way.
int32_t QueryPhoneState();
void NotifyPhoneBattery(float volts);

// Scripted delay (slept outside the lock) and failure of one operation.
int32_t ScriptedBenchCall(BenchOp op, std::initializer_list<int32_t> args);

}  // namespace sim
