// The supply factory and supply objects of the simulated bench. Every call is logged with
// its time; measured currents follow the simulated phone's state.
#include <atomic>
#include <cstring>
#include <memory>

#include "PhoneRecords.h"
#include "SimBench.h"
#include "devices/powerbench.h"

namespace sim {

namespace {

// Where the open record keeps the bus settings.
constexpr size_t kBusTypeOffset = 52;
constexpr size_t kBusCardOffset = 60;
constexpr size_t kBusAddressOffset = 64;

bool ValidChannel(int32_t channel) {
  return channel == -1 || channel == 2;
}

class SimSupply final : public IPowerSupply {
 public:
  explicit SimSupply(std::shared_ptr<SupplyState> state) : state_(std::move(state)) {}

  int32_t Reserved1() override { return 0; }
  int32_t Reserved2() override { return 0; }

  int32_t Open(const void* openRecord76) override {
    int32_t busType = -1, busCard = -1, busAddress = -1;
    if (openRecord76 != nullptr) {
      const uint8_t* record = static_cast<const uint8_t*>(openRecord76);
      busType = static_cast<int32_t>(LoadLe32(record + kBusTypeOffset));
      busCard = static_cast<int32_t>(LoadLe32(record + kBusCardOffset));
      busAddress = static_cast<int32_t>(LoadLe32(record + kBusAddressOffset));
    }
    int32_t result = ScriptedBenchCall(BenchOp::Open, {busType, busCard, busAddress});
    SimBench& bench = Bench();
    std::lock_guard lock(bench.mutex);
    // Checked under the lock: a Release from the other thread must not be followed by a
    // successful Open of the same object.
    if (result == 0 && !state_->alive) {
      result = kReleased;
    } else if (result == 0 && (busType < 0 || busType > 3 || busCard < 0 || busCard > 3 ||
                               busAddress < 0 || busAddress > 30)) {
      result = openRecord76 ? kBadOpenRecord : kBadSupplyArgument;
    }
    if (result == 0) {
      state_->gpibAddr = busAddress;
      state_->open = true;
    }
    LogEventLocked(bench, PBSIM_EVENT_OPEN, state_.get(), -1, static_cast<float>(busAddress),
                   result);
    return result;
  }

  // The object is kept after its release so that a late call from another thread is
  // refused and logged (code 5) instead of touching freed memory.
  void Release() override {
    SimBench& bench = Bench();
    std::lock_guard lock(bench.mutex);
    int32_t result = state_->alive ? 0 : kReleased;
    state_->alive = false;
    LogEventLocked(bench, PBSIM_EVENT_RELEASE, state_.get(), -1, 0.0f, result);
  }

  int32_t SetVoltage(float volts, int32_t channel) override {
    int32_t result = ScriptedBenchCall(BenchOp::SetVoltage, {channel});
    SimBench& bench = Bench();
    std::lock_guard lock(bench.mutex);
    if (result == 0) {
      result = Usable(channel);
    }
    if (result == 0) {
      if (channel == 2) {
        state_->secondVolts = volts;
        state_->secondSet = true;
      } else {
        state_->mainVolts = volts;
        if (IsBatterySupplyLocked(bench, *state_)) {
          NotifyPhoneBattery(volts);
        }
      }
    }
    LogEventLocked(bench, PBSIM_EVENT_SET_VOLTAGE, state_.get(), channel, volts, result);
    return result;
  }

  int32_t Reserved6() override { return 0; }

  int32_t MeasureCurrent(float* milliamperes, int32_t channel) override {
    int32_t result = ScriptedBenchCall(BenchOp::MeasureCurrent, {channel});
    return Measure(PBSIM_EVENT_MEASURE, result, milliamperes, channel);
  }

  int32_t MeasureCurrentWithSetting(int32_t setting, float* milliamperes,
                                    int32_t channel) override {
    int32_t result = ScriptedBenchCall(BenchOp::MeasureCurrentWithSetting, {setting, channel});
    return Measure(PBSIM_EVENT_MEASURE_WITH_SETTING, result, milliamperes, channel);
  }

