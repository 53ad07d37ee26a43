// The settings dialog's rules without a window, for what the dialog tests under Wine do not
// reach: cells longer than their buffer, the power-off row under each option, flags on bits
// that carry none.
#include <gtest/gtest.h>

#include <algorithm>

#include "station/dialogs/core/CalFlagRows.h"
#include "station/dialogs/core/LimitRows.h"
#include "station/dialogs/core/SettingRules.h"

namespace {

LimitRowInput Row(bool checked, const char* low, const char* high) {
  return {checked, ToLimitCellBuffer(low), ToLimitCellBuffer(high)};
}

TEST(LimitRows, CellsGiveTheirLeadingNumberThroughTheTenByteBuffer) {
  CheckSettings s{};
  s.deepSleepCurrentLo = 1.0f;
  s.deepSleepCurrentHi = 2.3f;
  EXPECT_EQ(L"1.00", LowLimitText(s, kDeepSleepRow));
  EXPECT_EQ(L"2.30", HighLimitText(s, kDeepSleepRow));
  LimitRowInput rows[kLimitRowCount] = {};
  rows[1] = Row(false, "  -40", "1234567890123");
  rows[7] = Row(true, "abc", "+7");
  rows[kDeepSleepRow] = Row(true, "0.5", "2.75mA");
  TakeLimitRows(s, rows, kLimitRowCount);
  EXPECT_EQ(-40, s.auxLo38);
  EXPECT_EQ(123456789, s.auxHi38) << "only nine bytes fit before the terminator";
  EXPECT_EQ(0, s.powerOnCurrentLo);
  EXPECT_EQ(7, s.powerOnCurrentHi);
  EXPECT_FLOAT_EQ(0.5f, s.deepSleepCurrentLo);
  EXPECT_FLOAT_EQ(2.75f, s.deepSleepCurrentHi);
}

TEST(LimitRows, PowerOffRowIsNotTakenWhileTheRunEndsWithEitherOption) {
  for (int option = 0; option < 2; ++option) {
    CheckSettings s{};
    s.powerOffCurrentLo = 5;
    s.powerOffCurrentHi = 100;
    s.checkPowerOffCurrent = 1;
    (option == 0 ? s.factoryReset : s.powerOffAfterCheck) = 1;
    LimitRowInput rows[kLimitRowCount] = {};
    rows[kPowerOffRow] = Row(true, "1", "2");
    TakeLimitRows(s, rows, kLimitRowCount);
    EXPECT_EQ(0, s.checkPowerOffCurrent) << option;
    EXPECT_EQ(5, s.powerOffCurrentLo);
    EXPECT_EQ(100, s.powerOffCurrentHi);
  }
}

TEST(CalFlagRows, BitsWithoutAFlagAreDroppedAndUnusedWordsCleared) {
  CheckSettings s{};
  s.calFlagMask = (1 << 19) | (1 << 20);  // bit 19 carries no flag, bit 20 is CALI EDGE
  s.wcdmaUsed = s.lteUsed = 1;
  CalFlagRowChecks rows = CalFlagRowsFromMasks(s);
  EXPECT_TRUE(rows[19]);
  EXPECT_EQ(1, std::count(rows.begin(), rows.end(), true));
  TakeCalFlagRows(s, rows);
  EXPECT_EQ(1 << 20, s.calFlagMask);
  EXPECT_EQ(1, s.checkCalibrationFlag);
  EXPECT_EQ(0, s.wcdmaUsed + s.lteUsed);
  TakeCalFlagRows(s, CalFlagRowChecks{});
  EXPECT_EQ(0, s.calFlagMask + s.checkCalibrationFlag);
}

TEST(PowerOffChoices, StoredPowerOffWinsOverTheCurrentCheck) {
  CheckSettings s{};
  s.powerOffAfterCheck = s.checkPowerOffCurrent = 1;
  PowerOffView v = OpenPowerOffChoices(s);
  EXPECT_EQ(1, s.powerOffAfterCheck);
  EXPECT_EQ(0, s.checkPowerOffCurrent);
  EXPECT_FALSE(v.factoryResetEnabled);
  EXPECT_TRUE(v.powerOffEnabled);
  EXPECT_FALSE(v.rowPresent);
}

}  // namespace
