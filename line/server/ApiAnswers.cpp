#include "line/server/ApiAnswers.h"

#include <map>

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
  int64_t total = 0;
  Json items = Json::array();
  for (const ParetoItem& item : RankPareto(std::move(fails))) {
    total += item.fails;
    items.push_back({{"item", item.item},
                     {"fails", item.fails},
                     {"share", item.share},
                     {"cumulative", item.cumulative}});
  }
  return {{"from", FormatUtc(fromMs)},
          {"to", FormatUtc(toMs)},
          {"station", station},
          {"fails", total},
          {"items", std::move(items)}};
}

Json StationsAnswer(const std::vector<StationStatus>& stations, int64_t nowMs) {
  Json list = Json::array();
  for (const StationStatus& s : stations) {
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
                    {"alarm", FailRatioAlarm(s.recentRuns, s.recentFails)}});
  }
  return {{"now", FormatUtc(nowMs)},
          {"alarmRule", "fail ratio of the last " + std::to_string(kAlarmWindow) +
                            " counted runs at or above 0.5 %"},
          {"stations", std::move(list)}};
}

std::string RunsAnswer(const std::vector<StoredRun>& runs) {
  size_t size = 32;
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
  }
  text += "]}";
  return text;
}

Json ErrorAnswer(const std::string& text) {
  return {{"error", text}};
}

}  // namespace line
