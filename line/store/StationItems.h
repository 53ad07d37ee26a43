// A station's items as its row of measure_stations keeps them: each item's setting streak, unit
// and latest value, as one text per station so that a group writes one row per station.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <unordered_map>

#include "line/core/JudgedSettings.h"
#include "line/core/Measurements.h"

namespace line {

// One item of a station as the store keeps it between groups.
struct ItemState {
  bool measured = false;
  std::string unit;
  SettingStreak streak;
  std::optional<double> value;  // the latest value of a measured item
  bool changed = false;
};
using StationItems = std::map<std::string, ItemState>;

// The items a row's text holds: the compact text this version writes, or the JSON object per
// item an earlier one wrote (none when the text is neither).
StationItems ItemsOf(const std::string& text);
// The text the row is to hold once the items marked changed are written (the marks cleared);
// empty when none was.
std::string ChangedItemsText(StationItems& items);

// A station's open hour, the hour of its newest run, as its row keeps it: its pairs' sums, each
// keyed at the hour. The text is a first record with the hour and the station, then a record
// per pair (line/store/FieldText.h): item, limits, unit, count, sum, squares, min, max, outside,
// the inner ranges' sum and count, the lead's sum and count, the histogram's counts. A store of
// schema version 5 wrote it as a day's JSON text, which reads as well.
using OpenHour = std::map<MeasureKey, MeasureSums>;
OpenHour OpenSums(const std::string& text);
std::string OpenText(const OpenHour& open);

// The writer's copy of what each text of a station's row (its items, its open hour) holds, as
// it last read or wrote it. Every group reads and rewrites its stations' rows; a row that still
// holds the text kept here is not parsed again. Any text the store answers is checked against
// the copy, so a row another service changed, or a write rolled back, is read afresh. Used by
// one writer at a time.
template <class Value>
class KeptValues {
 public:
  template <class Parse>
  Value Take(const std::string& station, const std::string& text, Parse parse) {
    auto found = kept_.find(station);
    if (found != kept_.end() && found->second.held && found->second.text == text) {
      found->second.held = false;
      return std::move(found->second.value);
    }
    return parse(text);
  }
  void Put(const std::string& station, std::string text, Value value) {
    if (kept_.size() >= kMostStations && !kept_.count(station)) {
      kept_.clear();
    }
    kept_[station] = {std::move(text), std::move(value), true};
  }

 private:
  struct Kept {
    std::string text;
    Value value;
    bool held = false;  // the value is here, not taken
  };
  // Rows beyond this many are dropped all at once: a line has tens of stations.
  static constexpr size_t kMostStations = 1024;
  std::unordered_map<std::string, Kept> kept_;
};

}  // namespace line
