// The counters of the main window and the fail-ratio notice over blocks of 1000 runs.
#include <gtest/gtest.h>

#include "station/app/core/CounterRefresh.h"

namespace {

// A station that counts runs one by one as the worker does and refreshes after each, as the
// end-of-run message does. Returns the notices shown after each run.
struct Line {
  CounterState state;
  int notices = 0;

  int Run(bool passed) {
    if (passed) {
      ++state.passCount;
    } else {
      ++state.failCount;
      ++state.blockFailCount;
    }
    int shown = RefreshCounters(state).notice ? 1 : 0;
    notices += shown;
    return shown;
  }
};

TEST(FailRatioNotice, FiveFailuresInABlockNoticeOnceAtTheFifthFailureAndNotAtTheThousandth) {
  Line line;
  for (int i = 0; i < 990; ++i) {
    ASSERT_EQ(line.Run(true), 0);
  }
  EXPECT_EQ(line.Run(false) + line.Run(false) + line.Run(false) + line.Run(false), 0);
  EXPECT_EQ(line.Run(false), 1) << "the fifth failure of the block";
  EXPECT_EQ(line.state.noticeShown, 1);
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(line.Run(true), 0);
  }
  // Run 1000: 5 in 1000 as a float times 1000 cuts to 4.
  EXPECT_EQ(line.Run(true), 0);
  EXPECT_EQ(line.notices, 1);
  EXPECT_EQ(line.state.blockFailCount, 0u);
  EXPECT_EQ(line.state.noticeShown, 0);
}

TEST(FailRatioNotice, SixFailuresNoticeAgainAtTheThousandthRun) {
  CounterState state;
  state.passCount = 993;
  state.failCount = 6;
  state.blockFailCount = 6;
  state.noticeShown = 1;
  EXPECT_FALSE(RefreshCounters(state).notice);
  ++state.passCount;  // 994 / 6
  CounterRefresh refresh = RefreshCounters(state);
  EXPECT_TRUE(refresh.notice);
  EXPECT_TRUE(refresh.blockReset);
  EXPECT_EQ(state.noticeShown, 0);
}

TEST(FailRatioNotice, NoneForOneFailureInAThousandAndTheRatioShows99) {
  CounterState state;
  state.passCount = 999;
  state.failCount = 1;
  state.blockFailCount = 1;
  CounterRefresh refresh = RefreshCounters(state);
  EXPECT_FALSE(refresh.notice);
  EXPECT_EQ(refresh.ratioPercent, 99);
  EXPECT_EQ(FormatCounterText(L"Pass Ratio: %d%%", refresh.ratioPercent), L"Pass Ratio: 99%");
}

TEST(FailRatioNotice, AtTheEndOfABlockTheRatioDecidesAndTheNextBlockCountsAnew) {
  // At run 1000 the ratio alone decides (the block's own count starts again first); a block
  // that has counted five failures shows its notice once.
  CounterState state;
  state.passCount = 990;
  state.failCount = 10;
  state.blockFailCount = 10;
  state.noticeShown = 0;
  CounterRefresh refresh = RefreshCounters(state);
  EXPECT_TRUE(refresh.notice);
  EXPECT_EQ(state.blockFailCount, 0u);
  state.passCount = 1;
  state.failCount = 0;
  state.blockFailCount = 7;
  state.noticeShown = 0;
  EXPECT_TRUE(RefreshCounters(state).notice);
  EXPECT_FALSE(RefreshCounters(state).notice) << "shown once per block";
}

TEST(FailRatioNotice, PerMilleIsCutInSinglePrecision) {
  EXPECT_EQ(FailPerMille(5, 1000), 4);
  EXPECT_EQ(FailPerMille(6, 1000), 6);
  EXPECT_EQ(FailPerMille(10, 2000), 4);
  EXPECT_EQ(FailPerMille(1000, 1000), 1000);
  EXPECT_EQ(FailPerMille(0, 0), 0);
}

TEST(CounterRefresh, StartsAtZeroWithoutANoticeAndResetsTheBlock) {
  CounterState state;
  state.blockFailCount = 9;
  state.noticeShown = 1;
  CounterRefresh refresh = RefreshCounters(state);
  EXPECT_FALSE(refresh.notice);
  EXPECT_EQ(refresh.ratioPercent, 0);
  EXPECT_EQ(state.blockFailCount, 0u);
  EXPECT_EQ(state.noticeShown, 0);
}

TEST(CounterRefresh, RatioOfPassesCutDownInIntegersAndTotalBeyond32Bits) {
  CounterState state;
  // {passes, fails, per cent}: a float ratio times 100 would show 69, 89 and 28.
  const uint32_t cases[][3] = {{2, 1, 66}, {7, 3, 70}, {9, 1, 90}, {29, 71, 29}, {57, 43, 57}};
  for (const auto& c : cases) {
    state.passCount = c[0];
    state.failCount = c[1];
    EXPECT_EQ(RefreshCounters(state).ratioPercent, static_cast<int32_t>(c[2])) << c[0];
  }
  state.passCount = 4000000000u;  // passes * 100 needs 64 bits
  state.failCount = 1;
  EXPECT_EQ(RefreshCounters(state).ratioPercent, 99);
  state.passCount = 4000000000u;
  state.failCount = 4000000000u;
  CounterRefresh refresh = RefreshCounters(state);
  EXPECT_EQ(refresh.ratioPercent, 50);
  EXPECT_TRUE(refresh.blockReset) << "8e9 runs is a multiple of 1000, not a wrapped sum";
}

TEST(ScanPreparation, ClearOrStartUpKeepTheCodesOfARunOrSeriesUnderWay) {
  EXPECT_TRUE(PrepareOutsideRun(true, false, 0, 1));
  EXPECT_TRUE(PrepareOutsideRun(true, false, 2, 3)) << "a series of three not yet begun";
  EXPECT_FALSE(PrepareOutsideRun(false, false, 0, 1)) << "scanner mode off";
  EXPECT_FALSE(PrepareOutsideRun(true, true, 0, 1)) << "a run is active";
  EXPECT_FALSE(PrepareOutsideRun(true, false, 1, 3)) << "between the runs of a series";
  EXPECT_FALSE(PrepareOutsideRun(true, false, 0, 3)) << "before the last run of a series";
}

TEST(CounterTexts, FormatTheStringTableEntries) {
  EXPECT_EQ(FormatCounterText(L"Pass: %d", 12), L"Pass: 12");
  EXPECT_EQ(FormatCounterText(L"Fail: %d", 4294967295LL), L"Fail: 4294967295");
  EXPECT_EQ(FormatCounterText(L"Pass Ratio: %d%%", 100), L"Pass Ratio: 100%");
  // A damaged format never reads an argument that is not there.
  EXPECT_EQ(FormatCounterText(L"Pass: %s", 1), L"Pass: %s");
  EXPECT_EQ(FormatCounterText(L"%d %d", 1), L"%d %d");
  EXPECT_EQ(FormatCounterText(L"Pass", 1), L"Pass");
}

}  // namespace
