// The JSON documents the read routes answer with: plain names, counts beside every ratio, UTC
// times, so that a person can read them in a browser's address bar (indented with `pretty`).
#pragma once

#include <cstdint>
#include <map>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

#include "line/core/LineRules.h"
#include "line/server/HttpServer.h"
#include "line/store/Store.h"

namespace line {

nlohmann::json YieldAnswer(const std::vector<YieldPoint>& hourly, Bucket bucket,
                           int32_t offsetMinutes, int64_t fromMs, int64_t toMs);

// The 50 most frequent items; what the others add up to in "other".
nlohmann::json ParetoAnswer(std::vector<std::pair<std::string, int64_t>> fails,
                            const std::string& station, int64_t fromMs, int64_t toMs);

// `drift`: each station's drifting items.
nlohmann::json StationsAnswer(const std::vector<StationStatus>& stations, int64_t nowMs,
                              const std::map<std::string, std::vector<std::string>>& drift = {});

// The stored records as they arrived, newest first, as JSON text: the records are pasted in as
// stored, not read and written again (each is let go once pasted). "next" when more follow.
std::string RunsAnswer(RunPage page);

// The cursor of "next" and ?after=: "<started ms>~<id>~<station as hex>", plain in an address.
std::string CursorText(const RunCursor& cursor);
std::optional<RunCursor> ParseCursor(const std::string& text);

nlohmann::json ErrorAnswer(const std::string& text);

// HTTP answers: a JSON document (indented when `pretty`), a refusal, a redirect.
HttpAnswer JsonAnswer(unsigned status, const nlohmann::json& body, bool pretty = false);
HttpAnswer Refused(unsigned status, const std::string& text);
HttpAnswer Redirect(const std::string& location);

}  // namespace line
