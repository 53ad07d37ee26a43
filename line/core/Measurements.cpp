#include "line/core/Measurements.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <set>

#include "line/core/Timestamp.h"

namespace line {
namespace {

std::string NumberText(const std::optional<double>& number) {
  if (!number) {
    return "-";
  }
  char text[32];
  auto [end, error] = std::to_chars(text, text + sizeof text, *number);
  return error == std::errc() ? std::string(text, end) : "-";
}

std::optional<double> NumberOf(const std::string& text) {
  if (text == "-" || text.empty()) {
    return std::nullopt;
  }
  double number = 0;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
  if (error != std::errc() || end != text.data() + text.size()) {
    return std::nullopt;
  }
  return number;
}

MeasureKey KeyOf(const std::string& station, const std::string& item, const MeasurePoint& point) {
  return {station, item, LimitsKey(point.low, point.high), HourStart(point.startedMs)};
}

bool JudgedAlike(const MeasurePoint& a, const MeasurePoint& b) {
  return a.low == b.low && a.high == b.high;
}

// The range between two consecutive values judged alike, into the later one's sums.
void AddRangeTo(MeasureSums& sums, const MeasurePoint& earlier, const MeasurePoint& later,
                int sign) {
  double range = std::fabs(later.value - earlier.value) * sign;
  if (HourStart(earlier.startedMs) == HourStart(later.startedMs)) {
    sums.rangeSum += range;
    sums.ranges += sign;
  } else {
    sums.leadRange += range;
    sums.leads += sign;
  }
}

// The range between two consecutive values, kept with the later one when both were judged alike.
void AddRange(std::map<MeasureKey, MeasureSums>& changes, const std::string& station,
              const std::string& item, const MeasurePoint& earlier, const MeasurePoint& later,
              int sign) {
  if (JudgedAlike(earlier, later)) {
    AddRangeTo(changes[KeyOf(station, item, later)], earlier, later, sign);
  }
}

// One value's own sums.
MeasureSums PointSums(const MeasurePoint& point) {
  MeasureSums sums;
  double shifted = point.value - SumsCentre(point.low, point.high);
  sums.count = 1;
  sums.sum = shifted;
  sums.squares = shifted * shifted;
  sums.min = point.value;
  sums.max = point.value;
  sums.outside =
      (point.low && point.value < *point.low) || (point.high && point.value > *point.high);
  if (std::optional<size_t> bin = HistogramBin(point.value, point.low, point.high)) {
    sums.bins[*bin] = 1;
  }
  sums.unit = point.unit;
  return sums;
}

}  // namespace

bool EarlierPoint(const MeasurePoint& a, const MeasurePoint& b) {
  return std::tie(a.startedMs, a.runId) < std::tie(b.startedMs, b.runId);
}

std::string LimitsKey(const std::optional<double>& low, const std::optional<double>& high) {
  return NumberText(low) + " " + NumberText(high);
}

std::pair<std::optional<double>, std::optional<double>> ParseLimitsKey(const std::string& key) {
  size_t blank = key.find(' ');
  if (blank == std::string::npos) {
    return {std::nullopt, std::nullopt};
  }
  return {NumberOf(key.substr(0, blank)), NumberOf(key.substr(blank + 1))};
}

std::optional<size_t> HistogramBin(double value, const std::optional<double>& low,
                                   const std::optional<double>& high) {
  if (!low || !high || !(*high > *low)) {
    return std::nullopt;
  }
  double width = (*high - *low) / 10;
  if (value < *low) {
    return value < *low - 2 * width ? 0 : value < *low - width ? 1 : 2;
  }
  if (value <= *high) {
    double inside = std::floor((value - *low) / width);
    return 3 + static_cast<size_t>(std::min(9.0, std::max(0.0, inside)));
  }
  return value <= *high + width ? 13 : value <= *high + 2 * width ? 14 : 15;
}

double SumsCentre(const std::optional<double>& low, const std::optional<double>& high) {
  return low && high ? (*low + *high) / 2 : 0;
}

MeasureSums& MeasureSums::operator+=(const MeasureSums& other) {
  count += other.count;
  sum += other.sum;
  squares += other.squares;
  if (other.min && (!min || *other.min < *min)) {
    min = other.min;
  }
  if (other.max && (!max || *other.max > *max)) {
    max = other.max;
  }
  outside += other.outside;
  rangeSum += other.rangeSum;
  ranges += other.ranges;
  leadRange += other.leadRange;
  leads += other.leads;
  for (size_t i = 0; i < kHistogramBins; ++i) {
    bins[i] += other.bins[i];
  }
  if (!other.unit.empty() || other.count > 0) {
    unit = other.unit;
  }
  return *this;
}

std::map<MeasureKey, MeasureSums> PointChanges(const std::string& station, const std::string& item,
                                               const std::optional<MeasurePoint>& previous,
                                               const MeasurePoint& point,
                                               const std::optional<MeasurePoint>& next) {
  std::map<MeasureKey, MeasureSums> changes;
  changes[KeyOf(station, item, point)] = PointSums(point);
  if (previous && next) {
    AddRange(changes, station, item, *previous, *next, -1);
  }
  if (previous) {
    AddRange(changes, station, item, *previous, point, 1);
  }
  if (next) {
    AddRange(changes, station, item, point, *next, 1);
  }
  return changes;
}

void AddLatestPoint(std::map<MeasureKey, MeasureSums>& into, const std::string& station,
                    const std::string& item, const MeasurePoint* previous,
                    const MeasurePoint& point) {
  MeasureSums& sums = into[KeyOf(station, item, point)];
  sums += PointSums(point);
  if (previous && JudgedAlike(*previous, point)) {
    AddRangeTo(sums, *previous, point, 1);
  }
}

void AddChanges(std::map<MeasureKey, MeasureSums>& into,
                const std::map<MeasureKey, MeasureSums>& changes) {
  for (const auto& [key, sums] : changes) {
    into[key] += sums;
  }
}

std::map<MeasureKey, MeasureSums> SumsOfPoints(
    const std::string& station, const std::vector<std::pair<std::string, MeasurePoint>>& points) {
  std::map<MeasureKey, MeasureSums> sums;
  std::map<std::string, const MeasurePoint*> last;
  for (const auto& [item, point] : points) {
    const MeasurePoint*& previous = last[item];
    AddLatestPoint(sums, station, item, previous, point);
    previous = &point;
  }
  return sums;
}

void Capability(MeasureEntry& entry) {
  auto index = [&entry](const std::optional<double>& sigma) -> std::optional<double> {
    if (!sigma || !(*sigma > 0)) {
      return std::nullopt;
    }
    std::optional<double> upper;
    std::optional<double> lower;
    if (entry.high) {
      upper = (*entry.high - entry.mean) / (3 * *sigma);
    }
    if (entry.low) {
      lower = (entry.mean - *entry.low) / (3 * *sigma);
    }
    if (upper && lower) {
      return std::min(*upper, *lower);
    }
    return upper ? upper : lower;
  };
  std::optional<double> within;
  if (entry.mrBar) {
    within = *entry.mrBar / 1.128;
  }
  entry.cpk = index(within);
  entry.ppk = index(entry.stdev);
  entry.cp.reset();
  if (entry.low && entry.high && within && *within > 0) {
    entry.cp = (*entry.high - *entry.low) / (6 * *within);
  }
}

std::vector<MeasureEntry> CombineSums(const std::map<MeasureKey, MeasureSums>& sums,
                                      bool dropFirstLeads) {
  // Each station's item: its first hour's lead reaches back out of the range.
  std::map<std::pair<std::string, std::string>, int64_t> firstHour;
  for (const auto& [key, part] : sums) {
    auto [at, fresh] = firstHour.try_emplace({key.station, key.item}, key.hourMs);
    if (!fresh) {
      at->second = std::min(at->second, key.hourMs);
    }
  }
  struct Pair {
    int64_t firstHourMs;
    MeasureSums sums;
  };
  std::map<std::tuple<std::string, std::string, std::string>, Pair> pairs;
  for (const auto& [key, part] : sums) {
    MeasureSums counted = part;
    if (dropFirstLeads && key.hourMs == firstHour[{key.station, key.item}]) {
      counted.leadRange = 0;
      counted.leads = 0;
    }
    auto [at, fresh] = pairs.try_emplace({key.station, key.item, key.limits}, Pair{key.hourMs, {}});
    at->second.sums += counted;
  }
  std::vector<std::pair<int64_t, MeasureEntry>> ordered;
  for (const auto& [key, pair] : pairs) {
    const MeasureSums& s = pair.sums;
    if (s.count <= 0) {
      continue;
    }
    MeasureEntry entry;
    entry.station = std::get<0>(key);
    entry.item = std::get<1>(key);
    std::tie(entry.low, entry.high) = ParseLimitsKey(std::get<2>(key));
    entry.unit = s.unit;
    entry.n = s.count;
    double n = static_cast<double>(s.count);
    entry.min = s.min.value_or(0);
    entry.max = s.max.value_or(0);
    entry.outside = s.outside;
    bool equal = entry.min == entry.max;
    entry.mean = equal ? entry.min : SumsCentre(entry.low, entry.high) + s.sum / n;
    if (s.count >= 2) {
      entry.stdev = equal ? 0 : std::sqrt(std::max(0.0, (s.squares - s.sum * s.sum / n) / (n - 1)));
    }
    int64_t ranges = s.ranges + s.leads;
    if (ranges > 0) {
      entry.mrBar = equal ? 0 : std::max(0.0, (s.rangeSum + s.leadRange) / ranges);
    }
    Capability(entry);
    if (HistogramBin(entry.mean, entry.low, entry.high)) {
      entry.histogram = s.bins;
    }
    ordered.emplace_back(pair.firstHourMs, std::move(entry));
  }
  std::stable_sort(ordered.begin(), ordered.end(), [](const auto& a, const auto& b) {
    return std::tie(a.second.station, a.second.item, a.first) <
           std::tie(b.second.station, b.second.item, b.first);
  });
  std::vector<MeasureEntry> entries;
  for (auto& [hour, entry] : ordered) {
    entries.push_back(std::move(entry));
  }
  return entries;
}

std::vector<std::pair<std::string, MeasurePoint>> MeasuredPoints(const std::vector<RunRow>& rows,
                                                                 int64_t startedMs,
                                                                 const std::string& id) {
  std::vector<std::pair<std::string, MeasurePoint>> points;
  std::set<std::string> seen;
  for (const RunRow& row : rows) {
    if (row.value && seen.insert(row.item).second) {
      points.push_back(
          {row.item, {startedMs, id, *row.value, row.low, row.high, row.unit, row.result}});
    }
  }
  return points;
}

std::vector<std::pair<std::string, MeasurePoint>> MeasuredPoints(const RunRecord& run) {
  return MeasuredPoints(run.rows, run.startedMs, run.id);
}

}  // namespace line
