#include "line/server/MeasureAnswers.h"

#include "line/core/ControlChart.h"
#include "line/core/JudgedSettings.h"
#include "line/core/Timestamp.h"

namespace line {
namespace {

using Json = nlohmann::json;

Json Figure(const std::optional<double>& value) {
  return value ? Json(*value) : Json(nullptr);
}

// A setting as the limits route shows it: the limit pair, or the expected text.
void PutSetting(Json& into, bool measured, const std::string& setting) {
  if (measured) {
    auto [low, high] = ParseLimitsKey(setting);
    into["low"] = Figure(low);
    into["high"] = Figure(high);
  } else {
    into["expected"] = setting;
  }
}

}  // namespace

Json MeasurementsAnswer(const std::vector<MeasureEntry>& entries, int64_t fromMs, int64_t toMs) {
  Json list = Json::array();
  for (const MeasureEntry& e : entries) {
    Json entry = {{"station", e.station}, {"item", e.item},           {"unit", e.unit},
                  {"low", Figure(e.low)}, {"high", Figure(e.high)},   {"n", e.n},
                  {"mean", e.mean},       {"stdev", Figure(e.stdev)}, {"min", e.min},
                  {"max", e.max},         {"outside", e.outside},     {"mrBar", Figure(e.mrBar)},
                  {"cp", Figure(e.cp)},   {"cpk", Figure(e.cpk)},     {"ppk", Figure(e.ppk)}};
    if (e.histogram) {
      double width = (*e.high - *e.low) / 10;
      entry["histogram"] = {
          {"low", *e.low - 2 * width}, {"width", width}, {"counts", *e.histogram}};
    }
    list.push_back(std::move(entry));
  }
  return {{"from", FormatUtc(fromMs)}, {"to", FormatUtc(toMs)}, {"measurements", std::move(list)}};
}

Json SeriesAnswer(const std::string& station, const std::string& item,
                  const std::vector<MeasurePoint>& points) {
  Json list = Json::array();
  std::vector<double> values;
  for (const MeasurePoint& p : points) {
    list.push_back({{"id", p.runId},
                    {"started", FormatUtc(p.startedMs)},
                    {"value", p.value},
                    {"result", p.result}});
    values.push_back(p.value);
  }
  ControlChart chart = ChartOf(values);
  Json signals = Json::array();
  for (const ChartSignal& signal : chart.signals) {
    signals.push_back({{"index", signal.index}, {"rule", signal.rule}});
  }
  const MeasurePoint* latest = points.empty() ? nullptr : &points.back();
  return {{"station", station},
          {"item", item},
          {"unit", latest ? latest->unit : ""},
          {"low", latest ? Figure(latest->low) : Json(nullptr)},
          {"high", latest ? Figure(latest->high) : Json(nullptr)},
          {"points", std::move(list)},
          {"center", Figure(chart.center)},
          {"mrBar", Figure(chart.mrBar)},
          {"ucl", Figure(chart.ucl)},
          {"lcl", Figure(chart.lcl)},
          {"signals", std::move(signals)}};
}

Json LimitsAnswer(const std::vector<JudgedItem>& items) {
  Json list = Json::array();
  for (size_t first = 0; first < items.size();) {
    size_t end = first;
    std::vector<StationSetting> settings;
    while (end < items.size() && items[end].item == items[first].item) {
      settings.push_back({items[end].station, items[end].setting, items[end].latestMs});
      ++end;
    }
    std::string reference = ReferenceSetting(settings);
    const JudgedItem* holder = &items[first];
    Json stations = Json::array();
    for (size_t i = first; i < end; ++i) {
      const JudgedItem& judged = items[i];
      if (judged.setting == reference) {
        holder = &judged;
      }
      Json station = {{"station", judged.station}};
      PutSetting(station, judged.measured, judged.setting);
      station["since"] = FormatUtc(judged.sinceMs);
      station["differs"] = judged.setting != reference;
      stations.push_back(std::move(station));
    }
    Json referenceJson = Json::object();
    PutSetting(referenceJson, holder->measured, reference);
    list.push_back({{"item", holder->item},
                    {"unit", holder->unit},
                    {"reference", std::move(referenceJson)},
                    {"stations", std::move(stations)}});
    first = end;
  }
  return {{"items", std::move(list)}};
}

}  // namespace line
