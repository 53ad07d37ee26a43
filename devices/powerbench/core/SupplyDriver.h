// The operations of one supply over its bus, the same for every family: open (identify,
// reset, check), switch an output on at a voltage or off, measure a current, choose a
// measuring range. The family's table says which commands do it. After every operation the
// instrument's error queue is read; an error there fails the operation and the queue is
// cleared for the next one. Not thread-safe: its owner serialises the calls.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "Bus.h"
#include "SupplyFamilies.h"

namespace bench {

// Station channels: -1 the main output, 2 the second output.
inline constexpr int32_t kMainChannel = -1;
inline constexpr int32_t kSecondChannel = 2;

class SupplyDriver {
 public:
  SupplyDriver(const SupplyFamily& family, Bus& bus) : family_(family), bus_(bus) {}

  int32_t Open();
  // volts < 0 switches the output off.
  int32_t SetVoltage(float volts, int32_t channel);
  // setting <= 0: the family's usual reading; otherwise see PlanIntegration.
  int32_t MeasureCurrent(int32_t setting, float* milliamperes, int32_t channel);
  int32_t SetCurrentRange(float amperes, int32_t channel);

  int32_t Outputs() const { return outputs_; }

 private:
  int32_t OutputOf(int32_t channel) const;  // 1, 2, or 0 for a channel the supply lacks
  int32_t Send(const std::string& command);
  int32_t Ask(const std::string& query, std::string& answer, uint32_t timeoutMs);
  int32_t CheckErrors(uint32_t timeoutMs = kAnswerTimeoutMs);
  int32_t Select(int32_t output);
  int32_t SwitchOn(int32_t output, float volts);
  int32_t SwitchOff(int32_t output);
  // Keeps a time-out: the instrument is then taken as gone until the next Open.
  int32_t Note(int32_t result);

  const SupplyFamily& family_;
  Bus& bus_;
  int32_t outputs_ = 0;
  bool on_[3] = {};       // by output number, as this object switched them
  int32_t selected_ = 0;  // output the instrument's commands apply to; 0 unknown
  bool lost_ = false;
};

}  // namespace bench
