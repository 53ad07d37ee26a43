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

// Every rule of the refresh at, below and above its boundary: the ratio at the end of a block,
// the block's fifth failure, the once-per-block flag, the reset and the pass ratio.
TEST(FailRatioNotice, EveryBoundaryOfTheRefresh) {
  struct Row {
    uint32_t pass, fail, blockFail;
    int32_t shown;
    bool notice, reset;
    uint32_t blockFailAfter;
    int32_t shownAfter, ratio;
  };
  const Row rows[] = {
      {995, 5, 0, 0, false, true, 0, 0, 99},    // end of block, 5 in 1000 cuts to 4
      {994, 6, 6, 1, true, true, 0, 0, 99},     // 6 per mille: noticed again, block anew
      {1989, 11, 0, 0, true, true, 0, 0, 99},   // exactly 5 per mille
      {1990, 10, 0, 0, false, true, 0, 0, 99},  // 4 per mille
      {2984, 16, 3, 1, true, true, 0, 0, 99},   // 5 per mille, flag of the old block cleared
      {990, 9, 0, 0, false, false, 0, 0, 99},   // 999 runs: no block end
      {992, 9, 0, 0, false, false, 0, 0, 99},   // 1001 runs
      {990, 10, 10, 0, true, true, 0, 0, 99},   // the ratio alone decides at the block end
      {995, 5, 7, 0, false, true, 0, 0, 99},    // the block count is gone before it is judged
      {1, 0, 4, 0, false, false, 4, 0, 100},    // four failures in the block
      {1, 1, 5, 0, true, false, 5, 1, 50},      // the fifth
      {1, 2, 6, 0, true, false, 6, 1, 33},      // beyond five, not yet shown
      {1, 2, 5, 1, false, false, 5, 1, 33},     // shown already
      {0, 1, 6, 1, false, false, 6, 1, 0},      // once per block
      {999, 1, 1, 0, false, true, 0, 0, 99},    // 1 in 1000
      {0, 0, 9, 1, false, true, 0, 0, 0},       // start-up and Clear
      {2, 1, 0, 0, false, false, 0, 0, 66},     // the pass ratio is cut, not rounded
      {199, 1, 0, 0, false, false, 0, 0, 99},
      {4000000000u, 4000000000u, 0, 0, true, true, 0, 0, 50},  // 8e9 runs: no wrapped sum
  };
  for (const Row& row : rows) {
    CounterState state{row.pass, row.fail, row.blockFail, row.shown};
    CounterRefresh refresh = RefreshCounters(state);
    SCOPED_TRACE(testing::Message() << row.pass << "/" << row.fail << " block " << row.blockFail
                                    << " shown " << row.shown);
    EXPECT_EQ(refresh.notice, row.notice);
    EXPECT_EQ(refresh.blockReset, row.reset);
    EXPECT_EQ(state.blockFailCount, row.blockFailAfter);
    EXPECT_EQ(state.noticeShown, row.shownAfter);
    EXPECT_EQ(refresh.ratioPercent, row.ratio);
    EXPECT_EQ(state.passCount, row.pass);
    EXPECT_EQ(state.failCount, row.fail);
  }
  EXPECT_EQ(FormatCounterText(L"Pass Ratio: %d%%", 99), L"Pass Ratio: 99%");
}

TEST(FailRatioNotice, PerMilleIsCutInSinglePrecision) {
  const uint32_t cases[][3] = {{5, 1000, 4},  {6, 1000, 6},  {10, 2000, 4},      {11, 2000, 5},
                               {15, 3000, 4}, {16, 3000, 5}, {1000, 1000, 1000}, {0, 0, 0}};
  for (const auto& c : cases) {
    EXPECT_EQ(FailPerMille(c[0], c[1]), static_cast<int32_t>(c[2])) << c[0] << "/" << c[1];
  }
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
  EXPECT_EQ(FormatCounterText(L"100%%", 1), L"100%%") << "no number: the format as it is";
  EXPECT_EQ(FormatCounterText(L"%d%", 1), L"%d%");
  EXPECT_EQ(FormatCounterText(L"%d", -5), L"-5");
}

}  // namespace
