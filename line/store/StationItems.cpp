#include "line/store/StationItems.h"

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

nlohmann::json DocumentOf(const std::string& text) {
  nlohmann::json document = nlohmann::json::parse(text, nullptr, false);
  return document.is_object() ? document : nlohmann::json::object();
}

// The item's fields written over those its document holds: a kept item's object is reused.
void WriteItem(nlohmann::json& json, const ItemState& state) {
  const SettingStreak& s = state.streak;
  if (!json.is_object()) {
    json = nlohmann::json::object();
  }
  json["measured"] = state.measured;
  json["setting"] = s.setting;
  json["unit"] = state.unit;
  json["since"] = s.sinceMs;
  json["broken"] = s.brokenMs ? nlohmann::json(*s.brokenMs) : nlohmann::json();
  json["latest"] = s.latestMs;
  json["latestId"] = s.latestId;
  json["value"] = state.value ? nlohmann::json(*state.value) : nlohmann::json();
}

}  // namespace

StationItems ItemsOf(const std::string& text) {
  return ItemsOfDocument(nlohmann::json::parse(text, nullptr, false));
}

ItemsInRow ItemsOfRowText(const std::string& text) {
  ItemsInRow row{DocumentOf(text), {}};
  row.items = ItemsOfDocument(row.document);
  return row;
}

std::string ChangedItemsText(ItemsInRow& row) {
  bool changed = false;
  for (auto& [item, state] : row.items) {
    if (state.changed) {
      WriteItem(row.document[item], state);
      state.changed = false;
      changed = true;
    }
  }
  return changed ? row.document.dump() : std::string();
}

}  // namespace line
