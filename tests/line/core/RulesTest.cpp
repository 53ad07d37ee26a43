// The line's rules on small hand-computed sets: what counts, first attempts, buckets, the
// Pareto ranking and the fail-ratio alarm at its edges.
#include <gtest/gtest.h>

#include "line/core/LineRules.h"
#include "line/core/Timestamp.h"
#include "tests/line/support/Records.h"

namespace line {
namespace {

TEST(LineRules, OnlyCountedRunsPassOrFailAndOnlyTheirFailingRowsCount) {
  RunRecord pass = test::Run({});
  RunRecord fail = test::Run({.outcome = "FAIL", .failing = {"SIM Card", "T Card"}});
  RunRecord timeout = test::Run({.outcome = "TIMEOUT", .counted = false, .failing = {"SIM Card"}});
  RunRecord countedTimeout = test::Run({.outcome = "TIMEOUT"});
  EXPECT_TRUE(CountsAsPass(pass));
  EXPECT_FALSE(CountsAsFail(pass));
  EXPECT_TRUE(CountsAsFail(fail));
  EXPECT_FALSE(CountsAsPass(timeout));
  EXPECT_FALSE(CountsAsFail(timeout));
  EXPECT_TRUE(CountsAsFail(countedTimeout));
  EXPECT_EQ(FailingItems(fail), (std::vector<std::string>{"SIM Card", "T Card"}));
  EXPECT_TRUE(FailingItems(timeout).empty());
  fail.rows.push_back(fail.rows[8]);  // the same item twice is one failing item of the run
  EXPECT_EQ(FailingItems(fail).size(), 2u);
}

TEST(LineRules, APhoneIsKnownByItsFirstScannedCode) {
  EXPECT_EQ(PhoneKey({.imei1 = "I1", .imei2 = "I2", .sn1 = "S1"}), "I1");
  EXPECT_EQ(PhoneKey({.imei2 = "I2", .sn1 = "S1"}), "S1");
  EXPECT_EQ(PhoneKey({.imei2 = "I2", .sn2 = "S2"}), "I2");
  EXPECT_EQ(PhoneKey({.sn2 = "S2", .bt = "B"}), "S2");
  EXPECT_EQ(PhoneKey({.bt = "B", .wifi = "W"}), "");
  EXPECT_TRUE(EarlierAttempt(1, "b", 2, "a"));
  EXPECT_TRUE(EarlierAttempt(2, "a", 2, "b"));
  EXPECT_FALSE(EarlierAttempt(2, "b", 2, "a"));
  EXPECT_FALSE(EarlierAttempt(2, "a", 2, "a"));
}

TEST(LineRules, TheAlarmRaisesAtHalfAPercentOfTheLastThousandCountedRuns) {
  EXPECT_FALSE(FailRatioAlarm(1000, 4));
  EXPECT_TRUE(FailRatioAlarm(1000, 5));  // where the station's float arithmetic says 4.99
  EXPECT_TRUE(FailRatioAlarm(1000, 6));
  EXPECT_TRUE(FailRatioAlarm(200, 1));
  EXPECT_FALSE(FailRatioAlarm(201, 1));
  EXPECT_TRUE(FailRatioAlarm(1, 1));
  EXPECT_FALSE(FailRatioAlarm(0, 0));
  EXPECT_EQ(Ratio(1, 0), std::nullopt);
  EXPECT_EQ(Ratio(3, 4), 0.75);
}

TEST(LineRules, TheParetoRanksItemsByFailuresWithTheirCumulativeShare) {
  std::vector<ParetoItem> ranked =
      RankPareto({{"T Card", 1}, {"SIM Card", 5}, {"Charge Current", 2}, {"AP Version", 2}});
  ASSERT_EQ(ranked.size(), 4u);
  const std::pair<const char*, int64_t> order[] = {
      {"SIM Card", 5}, {"AP Version", 2}, {"Charge Current", 2}, {"T Card", 1}};
  const double cumulative[] = {0.5, 0.7, 0.9, 1.0};
  for (size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(ranked[i].item, order[i].first);
    EXPECT_EQ(ranked[i].fails, order[i].second);
    EXPECT_DOUBLE_EQ(ranked[i].cumulative, cumulative[i]);
  }
  EXPECT_DOUBLE_EQ(ranked[0].share, 0.5);
  EXPECT_DOUBLE_EQ(ranked[3].share, 0.1);
  EXPECT_TRUE(RankPareto({}).empty());

  // However many items fail, 50 are listed; the rest is one count beside them.
  std::vector<std::pair<std::string, int64_t>> many;
  for (int i = 0; i < 512; ++i) {
    many.emplace_back("item " + std::to_string(i), i < 50 ? 3 : 1);
  }
  ParetoTop top = TopPareto(many);
  ASSERT_EQ(top.items.size(), kParetoItems);
  EXPECT_EQ(top.items.back().fails, 3);
  EXPECT_EQ(top.fails, 50 * 3 + 462);
  EXPECT_EQ(top.otherItems, 462);
  EXPECT_EQ(top.otherFails, 462);
  EXPECT_DOUBLE_EQ(top.items.back().cumulative, 150.0 / 612);
}

// What a newly stored run adds to its hour, and how a late earlier attempt of a phone moves its
// first attempt: the bookkeeping both stores do with these functions.
TEST(LineRules, ANewRunCountsInItsHourAndAnEarlierAttemptTakesOverTheFirst) {
  RunRecord pass = test::Run({.started = "2026-12-09T10:05:00.000+08:00"});
  RunRecord fail = test::Run({.started = "2026-12-09T09:10:00.000+08:00", .outcome = "FAIL"});
  RunRecord uncounted = test::Run({.outcome = "ABANDONED", .counted = false});
  RunRecord noPhone =
      test::Run({.started = "2026-12-09T08:00:00.000+08:00", .imei1 = "", .sn1 = ""});
  noPhone.codes.imei2.clear();
  EXPECT_EQ(CountsOfNewRun(pass, true), (YieldCounts{1, 1, 1, 1}));
  EXPECT_EQ(CountsOfNewRun(fail, true), (YieldCounts{1, 0, 1, 0}));
  EXPECT_EQ(CountsOfNewRun(pass, false), (YieldCounts{1, 1, 0, 0}));
  EXPECT_EQ(CountsOfNewRun(uncounted, false), (YieldCounts{}));
  EXPECT_TRUE(CanBeFirstAttempt(pass));
  EXPECT_FALSE(CanBeFirstAttempt(uncounted));
  EXPECT_FALSE(CanBeFirstAttempt(noPhone));

  FirstAttempt first{pass.startedMs, pass.id, true};
  std::optional<FirstAttemptChange> change = TakeOverFirstAttempt(first, fail);
  ASSERT_TRUE(change);
  EXPECT_EQ(change->first.runId, fail.id);
  EXPECT_FALSE(change->first.passed);
  EXPECT_EQ(change->oldHourMs, HourStart(pass.startedMs));
  EXPECT_EQ(change->oldHour, (YieldCounts{0, 0, -1, -1}));
  EXPECT_EQ(change->newHourMs, HourStart(fail.startedMs));
  EXPECT_EQ(change->newHour, (YieldCounts{0, 0, 1, 0}));
  EXPECT_FALSE(TakeOverFirstAttempt(change->first, pass));  // later: no change
  EXPECT_FALSE(TakeOverFirstAttempt(first, noPhone));       // earlier, but no first attempt
}

TEST(LineRules, HoursAddUpToTheDaysOfTheLinesClock) {
  int64_t day = *ParseTimestamp("2026-12-09T00:00:00+08:00");
  std::vector<YieldPoint> hourly = {
      {"A", day - kHourMs, {4, 3, 2, 1}},       // 23:00 local, the day before
      {"A", day, {10, 9, 8, 7}},                // 00:00 local
      {"A", day + 15 * kHourMs, {5, 5, 5, 5}},  // 15:00 local: still the same day
      {"B", day + 2 * kHourMs, {1, 0, 1, 0}},
  };
  std::vector<YieldPoint> days = Rebucket(hourly, Bucket::Day, 480);
  ASSERT_EQ(days.size(), 3u);
  EXPECT_EQ(days[0].station, "A");
  EXPECT_EQ(days[0].startMs, day - kDayMs);
  EXPECT_EQ(days[0].counts.counted, 4);
  EXPECT_EQ(days[1].startMs, day);
  EXPECT_EQ(days[1].counts.counted, 15);
  EXPECT_EQ(days[1].counts.passed, 14);
  EXPECT_EQ(days[1].counts.firstTested, 13);
  EXPECT_EQ(days[1].counts.firstPassed, 12);
  EXPECT_EQ(days[2].station, "B");
  // In UTC the same hours fall on other days.
  EXPECT_EQ(Rebucket(hourly, Bucket::Day, 0).size(), 3u);
  EXPECT_EQ(Rebucket(hourly, Bucket::Day, 0)[1].counts.counted, 5);
  const std::string line = "(line)";
  std::vector<YieldPoint> total = Rebucket(hourly, Bucket::Day, 480, &line);
  ASSERT_EQ(total.size(), 2u);
  EXPECT_EQ(total[1].counts.counted, 16);
  EXPECT_EQ(Rebucket(hourly, Bucket::Hour, 480).size(), 4u);
  EXPECT_EQ(DayStart(day - 1, 480), day - kDayMs);
  EXPECT_EQ(HourStart(day + kHourMs + 59 * 60000), day + kHourMs);
}

}  // namespace
}  // namespace line
