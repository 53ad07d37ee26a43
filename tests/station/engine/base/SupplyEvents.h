// Reading back what the simulated supplies were asked to do.
#pragma once

#include <vector>

#include "devices/sim/powerbench_sim.h"

inline std::vector<PBSIM_EVENT> SupplyEvents() {
  std::vector<PBSIM_EVENT> events;
  const int32_t count = PBSIM_GetEventCount();
  for (int32_t i = 0; i < count; ++i) {
    PBSIM_EVENT event{};
    if (PBSIM_GetEvent(i, &event) == 0) {
      events.push_back(event);
    }
  }
  return events;
}

inline std::vector<PBSIM_EVENT> EventsOfKind(int32_t kind) {
  std::vector<PBSIM_EVENT> matching;
  for (const PBSIM_EVENT& event : SupplyEvents()) {
    if (event.kind == kind) {
      matching.push_back(event);
    }
  }
  return matching;
}

// One voltage setting as the station made it.
struct VoltageCall {
  int32_t supplyId;
  int32_t channel;
  float volts;
  bool operator==(const VoltageCall&) const = default;
};

inline std::vector<VoltageCall> VoltageCalls() {
  std::vector<VoltageCall> calls;
  for (const PBSIM_EVENT& event : EventsOfKind(PBSIM_EVENT_SET_VOLTAGE)) {
    calls.push_back({event.supplyId, event.channel, event.value});
  }
  return calls;
}

inline void PrintTo(const VoltageCall& call, std::ostream* out) {
  *out << "{supply " << call.supplyId << ", channel " << call.channel << ", " << call.volts
       << " V}";
}