  int32_t SetCurrentRange(float amperes, int32_t channel) override {
    int32_t result = ScriptedBenchCall(BenchOp::SetCurrentRange, {channel});
    SimBench& bench = Bench();
    std::lock_guard lock(bench.mutex);
    if (result == 0) {
      result = Usable(channel);
    }
    if (result == 0) {
      state_->rangeAmps = amperes;
    }
    LogEventLocked(bench, PBSIM_EVENT_SET_CURRENT_RANGE, state_.get(), channel, amperes, result);
    return result;
  }

 private:
  int32_t Usable(int32_t channel) const {
    if (!state_->alive) {
      return kReleased;
    }
    if (!ValidChannel(channel)) {
      return kBadSupplyArgument;
    }
    return state_->open ? 0 : kNotOpen;
  }

  int32_t Measure(int32_t kind, int32_t result, float* milliamperes, int32_t channel) {
    int32_t phoneState = QueryPhoneState();
    SimBench& bench = Bench();
    std::lock_guard lock(bench.mutex);
    if (result == 0) {
      result = milliamperes ? Usable(channel) : kBadSupplyArgument;
    }
    float reading = 0.0f;
    if (result == 0) {
      if (bench.profile.invalidReadings > 0) {
        --bench.profile.invalidReadings;
        reading = -1.0f;
      } else {
        float volts = channel == 2 ? state_->secondVolts : state_->mainVolts;
        reading = OutputCurrent(bench.profile, RoleOfLocked(bench, *state_, channel),
                                volts >= kOutputOnVolts, phoneState);
      }
      *milliamperes = reading;
    }
    LogEventLocked(bench, kind, state_.get(), channel, reading, result);
    return result;
  }

  std::shared_ptr<SupplyState> state_;
};

class SimFactory final : public IPowerbenchFactory {
 public:
  int32_t Reserved1() override { return 0; }

  int32_t Create(IPowerSupply** supply, int32_t model) override {
    int32_t result = ScriptedBenchCall(BenchOp::Create, {model});
    if (supply == nullptr) {
      return kBadSupplyArgument;
    }
    *supply = nullptr;
    if (result == 0 && released_) {
      result = kReleased;
    } else if (result == 0 && (model < 0 || model > 3)) {
      result = kBadModel;
    }
    SimBench& bench = Bench();
    std::lock_guard lock(bench.mutex);
    std::shared_ptr<SupplyState> state;
    if (result == 0) {
      state = std::make_shared<SupplyState>();
      state->id = bench.nextId++;
      state->model = model;
      bench.supplies.push_back(state);
      *supply = new SimSupply(state);
    }
    SupplyState failed;
    failed.id = -1;
    failed.model = model;
    LogEventLocked(bench, PBSIM_EVENT_CREATE, state ? state.get() : &failed, -1,
                   static_cast<float>(model), result);
    return result;
  }

  // Kept after release like the supplies, so a late Create is refused rather than undefined.
  void Release() override {
    SimBench& bench = Bench();
    std::lock_guard lock(bench.mutex);
    LogEventLocked(bench, PBSIM_EVENT_FACTORY_RELEASE, nullptr, -1, 0.0f,
                   released_ ? kReleased : 0);
    released_ = true;
  }

 private:
  std::atomic<bool> released_{false};
};

}  // namespace

}  // namespace sim

extern "C" int32_t CreatePowerbenchFactory(IPowerbenchFactory** factory) {
  if (factory == nullptr) {
    return sim::kBadSupplyArgument;
  }
  sim::SimBench& bench = sim::Bench();
  {
    std::lock_guard lock(bench.mutex);
    // The profile beside the executable describes the bench once per process.
    if (!bench.profileLoaded) {
      bench.profileLoaded = true;
      sim::ApplyBenchFileLocked(bench, sim::DefaultBenchProfilePath());
    }
  }
  *factory = new sim::SimFactory();
  return 0;
}
