#include "line/core/LineRules.h"

#include <algorithm>
#include <map>

#include "line/core/Timestamp.h"

namespace line {

std::string PhoneKey(const PhoneCodes& codes) {
  for (const std::string* code : {&codes.imei1, &codes.sn1, &codes.imei2, &codes.sn2}) {
    if (!code->empty()) {
      return *code;
    }
  }
  return {};
}

bool EarlierAttempt(int64_t startedA, const std::string& idA, int64_t startedB,
                    const std::string& idB) {
  return startedA != startedB ? startedA < startedB : idA < idB;
}

std::vector<std::string> FailingItems(const RunRecord& run) {
  std::vector<std::string> items;
  if (!run.counted) {
    return items;
  }
  for (const RunRow& row : run.rows) {
    if (row.result == "FAIL" && std::find(items.begin(), items.end(), row.item) == items.end()) {
      items.push_back(row.item);
    }
  }
  return items;
}

bool CanBeFirstAttempt(const RunRecord& run) {
  return run.counted && !PhoneKey(run.codes).empty();
}

YieldCounts CountsOfNewRun(const RunRecord& run, bool first) {
  if (!run.counted) {
    return {};
  }
  int64_t passed = CountsAsPass(run) ? 1 : 0;
  int64_t firstAttempt = first ? 1 : 0;
  return {1, passed, firstAttempt, firstAttempt * passed};
}

std::optional<FirstAttemptChange> TakeOverFirstAttempt(const FirstAttempt& current,
                                                       const RunRecord& run) {
  if (!CanBeFirstAttempt(run) ||
      !EarlierAttempt(run.startedMs, run.id, current.startedMs, current.runId)) {
    return std::nullopt;
  }
  int64_t passed = CountsAsPass(run) ? 1 : 0;
  int64_t wasPassed = current.passed ? 1 : 0;
  return FirstAttemptChange{{run.startedMs, run.id, passed == 1},
                            HourStart(current.startedMs),
                            {0, 0, -1, -wasPassed},
                            HourStart(run.startedMs),
                            {0, 0, 1, passed}};
}

YieldCounts& YieldCounts::operator+=(const YieldCounts& other) {
  counted += other.counted;
  passed += other.passed;
  firstTested += other.firstTested;
  firstPassed += other.firstPassed;
  return *this;
}

std::optional<double> Ratio(int64_t part, int64_t whole) {
  if (whole <= 0) {
    return std::nullopt;
  }
  return static_cast<double>(part) / static_cast<double>(whole);
}

std::vector<ParetoItem> RankPareto(std::vector<std::pair<std::string, int64_t>> fails) {
  std::sort(fails.begin(), fails.end(), [](const auto& a, const auto& b) {
    return a.second != b.second ? a.second > b.second : a.first < b.first;
  });
  int64_t total = 0;
  for (const auto& entry : fails) {
    total += entry.second;
  }
  std::vector<ParetoItem> ranked;
  int64_t running = 0;
  for (auto& [item, count] : fails) {
    running += count;
    ranked.push_back({std::move(item), count, Ratio(count, total).value_or(0),
                      Ratio(running, total).value_or(0)});
  }
  return ranked;
}

ParetoTop TopPareto(std::vector<std::pair<std::string, int64_t>> fails, size_t count) {
  ParetoTop top;
  top.items = RankPareto(std::move(fails));
  for (size_t i = 0; i < top.items.size(); ++i) {
    top.fails += top.items[i].fails;
    if (i >= count) {
      top.otherItems += 1;
      top.otherFails += top.items[i].fails;
    }
  }
  top.items.resize(std::min(count, top.items.size()));
  return top;
}

std::optional<Bucket> ParseBucket(const std::string& text) {
  if (text == "hour") {
    return Bucket::Hour;
  }
  if (text == "day") {
    return Bucket::Day;
  }
  return std::nullopt;
}

}  // namespace line

namespace line {

std::vector<YieldPoint> Rebucket(const std::vector<YieldPoint>& hourly, Bucket bucket,
                                 int32_t offsetMinutes, const std::string* station) {
  std::map<std::pair<std::string, int64_t>, YieldCounts> sums;
  for (const YieldPoint& point : hourly) {
    int64_t start =
        bucket == Bucket::Hour ? HourStart(point.startMs) : DayStart(point.startMs, offsetMinutes);
    sums[{station ? *station : point.station, start}] += point.counts;
  }
  std::vector<YieldPoint> points;
  for (const auto& [key, counts] : sums) {
    points.push_back({key.first, key.second, counts});
  }
  return points;
}

}  // namespace line
