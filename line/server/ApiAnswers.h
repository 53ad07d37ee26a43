// The JSON documents the read routes answer with: plain names, counts beside every ratio, UTC
// times, so that a person can read them in a browser's address bar (indented with `pretty`).
#pragma once

#include <cstdint>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "line/core/LineRules.h"
#include "line/store/Store.h"

namespace line {

nlohmann::json YieldAnswer(const std::vector<YieldPoint>& hourly, Bucket bucket,
                           int32_t offsetMinutes, int64_t fromMs, int64_t toMs);

nlohmann::json ParetoAnswer(std::vector<std::pair<std::string, int64_t>> fails,
                            const std::string& station, int64_t fromMs, int64_t toMs);

nlohmann::json StationsAnswer(const std::vector<StationStatus>& stations, int64_t nowMs);

// The stored records as they arrived, newest first, as JSON text: the records are pasted in as
// stored, not read and written again.
std::string RunsAnswer(const std::vector<StoredRun>& runs);

nlohmann::json ErrorAnswer(const std::string& text);

}  // namespace line
