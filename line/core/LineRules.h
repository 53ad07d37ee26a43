// The line's rules over stored runs: which run counts as a pass or a failure, what makes a
// phone's first attempt at a station, yield and first-pass yield from counts, the Pareto of
// failing items and the fail-ratio alarm.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "line/core/RunRecord.h"

namespace line {

// Only counted runs enter yield, first-pass yield, Pareto and the alarm: an abandoned or
// stopped run the station did not count says nothing about the phone.
inline bool CountsAsPass(const RunRecord& run) {
  return run.counted && run.outcome == "PASS";
}
inline bool CountsAsFail(const RunRecord& run) {
  return run.counted && run.outcome != "PASS";
}

// What identifies a phone across its runs: the first scanned code of IMEI1, SN1, IMEI2, SN2;
// empty when the run carries none of them (such a run has no first attempt).
std::string PhoneKey(const PhoneCodes& codes);

// Whether attempt A came before attempt B of the same phone at the same station (start time,
// then record id, so two services deciding independently agree).
bool EarlierAttempt(int64_t startedA, const std::string& idA, int64_t startedB,
                    const std::string& idB);

// The items of a counted run's failing rows, each once, in row order.
std::vector<std::string> FailingItems(const RunRecord& run);

// Whether a run can be its phone's first attempt at its station: counted, with a phone code.
bool CanBeFirstAttempt(const RunRecord& run);

struct YieldCounts {
  int64_t counted = 0;
  int64_t passed = 0;
  int64_t firstTested = 0;  // phones whose first counted run at the station started here
  int64_t firstPassed = 0;  // ... and passed it
  YieldCounts& operator+=(const YieldCounts& other);
  bool operator==(const YieldCounts&) const = default;
};

// What a newly stored run adds to the counts of the hour it started in; `first`: it became its
// phone's first attempt at the station.
YieldCounts CountsOfNewRun(const RunRecord& run, bool first);

// A phone's first attempt at a station as the store keeps it.
struct FirstAttempt {
  int64_t startedMs = 0;
  std::string runId;
  bool passed = false;
};

// A stored run of the phone that came earlier than its recorded first attempt (it arrived
// late) takes over: the hour of the old attempt loses a first attempt, the run's hour gains one.
struct FirstAttemptChange {
  FirstAttempt first;  // the new first attempt
  int64_t oldHourMs = 0;
  YieldCounts oldHour;  // to add to the old attempt's hour
  int64_t newHourMs = 0;
  YieldCounts newHour;  // to add to the run's hour
};
std::optional<FirstAttemptChange> TakeOverFirstAttempt(const FirstAttempt& current,
                                                       const RunRecord& run);

struct YieldPoint {
  std::string station;
  int64_t startMs = 0;  // the bucket's start (UTC)
  YieldCounts counts;
};

enum class Bucket { Hour, Day };
std::optional<Bucket> ParseBucket(const std::string& text);

// Hourly points summed into the given buckets (days begin at midnight of `offsetMinutes`
// east of UTC), sorted by station and start. With `station` set, every point is counted for
// that name: the line's total.
std::vector<YieldPoint> Rebucket(const std::vector<YieldPoint>& hourly, Bucket bucket,
                                 int32_t offsetMinutes, const std::string* station = nullptr);

// part / whole; empty when nothing was counted.
std::optional<double> Ratio(int64_t part, int64_t whole);

struct ParetoItem {
  std::string item;
  int64_t fails = 0;
  double share = 0;       // of all failing rows
  double cumulative = 0;  // share of this item and every item ranked above it
};

// Most failures first; equal counts by item name.
std::vector<ParetoItem> RankPareto(std::vector<std::pair<std::string, int64_t>> fails);

// The most frequent items and what the rest add up to: an answer of bounded size however many
// distinct items fail.
inline constexpr size_t kParetoItems = 50;
struct ParetoTop {
  std::vector<ParetoItem> items;  // shares of all failing rows
  int64_t fails = 0;              // all failing rows
  int64_t otherItems = 0;         // items not listed
  int64_t otherFails = 0;         // their failing rows
};
ParetoTop TopPareto(std::vector<std::pair<std::string, int64_t>> fails,
                    size_t count = kParetoItems);

// The station's rule: the fail ratio of its last 1000 counted runs (all of them while it has
// fewer) at or above 0.5 %. Counted in whole runs, so 5 of 1000 raises it and 4 does not.
inline constexpr int64_t kAlarmWindow = 1000;
inline bool FailRatioAlarm(int64_t runs, int64_t fails) {
  return runs > 0 && fails * 200 >= runs;
}

}  // namespace line
