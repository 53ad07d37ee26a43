// The supply factory and the supply objects of the GPIB library: the exports the station
// links and the operations it calls. Each object serialises its own calls, so the window's
// thread and a run's worker never overlap on one instrument; a released object closes its
// bus at once but keeps its shell, so that a call reaching it late is refused, not undefined.
#include <windows.h>

#include <atomic>
#include <deque>
#include <memory>
#include <mutex>

#include "BusLibraries.h"
#include "core/BenchResults.h"
#include "core/OpenRecord.h"
#include "core/SupplyDriver.h"
#include "devices/powerbench.h"

namespace bench {

namespace {

class GpibSupply final : public IPowerSupply {
 public:
  explicit GpibSupply(const SupplyFamily& family) : family_(family) {}

  int32_t Reserved1() override { return kDone; }
  int32_t Reserved2() override { return kDone; }

  // Opening again starts over: the old session is closed first.
  int32_t Open(const void* openRecord76) override {
    std::lock_guard lock(mutex_);
    if (released_) {
      return kReleased;
    }
    Close();
    const auto address = ReadOpenRecord(openRecord76);
    if (!address) {
      return kBadOpenRecord;
    }
    const int32_t connected =
        address->busType == kVisaBus ? OpenVisaBus(*address, bus_) : OpenNi4882Bus(*address, bus_);
    if (connected != kDone) {
      Close();
      return connected;
    }
    driver_ = std::make_unique<SupplyDriver>(family_, *bus_);
    const int32_t result = driver_->Open();
    if (result != kDone) {
      Close();
    }
    return result;
  }

  void Release() override;

  int32_t SetVoltage(float volts, int32_t channel) override {
    return Call([&](SupplyDriver& driver) { return driver.SetVoltage(volts, channel); });
  }

  int32_t Reserved6() override { return kDone; }

  int32_t MeasureCurrent(float* milliamperes, int32_t channel) override {
    return Call(
        [&](SupplyDriver& driver) { return driver.MeasureCurrent(0, milliamperes, channel); });
  }

  int32_t MeasureCurrentWithSetting(int32_t setting, float* milliamperes,
                                    int32_t channel) override {
    return Call([&](SupplyDriver& driver) {
      return driver.MeasureCurrent(setting, milliamperes, channel);
    });
  }

  int32_t SetCurrentRange(float amperes, int32_t channel) override {
    return Call([&](SupplyDriver& driver) { return driver.SetCurrentRange(amperes, channel); });
  }

 private:
  template <typename Operation>
  int32_t Call(Operation operation) {
    std::lock_guard lock(mutex_);
    if (released_) {
      return kReleased;
    }
    return driver_ ? operation(*driver_) : kNotOpen;
  }

  // The driver goes before the bus it talks through; the bus frees its library.
  void Close() {
    driver_.reset();
    bus_.reset();
  }

  const SupplyFamily& family_;
  std::mutex mutex_;
  bool released_ = false;
  std::unique_ptr<Bus> bus_;
  std::unique_ptr<SupplyDriver> driver_;
};

// The shells of released objects. The station forgets an object as it releases it, so only
// the latest few could ever be reached late; older ones are freed. Never destroyed itself: a
// late call may come while the process ends.
void KeepReleased(GpibSupply* supply) {
  constexpr size_t kKept = 64;
  static std::mutex mutex;
  static auto* kept = new std::deque<std::unique_ptr<GpibSupply>>();
  std::lock_guard lock(mutex);
  kept->emplace_back(supply);
  if (kept->size() > kKept) {
    kept->pop_front();
  }
}

void GpibSupply::Release() {
  {
    std::lock_guard lock(mutex_);
    if (released_) {
      return;
    }
    released_ = true;
    Close();
  }
  KeepReleased(this);
}

class GpibFactory final : public IPowerbenchFactory {
 public:
  int32_t Reserved1() override { return kDone; }

  int32_t Create(IPowerSupply** supply, int32_t model) override {
    if (supply == nullptr) {
      return kBadArgument;
    }
    *supply = nullptr;
    if (released_) {
      return kReleased;
    }
    const SupplyFamily* family = FamilyOfModel(model);
    if (family == nullptr) {
      return kUnknownModel;
    }
    *supply = new GpibSupply(*family);
    return kDone;
  }

  // Kept after its release (one per station context), so that a late Create is refused.
  void Release() override { released_ = true; }

 private:
  std::atomic<bool> released_{false};
};

}  // namespace

}  // namespace bench

extern "C" int32_t CreatePowerbenchFactory(IPowerbenchFactory** factory) {
  if (factory == nullptr) {
    return bench::kBadArgument;
  }
  *factory = new bench::GpibFactory();
  return bench::kDone;
}
