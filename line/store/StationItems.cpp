#include "line/store/StationItems.h"

#include <nlohmann/json.hpp>
#include <tuple>

#include "line/store/FieldText.h"
#include "line/store/MeasureDays.h"

namespace line {
namespace {

StationItems ItemsOfDocument(const nlohmann::json& stored) {
  StationItems items;
  if (!stored.is_object()) {
    return items;
  }
  for (const auto& [item, json] : stored.items()) {
    if (!json.is_object()) {
      continue;
    }
    ItemState& state = items[item];
    state.measured = json.value("measured", false);
    state.streak.setting = json.value("setting", "");
    state.unit = json.value("unit", "");
    state.streak.sinceMs = json.value("since", int64_t{0});
    if (json.contains("broken") && json["broken"].is_number()) {
      state.streak.brokenMs = json["broken"].get<int64_t>();
    }
    state.streak.latestMs = json.value("latest", int64_t{0});
    state.streak.latestId = json.value("latestId", "");
    if (json.contains("value") && json["value"].is_number()) {
      state.value = json["value"].get<double>();
    }
  }
  return items;
}

// The compact text: a first record with the station's latest run (its start and id), then a
// record per item: name, measured (1 or 0), setting, unit, since, broken, latest start and id
// (both empty when they are the first record's), value.
StationItems ItemsOfFields(const std::string& text) {
  StationItems items;
  FieldReader reader(text);
  if (!reader.NextRecord()) {
    return items;
  }
  int64_t latestMs = reader.Int();
  std::string latestId = reader.Text();
  while (reader.NextRecord() && !reader.Failed()) {
    std::string name = reader.Text();
    ItemState state;
    state.measured = reader.Int() != 0;
    state.streak.setting = reader.Text();
    state.unit = reader.Text();
    state.streak.sinceMs = reader.Int();
    state.streak.brokenMs = reader.OptionalInt();
    std::optional<int64_t> latest = reader.OptionalInt();
    state.streak.latestMs = latest.value_or(latestMs);
    state.streak.latestId = reader.Text();
    if (!latest) {
      state.streak.latestId = latestId;
    }
    state.value = reader.OptionalNumber();
    if (!reader.Failed()) {
      items.insert_or_assign(std::move(name), std::move(state));
    }
  }
  return items;
}

std::string ItemsText(const StationItems& items) {
  if (items.empty()) {
    return "";
  }
  const SettingStreak* newest = nullptr;
  for (const auto& [item, state] : items) {
    if (!newest || std::tie(state.streak.latestMs, state.streak.latestId) >
                       std::tie(newest->latestMs, newest->latestId)) {
      newest = &state.streak;
    }
  }
  FieldWriter text;
  text.Int(newest->latestMs).Text(newest->latestId).EndRecord();
  for (const auto& [item, state] : items) {
    const SettingStreak& s = state.streak;
    bool asNewest = s.latestMs == newest->latestMs && s.latestId == newest->latestId;
    text.Text(item)
        .Int(int64_t{state.measured})
        .Text(s.setting)
        .Text(state.unit)
        .Int(s.sinceMs)
        .Int(s.brokenMs)
        .Int(asNewest ? std::nullopt : std::optional(s.latestMs))
        .Text(asNewest ? "" : s.latestId)
        .Number(state.value)
        .EndRecord();
  }
  return std::move(text).Take();
}

}  // namespace

StationItems ItemsOf(const std::string& text) {
  if (text.starts_with('{')) {  // as stores of schema version 5 wrote them
    return ItemsOfDocument(nlohmann::json::parse(text, nullptr, false));
  }
  return ItemsOfFields(text);
}

std::string ChangedItemsText(StationItems& items) {
  bool changed = false;
  for (auto& [item, state] : items) {
    changed = changed || state.changed;
    state.changed = false;
  }
  return changed ? ItemsText(items) : std::string();
}

OpenHour OpenSums(const std::string& text) {
  OpenHour open;
  if (text.starts_with('[')) {
    for (PairSums& pair : PairsOfDay(text, "").value_or(std::vector<PairSums>())) {
      open[pair.key] += pair.sums;
    }
    return open;
  }
  FieldReader reader(text);
  if (!reader.NextRecord()) {
    return open;
  }
  int64_t hourMs = reader.Int();
  std::string station = reader.Text();
  while (reader.NextRecord() && !reader.Failed()) {
    MeasureKey key{station, reader.Text(), reader.Text(), hourMs};
    MeasureSums s;
    s.unit = reader.Text();
    s.count = reader.Int();
    s.sum = reader.Number();
    s.squares = reader.Number();
    s.min = reader.OptionalNumber();
    s.max = reader.OptionalNumber();
    s.outside = reader.Int();
    s.rangeSum = reader.Number();
    s.ranges = reader.Int();
    s.leadRange = reader.Number();
    s.leads = reader.Int();
    for (int64_t& bin : s.bins) {
      bin = reader.Int();
    }
    if (!reader.Failed()) {
      open[std::move(key)] += s;
    }
  }
  return open;
}

std::string OpenText(const OpenHour& open) {
  if (open.empty()) {
    return "";
  }
  FieldWriter text;
  // The hour first: a station's name may begin as a version-5 text does.
  text.Int(open.begin()->first.hourMs).Text(open.begin()->first.station).EndRecord();
  for (const auto& [key, s] : open) {
    text.Text(key.item)
        .Text(key.limits)
        .Text(s.unit)
        .Int(s.count)
        .Number(s.sum)
        .Number(s.squares)
        .Number(s.min)
        .Number(s.max)
        .Int(s.outside)
        .Number(s.rangeSum)
        .Int(s.ranges)
        .Number(s.leadRange)
        .Int(s.leads);
    for (int64_t bin : s.bins) {
      text.Int(bin);
    }
    text.EndRecord();
  }
  return std::move(text).Take();
}

}  // namespace line
