// What each station judges against: the limits of its measuring items and the expected texts of
// the software versions, since when it has judged so, and the setting most of the line uses.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "line/core/RunRecord.h"

namespace line {

// The items whose expected text is a software version every station should expect alike.
bool IsVersionItem(const std::string& item);

// A setting of one row: a limit pair (LimitsKey) for a row that carries a value, the expected
// text for a version item.
struct RunSetting {
  std::string item;
  bool measured = false;
  std::string setting;
  std::string unit;
};
// Each item's first such row, in row order.
std::vector<RunSetting> SettingsOf(const RunRecord& run);

// A station's unbroken streak of runs with one setting of an item.
struct SettingStreak {
  std::string setting;
  int64_t sinceMs = 0;              // the start of the streak's first run
  std::optional<int64_t> brokenMs;  // the start of the latest run before it with another setting
  int64_t latestMs = 0;             // the station's latest run with the item
  std::string latestId;
};

// The streak after a run of the station with `setting` started at `startedMs` (then `id`). A run
// that arrives late, inside the streak, with another setting splits it: the streak then starts
// at the first run after it, whose start `firstLaterUse` reads.
SettingStreak NextStreak(const std::optional<SettingStreak>& current, const std::string& setting,
                         int64_t startedMs, const std::string& id,
                         const std::function<int64_t()>& firstLaterUse);

struct StationSetting {
  std::string station;
  std::string setting;
  int64_t latestMs = 0;
};
// The setting most stations use; a tie goes to the one whose latest use is latest.
std::string ReferenceSetting(const std::vector<StationSetting>& stations);

}  // namespace line
