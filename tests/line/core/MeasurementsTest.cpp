// Measurement statistics on small hand-computed sets: the figures of a range, undefined ones,
// a limit change inside the range, values arriving out of order, the control chart's rules,
// drift and the line's reference setting.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>

#include "line/core/ControlChart.h"
#include "line/core/Drift.h"
#include "line/core/JudgedSettings.h"
#include "line/core/Measurements.h"
#include "line/core/Timestamp.h"

namespace line {
namespace {

constexpr int64_t kStart = 1797120000000;  // 2026-12-13T00:00:00Z, a whole hour

using Points = std::vector<std::pair<std::string, MeasurePoint>>;

// Values of one item a minute apart from `firstMinute`, judged against `low`-`high`.
Points Values(const std::vector<double>& values, double low, double high, int firstMinute = 0) {
  Points points;
  for (size_t i = 0; i < values.size(); ++i) {
    int64_t started = kStart + (firstMinute + static_cast<int64_t>(i)) * 60000;
    points.push_back(
        {"Charge Current",
         {started, "run-" + std::to_string(started), values[i], low, high, "mA", "PASS"}});
  }
  return points;
}

std::vector<MeasureEntry> Figures(const Points& points) {
  return CombineSums(SumsOfPoints("ST-A", points));
}

TEST(Measurements, FiguresOfHandComputedSets) {
  // 10 12 11 13 against 0-20: mean 11.5, s = sqrt(5/3), moving ranges 2 1 2.
  std::vector<MeasureEntry> entries = Figures(Values({10, 12, 11, 13}, 0, 20));
  ASSERT_EQ(entries.size(), 1u);
  const MeasureEntry& e = entries[0];
  EXPECT_EQ(e.n, 4);
  EXPECT_DOUBLE_EQ(e.mean, 11.5);
  EXPECT_NEAR(*e.stdev, 1.2909944487, 1e-9);
  EXPECT_NEAR(*e.mrBar, 5.0 / 3, 1e-12);
  EXPECT_NEAR(*e.cp, 2.256, 1e-9);
  EXPECT_NEAR(*e.cpk, 1.9176, 1e-9);
  EXPECT_NEAR(*e.ppk, 2.1946905629, 1e-9);
  EXPECT_EQ(std::tie(e.min, e.max, e.outside), std::make_tuple(10.0, 13.0, int64_t{0}));
  // Bins of 2 inside 0-20: 10 and 11 in the sixth, 12 and 13 in the seventh.
  std::array<int64_t, kHistogramBins> bins{};
  bins[8] = 2;
  bins[9] = 2;
  EXPECT_EQ(*e.histogram, bins);

  // One value: nothing but the mean. Equal values: no spread, no index.
  MeasureEntry one = Figures(Values({7}, 0, 20)).at(0);
  EXPECT_FALSE(one.stdev || one.mrBar || one.cp || one.cpk || one.ppk);
  MeasureEntry equal = Figures(Values({4.1, 4.1, 4.1}, 0, 20)).at(0);
  EXPECT_EQ(std::tie(*equal.stdev, *equal.mrBar, equal.mean), std::make_tuple(0.0, 0.0, 4.1));
  EXPECT_FALSE(equal.cp || equal.cpk || equal.ppk);
  // Outside is strict; one limit gives a one-sided Cpk and no Cp.
  MeasureEntry outside = Figures(Values({-1, 0, 20, 21}, 0, 20)).at(0);
  EXPECT_EQ(outside.outside, 2);
  Points upperOnly = Values({1, 3}, 0, 10);
  for (auto& [item, point] : upperOnly) {
    point.low.reset();
  }
  MeasureEntry oneSided = Figures(upperOnly).at(0);
  EXPECT_FALSE(oneSided.cp || oneSided.histogram);
  EXPECT_NEAR(*oneSided.cpk, (10 - 2) / (3 * (2 / 1.128)), 1e-12);
}

// A station whose limits changed and changed back: each pair has its own entry, and a range
// across a change belongs to neither.
TEST(Measurements, ALimitChangeSplitsTheEntries) {
  Points points = Values({10, 12}, 0, 20);
  for (auto& point : Values({30, 34}, 0, 40, 2)) {
    points.push_back(point);
  }
  points.push_back(Values({11}, 0, 20, 4)[0]);
  std::vector<MeasureEntry> entries = Figures(points);
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(std::tie(entries[0].high, entries[0].n), std::make_tuple(std::optional(20.0), 3));
  EXPECT_DOUBLE_EQ(*entries[0].mrBar, 2);
  EXPECT_EQ(std::tie(entries[1].high, entries[1].n), std::make_tuple(std::optional(40.0), 2));
  EXPECT_DOUBLE_EQ(*entries[1].mrBar, 4);
}

// Values over three hours, added in any order with their neighbours at the time (as the store
// finds them), sum to what they sum to in order; a range of hours drops the lead of its first.
TEST(Measurements, ValuesArrivingLateSumAsInOrder) {
  std::vector<double> values;
  for (int i = 0; i < 40; ++i) {
    values.push_back(100 + (i * 37 % 11) - (i > 25 ? 9 : 0));
  }
  Points points = Values(values, 90, 120, 0);
  for (size_t i = 0; i < points.size(); ++i) {  // spread over three hours
    points[i].second.startedMs += static_cast<int64_t>(i / 14) * kHourMs;
    if (i >= 18 && i < 22) {
      points[i].second.high = 130;  // for a while another limit pair
    }
  }
  std::vector<MeasureEntry> inOrder = Figures(points);
  std::mt19937 random(3);
  for (int round = 0; round < 5; ++round) {
    std::vector<size_t> order(points.size());
    for (size_t i = 0; i < order.size(); ++i) {
      order[i] = i;
    }
    std::shuffle(order.begin(), order.end(), random);
    std::map<MeasureKey, MeasureSums> sums;
    std::set<size_t> added;
    for (size_t i : order) {
      std::optional<MeasurePoint> previous;
      std::optional<MeasurePoint> next;
      auto after = added.upper_bound(i);
      if (after != added.begin()) {
        previous = points[*std::prev(after)].second;
      }
      if (after != added.end()) {
        next = points[*after].second;
      }
      AddChanges(sums, PointChanges("ST-A", "Charge Current", previous, points[i].second, next));
      added.insert(i);
    }
    std::vector<MeasureEntry> shuffled = CombineSums(sums);
    ASSERT_EQ(shuffled.size(), inOrder.size());
    for (size_t e = 0; e < inOrder.size(); ++e) {
      EXPECT_EQ(shuffled[e].n, inOrder[e].n);
      EXPECT_NEAR(*shuffled[e].mrBar, *inOrder[e].mrBar, 1e-9);
      EXPECT_NEAR(*shuffled[e].stdev, *inOrder[e].stdev, 1e-9);
    }
  }
}

TEST(ControlChart, TheFourRulesSignalWhereTheirPatternCompletes) {
  struct Case {
    std::vector<double> values;
    std::vector<ChartSignal> signals;
  };
  const Case cases[] = {
      // Centre 0, σ = 1.0835: nine points above (rule 4 at the 8th and 9th), the 3s beyond 2σ,
      // all beyond 1σ; then nine below and one on the centre, which ends the run.
      {{2, 3, 2, 3, 2, 3, 2, 3, 2, -2, -3, -2, -3, -2, -3, -2, -3, -2, 0},
       {{3, 2},  {4, 3},  {5, 2},  {5, 3},  {6, 3},  {7, 2},  {7, 3},  {7, 4},
        {8, 3},  {8, 4},  {9, 3},  {12, 2}, {12, 3}, {13, 3}, {14, 2}, {14, 3},
        {15, 3}, {16, 2}, {16, 3}, {16, 4}, {17, 3}, {17, 4}, {18, 3}}},
      // A calm line and one point far off: rule 1 alone.
      {{0, 1, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1, 10}, {{20, 1}}},
      {{5, 5, 5, 5, 5, 5, 5, 5, 5}, {}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ChartOf(c.values).signals, c.signals);
  }
  ControlChart calm = ChartOf(cases[1].values);
  EXPECT_NEAR(*calm.mrBar, 1.4, 1e-12);
  EXPECT_NEAR(*calm.ucl, 20.0 / 21 + 2.66 * 1.4, 1e-12);
  ControlChart one = ChartOf({3});
  EXPECT_EQ(one.center, 3);
  EXPECT_FALSE(one.mrBar || one.ucl || one.lcl);
}

TEST(Measurements, DriftAndTheLinesReference) {
  MeasureEntry wide = Figures(Values({10, 12, 11, 13}, 0, 20)).at(0);
  MeasureEntry tight = Figures(Values({10, 12, 11, 13}, 9, 14)).at(0);
  ASSERT_LT(*tight.cpk, 1.0);
  std::map<std::string, std::string> limits{{"Charge Current", LimitsKey(9, 14)}};
  EXPECT_EQ(DriftingItems({tight}, limits, {}), std::vector<std::string>{"Charge Current"});
  // Only the entry of the limits the station judges with now counts.
  EXPECT_TRUE(DriftingItems({tight}, {{"Charge Current", LimitsKey(0, 20)}}, {}).empty());
  EXPECT_TRUE(DriftingItems({wide}, {{"Charge Current", LimitsKey(0, 20)}}, {}).empty());
  std::vector<double> spike = {0, 1, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1, 10};
  EXPECT_EQ(DriftingItems({}, {}, {{"Power On Current", spike}}),
            std::vector<std::string>{"Power On Current"});

  // Two stations against one: the two win; a tie goes to the setting used last.
  EXPECT_EQ(ReferenceSetting({{"A", "x", 5}, {"B", "y", 9}, {"C", "x", 1}}), "x");
  EXPECT_EQ(ReferenceSetting({{"A", "x", 5}, {"B", "y", 9}}), "y");
}

// A station's streak of one setting: a late run with another setting inside it splits it, one
// just before it with the same setting extends it.
TEST(JudgedSettings, StreaksFollowRunsInStartOrderWhateverOrderTheyArrive) {
  auto never = [] { return int64_t{-1}; };
  std::optional<SettingStreak> s = NextStreak(std::nullopt, "W1", 100, "a", never);
  s = NextStreak(s, "W0", 200, "b", never);
  s = NextStreak(s, "W0", 300, "c", never);
  EXPECT_EQ(std::tie(s->setting, s->sinceMs, *s->brokenMs), std::make_tuple("W0", 200, 100));
  s = NextStreak(s, "W0", 150, "d", never);  // late, between the break and the streak
  EXPECT_EQ(s->sinceMs, 150);
  s = NextStreak(s, "W1", 250, "e", [] { return int64_t{300}; });  // late, inside
  EXPECT_EQ(std::tie(s->sinceMs, *s->brokenMs, s->latestMs), std::make_tuple(300, 250, 300));
  s = NextStreak(s, "W1", 120, "f", never);  // late, before the break: nothing changes
  EXPECT_EQ(std::tie(s->sinceMs, *s->brokenMs), std::make_tuple(300, 250));
}

}  // namespace
}  // namespace line
