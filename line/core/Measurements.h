// Statistics of the numbers the stations measure: what each new value adds to its station's,
// item's, limit pair's and hour's sums (kept by the store so that a range of a million runs costs
// no scan), and the line's figures from such sums: mean, standard deviation, the mean moving
// range, Cp, Cpk and Ppk.
//
// Moving ranges run between consecutive values of a station's item in `started` order (then
// run id); one counts only when both values were judged against the same limits. A range is kept
// in the hour of its later value: as an inner range when both lie in that hour, else as the
// hour's lead (only the first value of a station's item in an hour has one). A range of hours
// then drops the lead of its first hour, whose earlier value lies outside.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "line/core/RunRecord.h"

namespace line {

// One measured value of a run.
struct MeasurePoint {
  int64_t startedMs = 0;
  std::string runId;
  double value = 0;
  std::optional<double> low;
  std::optional<double> high;
  std::string unit;
  std::string result;
};

// Whether a comes before b in a station's order.
bool EarlierPoint(const MeasurePoint& a, const MeasurePoint& b);

// A limit pair as one text ("3550 3650", "- 100" for a missing low), the key of its sums.
std::string LimitsKey(const std::optional<double>& low, const std::optional<double>& high);
std::pair<std::optional<double>, std::optional<double>> ParseLimitsKey(const std::string& key);

// The histogram against the limits, w = (high - low) / 10: below low - 2w; two bins of w below
// low; ten inside [low, high] (high itself in the last); two of w above high; above high + 2w.
inline constexpr size_t kHistogramBins = 16;
// Which bin a value falls in; none when the limits do not make a histogram.
std::optional<size_t> HistogramBin(double value, const std::optional<double>& low,
                                   const std::optional<double>& high);

// The sums of one station's item, limit pair and hour. Values are summed from the middle of
// their limits (0 without both), which keeps the squares exact enough for a spread of a few
// units on values of thousands.
struct MeasureSums {
  int64_t count = 0;
  double sum = 0;
  double squares = 0;
  std::optional<double> min;
  std::optional<double> max;
  int64_t outside = 0;
  double rangeSum = 0;  // inner moving ranges
  int64_t ranges = 0;
  double leadRange = 0;  // the range from the previous hour's value to the hour's first
  int64_t leads = 0;
  std::array<int64_t, kHistogramBins> bins{};
  std::string unit;  // of the latest value added

  MeasureSums& operator+=(const MeasureSums& other);
};

// The middle of a limit pair the sums are taken from.
double SumsCentre(const std::optional<double>& low, const std::optional<double>& high);

struct MeasureKey {
  std::string station;
  std::string item;
  std::string limits;  // LimitsKey
  int64_t hourMs = 0;
  auto operator<=>(const MeasureKey&) const = default;
};

// What sums change by when a point of `station`'s item arrives between its neighbours in
// `started` order (none at either end). A range between the neighbours is taken off, the two
// new ones added.
std::map<MeasureKey, MeasureSums> PointChanges(const std::string& station, const std::string& item,
                                               const std::optional<MeasurePoint>& previous,
                                               const MeasurePoint& point,
                                               const std::optional<MeasurePoint>& next);
void AddChanges(std::map<MeasureKey, MeasureSums>& into,
                const std::map<MeasureKey, MeasureSums>& changes);
// AddChanges of PointChanges for a point that arrives after every other (no `next`), added in
// place: what the store's reads and writes do for nearly every value.
void AddLatestPoint(std::map<MeasureKey, MeasureSums>& into, const std::string& station,
                    const std::string& item, const MeasurePoint* previous,
                    const MeasurePoint& point);

// The sums of points given in `started` order, each item's first without a lead: what a part
// of an hour holds.
std::map<MeasureKey, MeasureSums> SumsOfPoints(
    const std::string& station, const std::vector<std::pair<std::string, MeasurePoint>>& points);

// The figures of one station's item and limit pair over a range. A figure that is undefined
// (too few values, a spread of 0) is empty.
struct MeasureEntry {
  std::string station;
  std::string item;
  std::string unit;
  std::optional<double> low;
  std::optional<double> high;
  int64_t n = 0;
  double mean = 0;
  std::optional<double> stdev;
  double min = 0;
  double max = 0;
  int64_t outside = 0;
  std::optional<double> mrBar;
  std::optional<double> cp;
  std::optional<double> cpk;
  std::optional<double> ppk;
  std::optional<std::array<int64_t, kHistogramBins>> histogram;
};

// The entries of the sums of the hours (and parts of hours) of a range: by station, item and
// the first hour of each limit pair. `dropFirstLeads`: the leads of each station's item's first
// hour are taken off (else the caller left out those that reach out of the range).
std::vector<MeasureEntry> CombineSums(const std::map<MeasureKey, MeasureSums>& sums,
                                      bool dropFirstLeads = true);

// Cp, Cpk and Ppk of a mean against limits for the short-term σ (mrBar / 1.128) and the overall
// one (stdev); one-sided when only one limit is there.
void Capability(MeasureEntry& entry);

// The measured values of a run: each item's first row that carries a value, in row order.
std::vector<std::pair<std::string, MeasurePoint>> MeasuredPoints(const RunRecord& run);
std::vector<std::pair<std::string, MeasurePoint>> MeasuredPoints(const std::vector<RunRow>& rows,
                                                                 int64_t startedMs,
                                                                 const std::string& id);

}  // namespace line
