// Test and configuration exports of the simulated supplies.
#include "SimBench.h"
#include "SimFiles.h"

using sim::Bench;

namespace {

template <typename Apply>
int32_t Script(const char* operation, Apply apply) {
  if (operation == nullptr) {
    return 1;
  }
  sim::SimBench& bench = Bench();
  std::lock_guard lock(bench.mutex);
  int index = bench.calls.Find(operation);
  if (index < 0) {
    return 1;
  }
  apply(bench.calls.At(index));
  return 0;
}

}  // namespace

extern "C" {

int32_t PBSIM_Reset(void) {
  sim::SimBench& bench = Bench();
  std::lock_guard lock(bench.mutex);
  sim::ResetBenchLocked(bench);
  return 0;
}

int32_t PBSIM_LoadProfile(const char* path) {
  sim::SimBench& bench = Bench();
  std::lock_guard lock(bench.mutex);
  sim::ResetBenchLocked(bench);
  bench.profileLoaded = true;
  std::wstring file = path ? sim::Widen(path) : sim::DefaultBenchProfilePath();
  return sim::ApplyBenchFileLocked(bench, file) ? 0 : 1;
}

int32_t PBSIM_SetValue(const char* section, const char* key, const char* value) {
  if (section == nullptr || key == nullptr || value == nullptr) {
    return 1;
  }
  sim::SimBench& bench = Bench();
  std::lock_guard lock(bench.mutex);
  return sim::SetBenchValueLocked(bench, section, key, value) ? 0 : 1;
}

int32_t PBSIM_SetFailure(const char* operation, int32_t code) {
  return Script(operation, [code](sim::CallRecord& record) { record.failCode = code; });
}

int32_t PBSIM_SetDelay(const char* operation, int32_t milliseconds) {
  if (milliseconds < 0) {
    return 1;
  }
  return Script(operation,
                [milliseconds](sim::CallRecord& record) { record.delayMs = milliseconds; });
}

int32_t PBSIM_GetEventCount(void) {
  sim::SimBench& bench = Bench();
  std::lock_guard lock(bench.mutex);
  return static_cast<int32_t>(bench.events.size());
}

int32_t PBSIM_GetEvent(int32_t index, PBSIM_EVENT* event) {
  sim::SimBench& bench = Bench();
  std::lock_guard lock(bench.mutex);
  if (event == nullptr || index < 0 || static_cast<size_t>(index) >= bench.events.size()) {
    return 1;
  }
  *event = bench.events[static_cast<size_t>(index)];
  return 0;
}

int32_t PBSIM_ClearEvents(void) {
  sim::SimBench& bench = Bench();
  std::lock_guard lock(bench.mutex);
  bench.events.clear();
  return 0;
}

int32_t PBSIM_GetSupplyCount(void) {
  sim::SimBench& bench = Bench();
  std::lock_guard lock(bench.mutex);
  int32_t alive = 0;
  for (const auto& supply : bench.supplies) {
    alive += supply->alive ? 1 : 0;
  }
  return alive;
}

int32_t PBSIM_GetOutputVoltage(int32_t supplyId, int32_t channel, float* volts) {
  sim::SimBench& bench = Bench();
  std::lock_guard lock(bench.mutex);
  if (volts == nullptr || (channel != -1 && channel != 2)) {
    return 1;
  }
  for (const auto& supply : bench.supplies) {
    if (supply->alive && supply->id == supplyId) {
      *volts = channel == 2 ? supply->secondVolts : supply->mainVolts;
      return 0;
    }
  }
  return 1;
}

}  // extern "C"
