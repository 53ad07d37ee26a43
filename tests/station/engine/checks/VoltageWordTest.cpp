#include "station/engine/core/VoltageWord.h"

#include <gtest/gtest.h>

namespace {
uint32_t Word(uint32_t unit, uint32_t value) {
  return (unit << 24) | value;
}
}  // namespace

TEST(BatteryWord, MillivoltUnitLosesOneMillivoltThroughTheFloat) {
  EXPECT_EQ(MillivoltsFromBatteryWord(Word(1, 3800)), 3799);
  EXPECT_EQ(MillivoltsFromBatteryWord(Word(1, 3801)), 3801);
  EXPECT_EQ(MillivoltsFromBatteryWord(Word(1, 3860)), 3859);
  EXPECT_EQ(MillivoltsFromBatteryWord(Word(1, 4200)), 4199);
}

TEST(BatteryWord, AnyOtherUnitCountsTensOfMillivolts) {
  EXPECT_EQ(MillivoltsFromBatteryWord(Word(0, 380)), 3799);
  EXPECT_EQ(MillivoltsFromBatteryWord(Word(0, 375)), 3750);
  EXPECT_EQ(MillivoltsFromBatteryWord(Word(2, 375)), 3750);
  EXPECT_EQ(MillivoltsFromBatteryWord(Word(0xFF, 420)), 4199);
}

TEST(BatteryWord, ValueTakesTheLowTwentyFourBitsOnly) {
  EXPECT_EQ(MillivoltsFromBatteryWord(Word(1, 0)), 0);
  EXPECT_EQ(MillivoltsFromBatteryWord(0x01000000u | 0x000F4240u), 1000000);  // 1000 V in mV
  // The unit byte must not leak into the value: unit 0x80 with value 375 is still 3750 mV.
  EXPECT_EQ(MillivoltsFromBatteryWord(Word(0x80, 375)), 3750);
}

TEST(VoltageLimits, BothEndsAreInclusive) {
  EXPECT_TRUE(WithinLimits(3740, 3740, 3860));
  EXPECT_TRUE(WithinLimits(3860, 3740, 3860));
  EXPECT_FALSE(WithinLimits(3739, 3740, 3860));
  EXPECT_FALSE(WithinLimits(3861, 3740, 3860));
  EXPECT_FALSE(WithinLimits(3800, 3860, 3740)) << "crossed limits pass nothing";
}
