// What the store keeps beside the hours' sums: days rolled up as texts and summed in order, the
// writer's copy of each station's items, the readers' measured rows of runs.
#include <gtest/gtest.h>

#include <limits>
#include <nlohmann/json.hpp>

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

// The writer's copy stands for a row only while the row holds the text it was made from: items
// another service wrote are read afresh, an item the group left alone stays in the text.
TEST(StationItems, WritesOnlyWhatChangedAndTheCopyFollowsTheRowsText) {
  ItemsInRow row = ItemsOfRowText("");
  EXPECT_TRUE(row.items.empty());
  row.items["A"] = {true, "mA", {"410 490", 10, std::nullopt, 20, "r2"}, 450.5, true};
  row.items["B"] = {false, "", {"W1.0", 10, std::nullopt, 20, "r2"}, std::nullopt, true};
  std::string first = ChangedItemsText(row);
  EXPECT_EQ(ItemsOf(first).size(), 2u);

  KeptValues<ItemsInRow> kept;
  int parsed = 0;
  auto parse = [&parsed](const std::string& text) {
    ++parsed;
    return ItemsOfRowText(text);
  };
  kept.Put("S-1", first, std::move(row));
  row = kept.Take("S-1", first, parse);
  EXPECT_EQ(parsed, 0);
  row.items["A"].value = 452;
  row.items["A"].streak.latestMs = 30;
  row.items["A"].changed = true;
  std::string second = ChangedItemsText(row);
  StationItems read = ItemsOf(second);
  EXPECT_EQ(read["A"].value, 452);
  EXPECT_EQ(read["B"].streak.setting, "W1.0");
  EXPECT_EQ(ChangedItemsText(row), "");

  kept.Put("S-1", second, std::move(row));
  nlohmann::json other = nlohmann::json::parse(second);
  other["A"]["value"] = 460;
  EXPECT_EQ(kept.Take("S-1", other.dump(), parse).items["A"].value, 460);
  EXPECT_EQ(parsed, 1);
  // The copy still stands for its own text until it is taken and not put back (a group that
  // failed): the row's text is then read again.
  EXPECT_EQ(kept.Take("S-1", second, parse).items.size(), 2u);
  EXPECT_EQ(parsed, 1);
  EXPECT_EQ(kept.Take("S-1", second, parse).items.size(), 2u);
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
