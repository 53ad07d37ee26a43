// The JSON documents of the measurement routes: the figures of a range, a control chart, the
// settings each station judges against. Undefined figures are null.
#pragma once

#include <cstdint>
#include <map>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "line/store/Store.h"

namespace line {

nlohmann::json MeasurementsAnswer(const std::vector<MeasureEntry>& entries, int64_t fromMs,
                                  int64_t toMs);

// `points` oldest first; their unit and limits are the latest point's.
nlohmann::json SeriesAnswer(const std::string& station, const std::string& item,
                            const std::vector<MeasurePoint>& points);

// `items` by item, then station (Store::JudgedItems).
nlohmann::json LimitsAnswer(const std::vector<JudgedItem>& items);

}  // namespace line
