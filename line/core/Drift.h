// Which of a station's items drift: the station's Cpk over the last day, of the entry with the
// limits it judges against now, is below 1.0, or its latest values hold a point beyond 3σ of
// their own centre.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "line/core/Measurements.h"

namespace line {

inline constexpr double kDriftCpk = 1.0;
inline constexpr int64_t kDriftPoints = 50;

// `lastDay`: the station's entries of the last 24 hours; `latestLimits`: each measured item's
// limit pair now (LimitsKey); `latestValues`: each item's latest kDriftPoints values, oldest
// first. Item names in order.
std::vector<std::string> DriftingItems(
    const std::vector<MeasureEntry>& lastDay,
    const std::map<std::string, std::string>& latestLimits,
    const std::map<std::string, std::vector<double>>& latestValues);

}  // namespace line
