#include "line/server/ApiAnswers.h"

#include <map>

#include "devices/admit/core/Hex.h"
#include "line/core/Timestamp.h"

namespace line {
namespace {

using Json = nlohmann::json;

Json RatioJson(std::optional<double> ratio) {
  return ratio ? Json(*ratio) : Json();
}

Json PointJson(const YieldPoint& point) {
  const YieldCounts& c = point.counts;
  return {{"start", FormatUtc(point.startMs)},
          {"counted", c.counted},
          {"passed", c.passed},
          {"failed", c.counted - c.passed},
          {"yield", RatioJson(Ratio(c.passed, c.counted))},
          {"firstTested", c.firstTested},
          {"firstPassed", c.firstPassed},
          {"firstPassYield", RatioJson(Ratio(c.firstPassed, c.firstTested))}};
}

}  // namespace

Json YieldAnswer(const std::vector<YieldPoint>& hourly, Bucket bucket, int32_t offsetMinutes,
                 int64_t fromMs, int64_t toMs) {
  std::map<std::string, Json> series;
  for (const YieldPoint& point : Rebucket(hourly, bucket, offsetMinutes)) {
    series[point.station].push_back(PointJson(point));
  }
  Json stations = Json::array();
  for (auto& [name, points] : series) {
    stations.push_back({{"station", name}, {"points", std::move(points)}});
  }
  static const std::string kLine = "(line)";
  Json total = Json::array();
  for (const YieldPoint& point : Rebucket(hourly, bucket, offsetMinutes, &kLine)) {
    total.push_back(PointJson(point));
  }
  return {{"bucket", bucket == Bucket::Hour ? "hour" : "day"},
          {"tz", FormatOffset(offsetMinutes)},
          {"from", FormatUtc(fromMs)},
          {"to", FormatUtc(toMs)},
          {"stations", std::move(stations)},
          {"total", std::move(total)}};
}

Json ParetoAnswer(std::vector<std::pair<std::string, int64_t>> fails, const std::string& station,
                  int64_t fromMs, int64_t toMs) {
  ParetoTop top = TopPareto(std::move(fails));
  Json items = Json::array();
  for (const ParetoItem& item : top.items) {
    items.push_back({{"item", item.item},
                     {"fails", item.fails},
                     {"share", item.share},
                     {"cumulative", item.cumulative}});
  }
  return {{"from", FormatUtc(fromMs)},
          {"to", FormatUtc(toMs)},
          {"station", station},
          {"fails", top.fails},
          {"items", std::move(items)},
          {"other", {{"items", top.otherItems}, {"fails", top.otherFails}}}};
}

Json StationsAnswer(const std::vector<StationStatus>& stations, int64_t nowMs,
                    const std::map<std::string, std::vector<std::string>>& drift) {
  Json list = Json::array();
  for (const StationStatus& s : stations) {
    auto drifting = drift.find(s.name);
    list.push_back({{"name", s.name},
                    {"line", s.line},
                    {"host", s.host},
                    {"program", s.program},
                    {"version", s.version},
                    {"lastSeen", FormatUtc(s.lastSeenMs)},
                    {"lastRun", FormatUtc(s.lastRunMs)},
                    {"runs", s.runs},
                    {"counted", s.counted},
                    {"passed", s.passed},
                    {"failed", s.counted - s.passed},
                    {"yield", RatioJson(Ratio(s.passed, s.counted))},
                    {"recent",
                     {{"runs", s.recentRuns},
                      {"fails", s.recentFails},
                      {"failRatio", RatioJson(Ratio(s.recentFails, s.recentRuns))}}},
                    {"alarm", FailRatioAlarm(s.recentRuns, s.recentFails)},
                    {"drift", drifting != drift.end() ? Json(drifting->second) : Json::array()}});
  }
  return {{"now", FormatUtc(nowMs)},
          {"alarmRule", "fail ratio of the last " + std::to_string(kAlarmWindow) +
                            " counted runs at or above 0.5 %"},
          {"stations", std::move(list)}};
}

std::string RunsAnswer(RunPage page) {
  std::vector<StoredRun>& runs = page.runs;
  std::string next = page.next ? ",\"next\":" + Json(CursorText(*page.next)).dump() : "";
  size_t size = 34 + next.size();  // and the line break the answer ends with
  for (const StoredRun& run : runs) {
    size += run.document.size() + 1;
  }
  std::string text;
  text.reserve(size);
  text += "{\"count\":" + std::to_string(runs.size()) + ",\"runs\":[";
  for (size_t i = 0; i < runs.size(); ++i) {
    if (i > 0) {
      text += ',';
    }
    text += runs[i].document;
    std::string().swap(runs[i].document);
  }
  text += "]" + next + "}";
  return text;
}

std::string CursorText(const RunCursor& cursor) {
  return std::to_string(cursor.startedMs) + "~" + cursor.id + "~" +
         admit::ToHex(reinterpret_cast<const uint8_t*>(cursor.station.data()),
                      cursor.station.size());
}

std::optional<RunCursor> ParseCursor(const std::string& text) {
  size_t first = text.find('~');
  size_t second = first == std::string::npos ? first : text.find('~', first + 1);
  if (second == std::string::npos) {
    return std::nullopt;
  }
  RunCursor cursor;
  cursor.id = text.substr(first + 1, second - first - 1);
  cursor.station.resize((text.size() - second - 1) / 2);
  if (!admit::FromHex(std::string_view(text).substr(second + 1),
                      reinterpret_cast<uint8_t*>(cursor.station.data()), cursor.station.size())) {
    return std::nullopt;
  }
  try {
    size_t used = 0;
    cursor.startedMs = std::stoll(text.substr(0, first), &used);
    return used == first ? std::optional(cursor) : std::nullopt;
  } catch (const std::exception&) {
    return std::nullopt;
  }
}

Json ErrorAnswer(const std::string& text) {
  return {{"error", text}};
}

HttpAnswer JsonAnswer(unsigned status, const Json& body, bool pretty) {
  return {status, "application/json", body.dump(pretty ? 2 : -1) + "\n", {}, false, nullptr};
}

HttpAnswer Refused(unsigned status, const std::string& text) {
  return JsonAnswer(status, ErrorAnswer(text));
}

HttpAnswer Redirect(const std::string& location) {
  return {303, "text/plain", "", {{"Location", location}}, false, nullptr};
}

}  // namespace line
