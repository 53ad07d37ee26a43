// The settings dialog's rules without a window: limit cells, flag masks, the power-off choices
// and the version warnings.
#include <gtest/gtest.h>

#include <algorithm>
#include <cwchar>

#include "station/dialogs/core/CalFlagRows.h"
#include "station/dialogs/core/LimitRows.h"
#include "station/dialogs/core/SettingRules.h"

namespace {

CheckSettings Stored() {
  CheckSettings s{};
  s.auxLo36 = 3740;
  s.auxHi36 = 3860;
  s.deepSleepCurrentLo = 1.0f;
  s.deepSleepCurrentHi = 2.3f;
  s.powerOffCurrentLo = 5;
  s.powerOffCurrentHi = 100;
  return s;
}

LimitRowInput Row(bool checked, const char* low, const char* high) {
  return {checked, ToLimitCellBuffer(low), ToLimitCellBuffer(high)};
}

TEST(LimitRows, ShowIntegersAndTheDeepSleepRowWithTwoDecimals) {
  CheckSettings s = Stored();
  EXPECT_EQ(L"3740", LowLimitText(s, 0));
  EXPECT_EQ(L"3860", HighLimitText(s, 0));
  EXPECT_EQ(L"1.00", LowLimitText(s, kDeepSleepRow));
  EXPECT_EQ(L"2.30", HighLimitText(s, kDeepSleepRow));
  EXPECT_STREQ(L"Power Off Current", kLimitRows[kPowerOffRow].name);
  EXPECT_STREQ(L"uA", kLimitRows[kPowerOffRow].unit);
}

TEST(LimitRows, CellsGiveTheirLeadingNumberThroughTheTenByteBuffer) {
  CheckSettings s = Stored();
  LimitRowInput rows[kLimitRowCount] = {};
  rows[0] = Row(true, "12abc", "");
  rows[1] = Row(false, "  -40", "1234567890123");
  rows[7] = Row(true, "abc", "+7");
  rows[kDeepSleepRow] = Row(true, "0.5", "2.75mA");
  rows[kPowerOffRow] = Row(true, "3", "90");
  TakeLimitRows(s, rows, kLimitRowCount);
  EXPECT_EQ(1, s.checkAux36);
  EXPECT_EQ(12, s.auxLo36);
  EXPECT_EQ(0, s.auxHi36) << "an empty cell is 0";
  EXPECT_EQ(0, s.checkAux38);
  EXPECT_EQ(-40, s.auxLo38);
  EXPECT_EQ(123456789, s.auxHi38) << "only nine bytes fit before the terminator";
  EXPECT_EQ(0, s.powerOnCurrentLo);
  EXPECT_EQ(7, s.powerOnCurrentHi);
  EXPECT_FLOAT_EQ(0.5f, s.deepSleepCurrentLo);
  EXPECT_FLOAT_EQ(2.75f, s.deepSleepCurrentHi);
  EXPECT_EQ(1, s.checkPowerOffCurrent);
  EXPECT_EQ(3, s.powerOffCurrentLo);
  EXPECT_EQ(90, s.powerOffCurrentHi);
}

TEST(LimitRows, PowerOffRowIsNotTakenWhileTheRunEndsWithTheOptions) {
  for (int option = 0; option < 2; ++option) {
    CheckSettings s = Stored();
    s.checkPowerOffCurrent = 1;
    (option == 0 ? s.factoryReset : s.powerOffAfterCheck) = 1;
    LimitRowInput rows[kLimitRowCount] = {};
    rows[kPowerOffRow] = Row(true, "1", "2");
    TakeLimitRows(s, rows, kLimitRowCount);
    EXPECT_EQ(0, s.checkPowerOffCurrent);
    EXPECT_EQ(5, s.powerOffCurrentLo) << "stored limits stay";
    EXPECT_EQ(100, s.powerOffCurrentHi);
  }
}

TEST(CalFlagRows, CheckedRowsSetTheBitsOfTheirWords) {
  CheckSettings s{};
  CalFlagRowChecks rows{};
  rows[21] = rows[22] = rows[26] = rows[27] = true;
  TakeCalFlagRows(s, rows);
  EXPECT_EQ(0x08000000, s.calFlagMask);
  EXPECT_EQ(0x1001, s.calFlagMaskWcdma);
  EXPECT_EQ(0x1, s.calFlagMaskLte);
  EXPECT_EQ(1, s.checkCalibrationFlag);
  EXPECT_EQ(1, s.wcdmaUsed);
  EXPECT_EQ(1, s.lteUsed);
  EXPECT_EQ(rows, CalFlagRowsFromMasks(s));

  TakeCalFlagRows(s, CalFlagRowChecks{});
  EXPECT_EQ(0, s.calFlagMask | s.calFlagMaskWcdma | s.calFlagMaskLte);
  EXPECT_EQ(0, s.checkCalibrationFlag | s.wcdmaUsed | s.lteUsed);
}

TEST(CalFlagRows, GsmRowsOnlyLeaveTheOtherWordsUnused) {
  CheckSettings s{};
  s.calFlagMask = (1 << 19) | (1 << 20);  // bit 19 carries no flag
  s.wcdmaUsed = s.lteUsed = 1;
  CalFlagRowChecks rows = CalFlagRowsFromMasks(s);
  EXPECT_TRUE(rows[19]) << "CALI EDGE is bit 20";
  EXPECT_EQ(1, std::count(rows.begin(), rows.end(), true));
  TakeCalFlagRows(s, rows);
  EXPECT_EQ(1 << 20, s.calFlagMask);
  EXPECT_EQ(1, s.checkCalibrationFlag);
  EXPECT_EQ(0, s.wcdmaUsed + s.lteUsed);
}

TEST(PowerOffChoices, OpeningLetsTheFirstSetChoiceWin) {
  CheckSettings reset{};
  reset.factoryReset = reset.powerOffAfterCheck = reset.checkPowerOffCurrent = 1;
  PowerOffView v = OpenPowerOffChoices(reset);
  EXPECT_EQ(0, reset.powerOffAfterCheck);
  EXPECT_EQ(0, reset.checkPowerOffCurrent);
  EXPECT_TRUE(v.factoryResetEnabled);
  EXPECT_FALSE(v.powerOffEnabled);
  EXPECT_FALSE(v.rowPresent);

  CheckSettings off{};
  off.powerOffAfterCheck = off.checkPowerOffCurrent = 1;
  v = OpenPowerOffChoices(off);
  EXPECT_EQ(1, off.powerOffAfterCheck);
  EXPECT_EQ(0, off.checkPowerOffCurrent);
  EXPECT_FALSE(v.factoryResetEnabled);
  EXPECT_TRUE(v.powerOffEnabled);
  EXPECT_FALSE(v.rowPresent);

  CheckSettings current{};
  current.checkPowerOffCurrent = 1;
  v = OpenPowerOffChoices(current);
  EXPECT_FALSE(v.factoryResetEnabled);
  EXPECT_FALSE(v.powerOffEnabled);
  EXPECT_TRUE(v.rowPresent);
  EXPECT_TRUE(v.rowChecked);
}

TEST(PowerOffChoices, ClicksHandTheChoiceOver) {
  CheckSettings s{};
  PowerOffView v = OpenPowerOffChoices(s);
  s.factoryReset = 1;
  FactoryResetClicked(s, v);
  EXPECT_FALSE(v.rowPresent);
  EXPECT_FALSE(v.powerOffEnabled);
  s.factoryReset = 0;
  FactoryResetClicked(s, v);
  EXPECT_TRUE(v.rowPresent);
  EXPECT_FALSE(v.rowChecked) << "the row comes back unchecked";
  EXPECT_TRUE(v.powerOffEnabled);

  s.powerOffAfterCheck = 1;
  PowerOffClicked(s, v);
  EXPECT_FALSE(v.factoryResetEnabled);
  EXPECT_FALSE(v.rowPresent);
  s.powerOffAfterCheck = 0;
  PowerOffClicked(s, v);

  PowerOffRowClicked(s, v, false);  // the click checks the row
  EXPECT_TRUE(v.rowChecked);
  EXPECT_FALSE(v.factoryResetEnabled || v.powerOffEnabled);
  PowerOffRowClicked(s, v, true);  // and unchecks it again
  EXPECT_FALSE(v.rowChecked);
  EXPECT_TRUE(v.factoryResetEnabled && v.powerOffEnabled);
}

TEST(VersionWarnings, ApIsJudgedBeforeModemAndOnlyWhenChecked) {
  CheckSettings s{};
  s.checkApVersion = s.checkModemVersion = 1;
  wcscpy(s.apVersion, L"AP1");
  wcscpy(s.modemVersion, L"MD1");
  EXPECT_STREQ(L"Length of AP version can not less than 5!", VersionLengthWarning(s));
  wcscpy(s.apVersion, L"AP_V1");
  EXPECT_STREQ(L"Length of Modem version can not less than 5!", VersionLengthWarning(s));
  s.checkModemVersion = 0;
  EXPECT_EQ(nullptr, VersionLengthWarning(s));
}

TEST(FirstFew, BoxFollowsTheItemAndTextFollowsBoth) {
  EXPECT_FALSE(FirstFewEnablesFor(0, 1).box);
  EXPECT_FALSE(FirstFewEnablesFor(0, 1).text);
  EXPECT_TRUE(FirstFewEnablesFor(1, 0).box);
  EXPECT_FALSE(FirstFewEnablesFor(1, 0).text);
  EXPECT_TRUE(FirstFewEnablesFor(1, 1).text);
}

}  // namespace
