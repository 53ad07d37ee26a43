#include "station/engine/core/SupplyRamp.h"

#include <cmath>
#include <limits>

#include <gtest/gtest.h>

TEST(SupplyRamp, DefaultVoltageRampsInNineSteps) {
  const std::vector<float> steps = RampSteps(3.8f);
  ASSERT_EQ(steps.size(), 9u);
  EXPECT_EQ(steps.front(), 0.4f);
  for (size_t i = 1; i < steps.size(); ++i) {
    EXPECT_NEAR(steps[i] - steps[i - 1], 0.4f, 1e-5f) << "step " << i;
  }
  EXPECT_NEAR(steps.back(), 3.6f, 1e-5f);
}

TEST(SupplyRamp, StepsAreFloatSumsNotMultiples) {
  // Summing 0.4f nine times drifts above 3.6f; the supply sees the summed value.
  const std::vector<float> steps = RampSteps(3.8f);
  ASSERT_EQ(steps.size(), 9u);
  EXPECT_EQ(steps[2], 0x1.333334p+0f);
  EXPECT_EQ(steps[8], 0x1.ccccd0p+1f);
  EXPECT_NE(steps[8], 3.6f);
}

TEST(SupplyRamp, TargetReachedByTheDriftStopsEarlier) {
  // The ninth sum (3.6000004) is not below 3.6f, so the ramp ends at 3.2 V.
  const std::vector<float> steps = RampSteps(3.6f);
  ASSERT_EQ(steps.size(), 8u);
  EXPECT_EQ(steps.back(), 0x1.99999cp+1f);
  // And 4.0 V ends at 3.6 V: the tenth sum lands just above 4.0.
  EXPECT_EQ(RampSteps(4.0f).size(), 9u);
  EXPECT_EQ(RampSteps(4.2f).size(), 10u);
}

TEST(SupplyRamp, FirstStepIsAlwaysMade) {
  EXPECT_EQ(RampSteps(0.3f), std::vector<float>{0.4f});
  EXPECT_EQ(RampSteps(0.4f), std::vector<float>{0.4f});
  EXPECT_EQ(RampSteps(0.8f), std::vector<float>{0.4f});  // 0.4f + 0.4f is exactly 0.8f
  EXPECT_EQ(RampSteps(0.0f), std::vector<float>{0.4f});
  EXPECT_EQ(RampSteps(-5.0f), std::vector<float>{0.4f});
  EXPECT_EQ(RampSteps(std::numeric_limits<float>::quiet_NaN()), std::vector<float>{0.4f});
  EXPECT_EQ(RampSteps(0.81f).size(), 2u);
}

TEST(SupplyRamp, UnreachableTargetStopsAtTheLimit) {
  EXPECT_EQ(RampSteps(std::numeric_limits<float>::infinity()).size(),
            static_cast<size_t>(kMaxRampSteps));
  EXPECT_EQ(RampSteps(1e30f).size(), static_cast<size_t>(kMaxRampSteps));
  // A real bench voltage well inside the limit is not cut.
  const std::vector<float> steps = RampSteps(30.0f);
  EXPECT_LT(steps.size(), static_cast<size_t>(kMaxRampSteps));
  EXPECT_LT(steps.back(), 30.0f);
  EXPECT_GE(steps.back() + 0.4f, 30.0f - 1e-4f);
}
