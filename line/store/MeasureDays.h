// Whole days of measurement statistics, rolled up from their hours once a day is over so that a
// week costs a row per day: each day's limit pairs as one text in measure_days, and the sum of
// days in order.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "line/core/Measurements.h"

namespace line {

// The sums of one limit pair of a station's item over a stretch of hours. The lead of the
// station's item's first hour in the stretch is kept apart: it reaches back out of the stretch.
struct PairSums {
  MeasureKey key;    // hourMs: the pair's first hour in the stretch
  MeasureSums sums;  // its leads: those of the later hours
  double firstLeadRange = 0;
  int64_t firstLeads = 0;
};

// A day's pairs as its row keeps them; none when a sum is not a finite number (JSON has none).
std::optional<std::string> DayText(const std::vector<PairSums>& pairs);
// The pairs a day's text holds, of one station or of all (""); none when it is no day's text.
std::optional<std::vector<PairSums>> PairsOfDay(const std::string& text,
                                                const std::string& station);

// A day is rolled up once it ended this long ago, and a writer marks a day it changes as
// changed until this long after its end: services whose clocks differ by less than twice this
// agree on which days may have been rolled up.
inline constexpr int64_t kDaySettleMs = 3 * 3600 * 1000LL;

// Days' pairs summed in day order: a station's item's first day keeps its first lead apart, a
// later day's first lead lies inside the stretch.
class DaysSum {
 public:
  void Add(const std::vector<PairSums>& day);
  std::vector<PairSums> Pairs() &&;

 private:
  std::vector<PairSums> pairs_;
  std::map<std::tuple<std::string, std::string, std::string>, size_t> at_;
  std::set<std::pair<std::string, std::string>> seen_;  // station's items of earlier days
};

}  // namespace line
