#include "line/store/MeasureDays.h"

#include <cmath>
#include <nlohmann/json.hpp>

namespace line {
namespace {

// A pair as one array: station, item, limits, first hour, unit, count, sum, squares, min, max,
// outside, inner ranges' sum and count, leads' sum and count, the first lead's sum and count,
// the histogram's counts.
nlohmann::json PairJson(const PairSums& pair) {
  const MeasureSums& s = pair.sums;
  auto optional = [](const std::optional<double>& value) {
    return value ? nlohmann::json(*value) : nlohmann::json();
  };
  return {pair.key.station, pair.key.item,   pair.key.limits, pair.key.hourMs,
          s.unit,           s.count,         s.sum,           s.squares,
          optional(s.min),  optional(s.max), s.outside,       s.rangeSum,
          s.ranges,         s.leadRange,     s.leads,         pair.firstLeadRange,
          pair.firstLeads,  s.bins};
}

bool Finite(const PairSums& pair) {
  const MeasureSums& s = pair.sums;
  for (double value : {s.sum, s.squares, s.min.value_or(0), s.max.value_or(0), s.rangeSum,
                       s.leadRange, pair.firstLeadRange}) {
    if (!std::isfinite(value)) {
      return false;
    }
  }
  return true;
}

std::optional<double> Optional(const nlohmann::json& value) {
  return value.is_number() ? std::optional(value.get<double>()) : std::nullopt;
}

}  // namespace

std::optional<std::string> DayText(const std::vector<PairSums>& pairs) {
  nlohmann::json day = nlohmann::json::array();
  for (const PairSums& pair : pairs) {
    if (!Finite(pair)) {
      return std::nullopt;
    }
    day.push_back(PairJson(pair));
  }
  return day.dump();
}

std::optional<std::vector<PairSums>> PairsOfDay(const std::string& text,
                                                const std::string& station) try {
  std::vector<PairSums> pairs;
  nlohmann::json day = nlohmann::json::parse(text);
  if (!day.is_array()) {
    return std::nullopt;
  }
  for (const nlohmann::json& row : day) {
    if (row.size() != 18) {
      return std::nullopt;
    }
    if (!station.empty() && row[0].get_ref<const std::string&>() != station) {
      continue;
    }
    PairSums pair;
    MeasureSums& s = pair.sums;
    pair.key = {row[0].get<std::string>(), row[1].get<std::string>(), row[2].get<std::string>(),
                row[3].get<int64_t>()};
    s.unit = row[4].get<std::string>();
    s.count = row[5].get<int64_t>();
    s.sum = row[6].get<double>();
    s.squares = row[7].get<double>();
    s.min = Optional(row[8]);
    s.max = Optional(row[9]);
    s.outside = row[10].get<int64_t>();
    s.rangeSum = row[11].get<double>();
    s.ranges = row[12].get<int64_t>();
    s.leadRange = row[13].get<double>();
    s.leads = row[14].get<int64_t>();
    pair.firstLeadRange = row[15].get<double>();
    pair.firstLeads = row[16].get<int64_t>();
    s.bins = row[17].get<std::array<int64_t, kHistogramBins>>();
    pairs.push_back(std::move(pair));
  }
  return pairs;
} catch (const nlohmann::json::exception&) {
  return std::nullopt;
}

void DaysSum::Add(const std::vector<PairSums>& day) {
  for (const PairSums& pair : day) {
    const MeasureKey& key = pair.key;
    auto [at, fresh] = at_.try_emplace({key.station, key.item, key.limits}, pairs_.size());
    if (fresh) {
      pairs_.push_back({key, {}, 0, 0});
    }
    PairSums& sum = pairs_[at->second];
    sum.sums += pair.sums;
    if (seen_.count({key.station, key.item})) {
      sum.sums.leadRange += pair.firstLeadRange;
      sum.sums.leads += pair.firstLeads;
    } else {
      sum.firstLeadRange += pair.firstLeadRange;
      sum.firstLeads += pair.firstLeads;
    }
  }
  for (const PairSums& pair : day) {
    seen_.emplace(pair.key.station, pair.key.item);
  }
}

std::vector<PairSums> DaysSum::Pairs() && {
  return std::move(pairs_);
}

}  // namespace line
