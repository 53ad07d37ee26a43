#include "line/core/Drift.h"

#include <algorithm>
#include <set>

#include "line/core/ControlChart.h"

namespace line {

std::vector<std::string> DriftingItems(
    const std::vector<MeasureEntry>& lastDay,
    const std::map<std::string, std::string>& latestLimits,
    const std::map<std::string, std::vector<double>>& latestValues) {
  std::set<std::string> drifting;
  for (const MeasureEntry& entry : lastDay) {
    auto limits = latestLimits.find(entry.item);
    if (limits != latestLimits.end() && limits->second == LimitsKey(entry.low, entry.high) &&
        entry.cpk && *entry.cpk < kDriftCpk) {
      drifting.insert(entry.item);
    }
  }
  for (const auto& [item, values] : latestValues) {
    ControlChart chart = ChartOf(values);
    if (std::any_of(chart.signals.begin(), chart.signals.end(),
                    [](const ChartSignal& signal) { return signal.rule == 1; })) {
      drifting.insert(item);
    }
  }
  return {drifting.begin(), drifting.end()};
}

}  // namespace line
