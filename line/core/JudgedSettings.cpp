#include "line/core/JudgedSettings.h"

#include <map>
#include <set>
#include <tuple>

#include "line/core/Measurements.h"

namespace line {

bool IsVersionItem(const std::string& item) {
  return item == "Modem Version" || item == "AP Version";
}

std::vector<RunSetting> SettingsOf(const RunRecord& run) {
  std::vector<RunSetting> settings;
  std::set<std::string> seen;
  for (const RunRow& row : run.rows) {
    if (row.value && seen.insert(row.item).second) {
      settings.push_back({row.item, true, LimitsKey(row.low, row.high), row.unit});
    } else if (!row.value && IsVersionItem(row.item) && seen.insert(row.item).second) {
      settings.push_back({row.item, false, row.expected, ""});
    }
  }
  return settings;
}

SettingStreak NextStreak(const std::optional<SettingStreak>& current, const std::string& setting,
                         int64_t startedMs, const std::string& id,
                         const std::function<int64_t()>& firstLaterUse) {
  if (!current) {
    return {setting, startedMs, std::nullopt, startedMs, id};
  }
  SettingStreak next = *current;
  bool later = std::tie(startedMs, id) > std::tie(current->latestMs, current->latestId);
  if (later) {
    if (setting != current->setting) {
      next = {setting, startedMs, current->latestMs, startedMs, id};
    } else {
      next.latestMs = startedMs;
      next.latestId = id;
    }
    return next;
  }
  bool afterBreak = !current->brokenMs || startedMs > *current->brokenMs;
  if (setting == current->setting) {
    if (startedMs < current->sinceMs && afterBreak) {
      next.sinceMs = startedMs;  // it joins the streak's start
    }
  } else if (startedMs >= current->sinceMs) {
    next.sinceMs = firstLaterUse();
    next.brokenMs = startedMs;
  } else if (afterBreak) {
    next.brokenMs = startedMs;
  }
  return next;
}

std::string ReferenceSetting(const std::vector<StationSetting>& stations) {
  std::map<std::string, std::pair<int64_t, int64_t>> uses;  // stations, latest use
  for (const StationSetting& station : stations) {
    auto& [count, latest] = uses[station.setting];
    latest = count == 0 ? station.latestMs : std::max(latest, station.latestMs);
    ++count;
  }
  std::string best;
  std::pair<int64_t, int64_t> bestUse{-1, 0};
  for (const auto& [setting, use] : uses) {
    if (use > bestUse) {
      best = setting;
      bestUse = use;
    }
  }
  return best;
}

}  // namespace line
