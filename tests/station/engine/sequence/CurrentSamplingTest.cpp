#include "station/engine/core/CurrentSampling.h"

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

// A supply that answers with scripted readings and results, one pair per call.
struct ScriptedSupply {
  std::vector<float> readings;
  std::vector<int32_t> results;
  size_t calls = 0;

  void operator()(float& reading, int32_t& result) {
    if (calls < readings.size()) {
      reading = readings[calls];
    }
    result = calls < results.size() ? results[calls] : 0;
    ++calls;
  }
};

std::string Format(bool valid, float value, size_t size = 32) {
  std::vector<char> out(size, 'x');
  FormatCurrentValue(valid, value, out.data(), out.size());
  return std::string(out.data());
}

}  // namespace

TEST(CurrentReading, ValidRangeIsInclusiveAndRejectsNan) {
  EXPECT_TRUE(IsValidCurrentReading(0.0f));
  EXPECT_TRUE(IsValidCurrentReading(999999.0f));
  EXPECT_FALSE(IsValidCurrentReading(-0.01f));
  EXPECT_FALSE(IsValidCurrentReading(1000000.0f));
  EXPECT_FALSE(IsValidCurrentReading(std::numeric_limits<float>::quiet_NaN()));
  EXPECT_FALSE(IsValidCurrentReading(std::numeric_limits<float>::infinity()));
}

TEST(CurrentSampling, AveragesAllValidReadings) {
  ScriptedSupply supply{{1.0f, 2.0f, 3.0f, 4.0f, 5.0f, 6.0f, 7.0f, 8.0f, 9.0f, 10.0f}, {}};
  CurrentSamples samples = SampleCurrents(10, 0, std::ref(supply));
  EXPECT_EQ(supply.calls, 10u);
  EXPECT_EQ(samples.counted, 10);
  EXPECT_EQ(samples.result, 0);
  float average = 0.0f;
  ASSERT_TRUE(AverageCurrent(samples, &average));
  EXPECT_FLOAT_EQ(average, 5.5f);
}

TEST(CurrentSampling, InvalidReadingsAddZeroAndAreNotCounted) {
  ScriptedSupply supply{{2.0f, -1.0f, 4.0f, 2000000.0f}, {}};
  CurrentSamples samples = SampleCurrents(4, 0, std::ref(supply));
  EXPECT_EQ(samples.counted, 2);
  EXPECT_FLOAT_EQ(samples.sum, 6.0f);
  float average = 0.0f;
  ASSERT_TRUE(AverageCurrent(samples, &average));
  EXPECT_FLOAT_EQ(average, 3.0f);
}

TEST(CurrentSampling, ReadingCarriesOverWhenTheSupplyLeavesItAlone) {
  // Only the first call delivers a value; the others keep the reading as it was.
  ScriptedSupply supply{{1.5f}, {}};
  CurrentSamples samples = SampleCurrents(3, 0, std::ref(supply));
  EXPECT_EQ(samples.counted, 3);
  EXPECT_FLOAT_EQ(samples.sum, 4.5f);
}

TEST(CurrentSampling, StopsAtTheFirstFailedMeasurement) {
  ScriptedSupply supply{{1.0f, 1.0f, 1.0f, 1.0f}, {0, 0, 7, 0}};
  CurrentSamples samples = SampleCurrents(10, 0, std::ref(supply));
  EXPECT_EQ(supply.calls, 3u);
  EXPECT_EQ(samples.result, 7);
}

TEST(CurrentSampling, InitialFailureStopsWhenNothingMeasures) {
  // Without a supply the measurement never runs and the earlier result decides.
  int calls = 0;
  CurrentSamples samples = SampleCurrents(10, 5, [&calls](float&, int32_t&) { ++calls; });
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(samples.result, 5);
  CurrentSamples clean = SampleCurrents(10, 0, [&calls](float&, int32_t&) { ++calls; });
  EXPECT_EQ(calls, 11);
  float average = -1.0f;
  ASSERT_TRUE(AverageCurrent(clean, &average));
  EXPECT_EQ(average, 0.0f);
}

TEST(CurrentSampling, AllInvalidHasNoAverage) {
  ScriptedSupply supply{std::vector<float>(10, -1.0f), {}};
  CurrentSamples samples = SampleCurrents(10, 0, std::ref(supply));
  EXPECT_EQ(samples.counted, 0);
  float average = 42.0f;
  EXPECT_FALSE(AverageCurrent(samples, &average));
  EXPECT_EQ(average, 42.0f);
}

TEST(CurrentSampling, SumsInSinglePrecision) {
  // 0.1 summed thirty times in float differs from the double result; the float sum is kept.
  ScriptedSupply supply{std::vector<float>(30, 0.1f), {}};
  CurrentSamples samples = SampleCurrents(30, 0, std::ref(supply));
  float expected = 0.0f;
  for (int i = 0; i < 30; ++i) {
    expected += 0.1f;
  }
  EXPECT_EQ(samples.sum, expected);
}

TEST(LeakCurrentRange, ChoosesRangeFromFirstReading) {
  EXPECT_FLOAT_EQ(LeakCurrentRange(0.0f), 0.02f);
  EXPECT_FLOAT_EQ(LeakCurrentRange(5.0f), 0.02f);
  EXPECT_FLOAT_EQ(LeakCurrentRange(9.99f), 0.02f);
  EXPECT_FLOAT_EQ(LeakCurrentRange(10.0f), 3.0f);
  EXPECT_FLOAT_EQ(LeakCurrentRange(15.0f), 3.0f);
  EXPECT_FLOAT_EQ(LeakCurrentRange(20.0f), 1.0f);
  EXPECT_FLOAT_EQ(LeakCurrentRange(25.0f), 1.0f);
  EXPECT_FLOAT_EQ(LeakCurrentRange(999.9f), 1.0f);
  EXPECT_FLOAT_EQ(LeakCurrentRange(1000.0f), 3.0f);
  EXPECT_FLOAT_EQ(LeakCurrentRange(5000.0f), 3.0f);
}

TEST(TruncateReading, TowardZeroAndPinnedOutsideInt32) {
  EXPECT_EQ(TruncateReading(452.9f), 452);
  EXPECT_EQ(TruncateReading(-3.7f), -3);
  EXPECT_EQ(TruncateReading(0.0f), 0);
  EXPECT_EQ(TruncateReading(3.0e10f), INT32_MAX);
  EXPECT_EQ(TruncateReading(-3.0e10f), INT32_MIN);
  EXPECT_EQ(TruncateReading(std::numeric_limits<float>::quiet_NaN()), 0);
}

TEST(FormatCurrentValue, TwoDecimalsOrNoReading) {
  EXPECT_EQ(Format(true, 1.84f), "1.84");
  EXPECT_EQ(Format(true, 35.2f), "35.20");
  EXPECT_EQ(Format(true, 0.0f), "0.00");
  EXPECT_EQ(Format(false, 0.0f), "No valid reading");
  EXPECT_EQ(Format(true, std::numeric_limits<float>::quiet_NaN()), "No valid reading");
  // A small buffer is cut and terminated.
  EXPECT_EQ(Format(false, 0.0f, 5), "No v");
}
