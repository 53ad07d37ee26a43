// What the store keeps beside the hours' sums: days rolled up as texts and summed in order, the
// writer's copy of each station's items, the readers' measured rows of runs.
#include <gtest/gtest.h>

#include <limits>

#include "line/store/MeasureDays.h"
#include "line/store/MeasuredRowsCache.h"
#include "line/store/StationItems.h"

namespace line {
namespace {

PairSums Pair(const std::string& station, const std::string& limits, int64_t hour, double lead,
              double firstLead) {
  PairSums pair{{station, "Charge Current", limits, hour}, {}, firstLead, firstLead != 0};
  MeasureSums& s = pair.sums;
  s.count = 3;
  s.sum = 0.1 + 0.2;
  s.squares = 1e-7;
  s.max = -2.5;
  s.leadRange = lead;
  s.leads = lead != 0;
  s.bins[4] = 3;
  s.unit = "mA";
  return pair;
}

TEST(MeasureDays, ADaysTextGivesItsPairsBackExactlyAndNothingElseIsTakenForOne) {
  std::vector<PairSums> day = {Pair("S-1", "410 490", 3600000, 1.5, 0.25),
                               Pair("S-2", "- 490", 7200000, 0, 0)};
  std::optional<std::string> text = DayText(day);
  ASSERT_TRUE(text);
  std::optional<std::vector<PairSums>> back = PairsOfDay(*text, "");
  ASSERT_TRUE(back);
  ASSERT_EQ(back->size(), 2u);
  const PairSums& p = (*back)[0];
  EXPECT_EQ(p.key, day[0].key);
  EXPECT_EQ(p.sums.sum, 0.1 + 0.2);
  EXPECT_EQ(p.sums.squares, 1e-7);
  EXPECT_FALSE(p.sums.min);
  EXPECT_EQ(p.sums.max, -2.5);
  EXPECT_EQ(p.sums.bins, day[0].sums.bins);
  EXPECT_EQ(p.sums.unit, "mA");
  EXPECT_EQ(std::make_pair(p.firstLeadRange, p.firstLeads), std::make_pair(0.25, int64_t{1}));
  EXPECT_EQ(PairsOfDay(*text, "S-2")->size(), 1u);

  day[1].sums.squares = std::numeric_limits<double>::infinity();
  EXPECT_FALSE(DayText(day));
  for (const char* broken : {"", "{}", "[1]", "[[\"S\"]]", "[{\"a\":1}]", "[[1,2]]"}) {
    EXPECT_FALSE(PairsOfDay(broken, "")) << broken;
  }
  std::string wrongType = *text;
  wrongType.replace(wrongType.find("\"mA\""), 4, "7");
  EXPECT_FALSE(PairsOfDay(wrongType, ""));
  EXPECT_EQ(PairsOfDay("[]", "")->size(), 0u);
}

// A station's item with two limit pairs on its first day: both keep that day's first leads
// apart; the later days' first leads lie inside the stretch.
TEST(MeasureDays, OnlyAStationsItemsFirstDayKeepsItsFirstLeadApart) {
  DaysSum sum;
  sum.Add({Pair("S-1", "410 490", 5 * 3600000LL, 1, 2), Pair("S-1", "410 500", 7 * 3600000LL, 0, 4),
           Pair("S-2", "410 490", 9 * 3600000LL, 1, 8)});
  sum.Add({Pair("S-1", "410 490", 30 * 3600000LL, 16, 32),
           Pair("S-3", "410 490", 31 * 3600000LL, 0, 64)});
  std::vector<PairSums> pairs = std::move(sum).Pairs();
  ASSERT_EQ(pairs.size(), 4u);
  EXPECT_EQ(pairs[0].key.hourMs, 5 * 3600000LL);
  EXPECT_EQ(pairs[0].sums.count, 6);
  EXPECT_EQ(pairs[0].sums.leadRange, 1 + 16 + 32);
  EXPECT_EQ(pairs[0].sums.leads, 1 + 1 + 1);
  EXPECT_EQ(pairs[0].firstLeadRange, 2);
  EXPECT_EQ(pairs[1].firstLeadRange, 4);
  EXPECT_EQ(pairs[2].firstLeadRange, 8);
  EXPECT_EQ(pairs[3].firstLeadRange, 64);
  EXPECT_EQ(pairs[3].sums.leadRange, 0);
}

// A station's row texts give back exactly what was written, whatever the names and settings
// hold, and the texts earlier versions wrote still read. The writer's copy stands for a row only
// while the row holds the text it was made from: items another service wrote are read afresh.
TEST(StationItems, RowTextsGiveTheirValuesBackAndTheCopyFollowsTheRowsText) {
  StationItems items = ItemsOf("");
  EXPECT_TRUE(items.empty());
  items["A\tB\\n"] = {true, "mA", {"410 490", 10, std::nullopt, 20, "r2"}, 0.1 + 0.2, true};
  items["B"] = {false, "", {"W1.0\nx\\t", 10, 15, 20, "r2"}, std::nullopt, true};
  items["C"] = {true, "", {"1 1", 5, std::nullopt, 12, "r1"}, -1e300, true};  // a late item
  std::string first = ChangedItemsText(items);
  EXPECT_EQ(ChangedItemsText(items), "");
  StationItems read = ItemsOf(first);
  ASSERT_EQ(read.size(), 3u);
  for (const auto& [name, state] : items) {
    const ItemState& back = read[name];
    const SettingStreak& s = state.streak;
    EXPECT_EQ(
        std::tie(back.measured, back.unit, back.value, back.streak.setting, back.streak.sinceMs,
                 back.streak.brokenMs, back.streak.latestMs, back.streak.latestId),
        std::tie(state.measured, state.unit, state.value, s.setting, s.sinceMs, s.brokenMs,
                 s.latestMs, s.latestId))
        << name;
  }
  StationItems legacy =
      ItemsOf(R"({"A":{"measured":true,"setting":"3 4","unit":"V","since":1,"broken":null,)"
              R"("latest":9,"latestId":"r9","value":3.5}})");
  EXPECT_EQ(std::tie(legacy["A"].streak.setting, legacy["A"].streak.latestId, legacy["A"].value),
            std::make_tuple(std::string("3 4"), std::string("r9"), std::optional(3.5)));

  PairSums pair = Pair("[S\t1", "410 490", 7200000, 3, 0);
  pair.sums.squares = std::numeric_limits<double>::infinity();
  OpenHour open{{pair.key, pair.sums}};
  std::string openText = OpenText(open);
  OpenHour openRead = OpenSums(openText);
  ASSERT_EQ(openRead.size(), 1u);
  EXPECT_EQ(openRead.begin()->first, pair.key);
  EXPECT_EQ(OpenText(openRead), openText);
  pair.sums.squares = 1e-7;
  EXPECT_EQ(OpenSums(*DayText({pair})).at(pair.key).squares, 1e-7);

  KeptValues<StationItems> kept;
  int parsed = 0;
  auto parse = [&parsed](const std::string& text) {
    ++parsed;
    return ItemsOf(text);
  };
  kept.Put("S-1", first, std::move(items));
  items = kept.Take("S-1", first, parse);
  EXPECT_EQ(parsed, 0);
  items["B"].value = 452;
  items["B"].changed = true;
  std::string second = ChangedItemsText(items);
  kept.Put("S-1", second, std::move(items));
  EXPECT_EQ(kept.Take("S-1", first, parse)["B"].value, std::nullopt);
  EXPECT_EQ(parsed, 1);
  // The copy still stands for its own text until it is taken and not put back (a group that
  // failed): the row's text is then read again.
  EXPECT_EQ(kept.Take("S-1", second, parse)["B"].value, 452);
  EXPECT_EQ(parsed, 1);
  EXPECT_EQ(kept.Take("S-1", second, parse).size(), 3u);
  EXPECT_EQ(parsed, 2);
}

TEST(MeasuredRowsCache, KeepsValuedRowsAndTheRunsAskedForAgain) {
  MeasuredRowsCache cache(4);
  std::vector<RunRow> rows(2);
  rows[0].item = "Charge Current";
  rows[0].value = 450;
  rows[0].expected = "---";
  rows[1].item = "AP Version";
  cache.Keep("S-1", "r1", rows);
  ASSERT_TRUE(cache.Find("S-1", "r1"));
  EXPECT_EQ(cache.Find("S-1", "r1")->size(), 1u);
  EXPECT_FALSE(cache.Find("S-2", "r1"));
  for (const char* id : {"r2", "r3", "r4"}) {
    cache.Keep("S-1", id, rows);
    EXPECT_TRUE(cache.Find("S-1", "r1")) << id;
  }
  EXPECT_FALSE(cache.Find("S-1", "r2"));
}

}  // namespace
}  // namespace line
