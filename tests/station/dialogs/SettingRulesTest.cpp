// The settings dialog's rules without a window, row by row and branch by branch: every limit
// row to its own two limits and back, every calibration flag row to its word and bit, the
// power-off choices in every state, the enables of the "first few" boxes and the version
// lengths at their bound. The dialog tests under Wine check the controls themselves.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <cwchar>
#include <string>

#include "station/dialogs/core/CalFlagRows.h"
#include "station/dialogs/core/LimitRows.h"
#include "station/dialogs/core/SettingRules.h"

namespace {

LimitRowInput Row(bool checked, const char* low, const char* high) {
  return {checked, ToLimitCellBuffer(low), ToLimitCellBuffer(high)};
}

bool Same(const CheckSettings& a, const CheckSettings& b) {
  return std::memcmp(&a, &b, sizeof a) == 0;
}

// The limit list as the operator sees it, written out independently of the code's table.
struct LimitFields {
  const wchar_t* name;
  const wchar_t* unit;
  int32_t CheckSettings::*check;
  int32_t CheckSettings::*low;
  int32_t CheckSettings::*high;
};
const LimitFields kLimits[kLimitRowCount] = {
    {L"AUX 3.6", L"mV", &CheckSettings::checkAux36, &CheckSettings::auxLo36,
     &CheckSettings::auxHi36},
    {L"AUX 3.8", L"mV", &CheckSettings::checkAux38, &CheckSettings::auxLo38,
     &CheckSettings::auxHi38},
    {L"AUX 4.2", L"mV", &CheckSettings::checkAux42, &CheckSettings::auxLo42,
     &CheckSettings::auxHi42},
    {L"FGU 3.6", L"mV", &CheckSettings::checkFgu36, &CheckSettings::fguLo36,
     &CheckSettings::fguHi36},
    {L"FGU 3.8", L"mV", &CheckSettings::checkFgu38, &CheckSettings::fguLo38,
     &CheckSettings::fguHi38},
    {L"FGU 4.2", L"mV", &CheckSettings::checkFgu42, &CheckSettings::fguLo42,
     &CheckSettings::fguHi42},
    {L"Charge Current", L"mA", &CheckSettings::checkChargeCurrent, &CheckSettings::chargeCurrentLo,
     &CheckSettings::chargeCurrentHi},
    {L"Power On Current", L"mA", &CheckSettings::checkPowerOnCurrent,
     &CheckSettings::powerOnCurrentLo, &CheckSettings::powerOnCurrentHi},
    {L"DeepSleep Current", L"mA", &CheckSettings::checkDeepSleepCurrent, nullptr, nullptr},
    {L"Power Off Current", L"uA", &CheckSettings::checkPowerOffCurrent,
     &CheckSettings::powerOffCurrentLo, &CheckSettings::powerOffCurrentHi},
};

// Every limit a value of its own: row r holds 100 r + 11 and 100 r + 22 (deep sleep 1.25, 2.5).
CheckSettings DistinctLimits() {
  CheckSettings s{};
  for (int r = 0; r < kLimitRowCount; ++r) {
    if (kLimits[r].low != nullptr) {
      s.*kLimits[r].low = 100 * r + 11;
      s.*kLimits[r].high = 100 * r + 22;
    }
  }
  s.deepSleepCurrentLo = 1.25f;
  s.deepSleepCurrentHi = 2.5f;
  return s;
}

// The cells as the list shows `s`, every row unchecked.
void ShownRows(const CheckSettings& s, LimitRowInput (&rows)[kLimitRowCount]) {
  for (int r = 0; r < kLimitRowCount; ++r) {
    auto ansi = [](const std::wstring& text) { return std::string(text.begin(), text.end()); };
    rows[r] = Row(false, ansi(LowLimitText(s, r)).c_str(), ansi(HighLimitText(s, r)).c_str());
  }
}

TEST(LimitRows, EveryRowShowsAndTakesItsOwnTwoLimits) {
  const CheckSettings shown = DistinctLimits();
  for (int r = 0; r < kLimitRowCount; ++r) {
    SCOPED_TRACE(kLimits[r].name);
    EXPECT_STREQ(kLimitRows[r].name, kLimits[r].name);
    EXPECT_STREQ(kLimitRows[r].unit, kLimits[r].unit);
    if (r == kDeepSleepRow) {
      EXPECT_EQ(LowLimitText(shown, r), L"1.25");
      EXPECT_EQ(HighLimitText(shown, r), L"2.50");
    } else {
      EXPECT_EQ(LowLimitText(shown, r), std::to_wstring(100 * r + 11));
      EXPECT_EQ(HighLimitText(shown, r), std::to_wstring(100 * r + 22));
    }

    // The operator checks this row and types new limits; every other row is left as shown.
    CheckSettings s = shown;
    LimitRowInput rows[kLimitRowCount];
    ShownRows(s, rows);
    rows[r] = Row(true, "7", "8");
    TakeLimitRows(s, rows, kLimitRowCount);
    CheckSettings expected = shown;
    expected.*kLimits[r].check = 1;
    if (r == kDeepSleepRow) {
      expected.deepSleepCurrentLo = 7.0f;
      expected.deepSleepCurrentHi = 8.0f;
    } else {
      expected.*kLimits[r].low = 7;
      expected.*kLimits[r].high = 8;
    }
    EXPECT_TRUE(Same(s, expected));
  }
  EXPECT_EQ(LowLimitText(shown, -1), L"");
  EXPECT_EQ(HighLimitText(shown, kLimitRowCount), L"");
}

TEST(LimitRows, CellsGiveTheirLeadingNumberThroughTheTenByteBuffer) {
  CheckSettings s{};
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

TEST(LimitRows, PowerOffRowIsTakenOnlyWhenListedAndNeitherOptionEndsTheRun) {
  for (int factoryReset = 0; factoryReset < 2; ++factoryReset) {
    for (int powerOff = 0; powerOff < 2; ++powerOff) {
      for (int count : {kPowerOffRow, kLimitRowCount}) {
        SCOPED_TRACE(testing::Message() << factoryReset << powerOff << " rows " << count);
        CheckSettings s = DistinctLimits();
        s.checkPowerOffCurrent = 1;
        s.factoryReset = factoryReset;
        s.powerOffAfterCheck = powerOff;
        LimitRowInput rows[kLimitRowCount];
        ShownRows(s, rows);
        rows[kPowerOffRow] = Row(false, "1", "2");
        TakeLimitRows(s, rows, count);
        const bool optionSet = factoryReset + powerOff > 0;
        const bool taken = !optionSet && count == kLimitRowCount;
        EXPECT_EQ(s.powerOffCurrentLo, taken ? 1 : 911);
        EXPECT_EQ(s.powerOffCurrentHi, taken ? 2 : 922);
        EXPECT_EQ(s.checkPowerOffCurrent, taken || optionSet ? 0 : 1);
        EXPECT_EQ(s.checkDeepSleepCurrent, 0) << "the rows before it are taken";
      }
    }
  }
}

TEST(CalFlagRows, EveryRowToItsWordAndBitAndBack) {
  enum Word { G, W, L };
  const std::pair<Word, int> flags[kCalFlagCount] = {
      {G, 0},  {G, 1},  {G, 2},  {G, 3},  {G, 4},  {G, 5},  {G, 6},  {G, 7},  {G, 8},  {G, 9},
      {G, 10}, {G, 11}, {G, 12}, {G, 13}, {G, 14}, {G, 15}, {G, 16}, {G, 17}, {G, 18}, {G, 20},
      {G, 21}, {G, 27}, {W, 0},  {W, 1},  {W, 2},  {W, 3},  {W, 12}, {L, 0},  {L, 1},  {L, 2},
      {L, 3},  {L, 4},  {L, 5},  {L, 12}, {L, 13}, {L, 14}, {L, 15}};
  for (int j = 0; j < kCalFlagCount; ++j) {
    const auto [word, bit] = flags[j];
    CheckSettings s{};
    s.wcdmaUsed = s.lteUsed = 1;
    CalFlagRowChecks rows{};
    rows[j] = true;
    TakeCalFlagRows(s, rows);
    const int32_t mask = static_cast<int32_t>(1u << bit);
    EXPECT_EQ(s.calFlagMask, word == G ? mask : 0) << j;
    EXPECT_EQ(s.calFlagMaskWcdma, word == W ? mask : 0) << j;
    EXPECT_EQ(s.calFlagMaskLte, word == L ? mask : 0) << j;
    EXPECT_EQ(s.wcdmaUsed, word == W ? 1 : 0) << j;
    EXPECT_EQ(s.lteUsed, word == L ? 1 : 0) << j;
    EXPECT_EQ(s.checkCalibrationFlag, 1) << j;
    EXPECT_EQ(CalFlagRowsFromMasks(s), rows) << j;
  }
  // Bits that carry no flag are dropped; no row checked turns the check off.
  CheckSettings s{};
  s.calFlagMask = (1 << 19) | (1 << 20);
  s.calFlagMaskWcdma = 1 << 4;
  s.calFlagMaskLte = 1 << 6;
  CalFlagRowChecks rows = CalFlagRowsFromMasks(s);
  EXPECT_EQ(1, std::count(rows.begin(), rows.end(), true));
  TakeCalFlagRows(s, rows);
  EXPECT_EQ(1 << 20, s.calFlagMask);
  EXPECT_EQ(0, s.calFlagMaskWcdma + s.calFlagMaskLte);
  TakeCalFlagRows(s, CalFlagRowChecks{});
  EXPECT_EQ(0, s.calFlagMask + s.checkCalibrationFlag);
}

TEST(FirstFewBoxes, EnabledWithTheItemTheirTextWithBoth) {
  const int32_t cases[][4] = {// item, first few -> box, text
                              {0, 0, 0, 0},
                              {0, 1, 0, 0},
                              {1, 0, 1, 0},
                              {1, 1, 1, 1},
                              {2, 5, 1, 1}};
  for (const auto& c : cases) {
    FirstFewEnables enables = FirstFewEnablesFor(c[0], c[1]);
    EXPECT_EQ(enables.box, c[2] != 0) << c[0] << c[1];
    EXPECT_EQ(enables.text, c[3] != 0) << c[0] << c[1];
  }
}

struct PowerOffState {
  int32_t factoryReset, powerOff, rowCheck;
  bool resetEnabled, powerOffEnabled, rowPresent, rowChecked;
};

void ExpectState(const CheckSettings& s, const PowerOffView& v, const PowerOffState& want) {
  EXPECT_EQ(s.factoryReset, want.factoryReset);
  EXPECT_EQ(s.powerOffAfterCheck, want.powerOff);
  EXPECT_EQ(s.checkPowerOffCurrent, want.rowCheck);
  EXPECT_EQ(v.factoryResetEnabled, want.resetEnabled);
  EXPECT_EQ(v.powerOffEnabled, want.powerOffEnabled);
  EXPECT_EQ(v.rowPresent, want.rowPresent);
  EXPECT_EQ(v.rowChecked, want.rowChecked);
}

TEST(PowerOffChoices, OnOpeningTheFirstSetChoiceWinsInEveryCombination) {
  for (int stored = 0; stored < 8; ++stored) {
    CheckSettings s{};
    s.factoryReset = stored & 1;
    s.powerOffAfterCheck = (stored >> 1) & 1;
    s.checkPowerOffCurrent = (stored >> 2) & 1;
    PowerOffView v = OpenPowerOffChoices(s);
    SCOPED_TRACE(stored);
    if (stored & 1) {
      ExpectState(s, v, {1, 0, 0, true, false, false, false});
    } else if (stored & 2) {
      ExpectState(s, v, {0, 1, 0, false, true, false, false});
    } else if (stored & 4) {
      ExpectState(s, v, {0, 0, 1, false, false, true, true});
    } else {
      ExpectState(s, v, {0, 0, 0, true, true, true, false});
    }
  }
}

TEST(PowerOffChoices, EachClickInEachState) {
  // A box set: the other box is cleared and disabled, the row goes; cleared: both come back.
  for (int box = 0; box < 2; ++box) {
    SCOPED_TRACE(box == 0 ? "factory reset" : "power off");
    CheckSettings s{};
    PowerOffView v = OpenPowerOffChoices(s);
    v.rowChecked = true;
    (box == 0 ? s.factoryReset : s.powerOffAfterCheck) = 1;
    (box == 0 ? s.powerOffAfterCheck : s.factoryReset) = 1;  // cleared by the click
    box == 0 ? FactoryResetClicked(s, v) : PowerOffClicked(s, v);
    ExpectState(s, v, {box == 0, box == 1, 0, box == 0, box == 1, false, false});
    (box == 0 ? s.factoryReset : s.powerOffAfterCheck) = 0;
    box == 0 ? FactoryResetClicked(s, v) : PowerOffClicked(s, v);
    ExpectState(s, v, {0, 0, 0, true, true, true, false});
  }
  // The row checked: both boxes cleared and disabled; unchecked: both enabled again.
  CheckSettings s{};
  s.factoryReset = s.powerOffAfterCheck = 1;
  PowerOffView v{};
  PowerOffRowClicked(s, v, false);
  ExpectState(s, v, {0, 0, 0, false, false, true, true});
  s.factoryReset = 1;  // the row's click leaves a box it did not clear alone
  PowerOffRowClicked(s, v, true);
  ExpectState(s, v, {1, 0, 0, true, true, true, false});
}

TEST(VersionLengths, EachCheckJudgesItsOwnTextAtTheBoundApFirst) {
  for (int state = 0; state < 16; ++state) {
    CheckSettings s{};
    s.checkApVersion = state & 1;
    s.checkModemVersion = (state >> 1) & 1;
    wcscpy(s.apVersion, (state & 4) != 0 ? L"AP_V1" : L"AP_1");
    wcscpy(s.modemVersion, (state & 8) != 0 ? L"MD_V1" : L"MD_1");
    const bool apShort = s.checkApVersion != 0 && (state & 4) == 0;
    const bool modemShort = s.checkModemVersion != 0 && (state & 8) == 0;
    const wchar_t* warning = VersionLengthWarning(s);
    EXPECT_STREQ(warning, apShort      ? L"Length of AP version can not less than 5!"
                          : modemShort ? L"Length of Modem version can not less than 5!"
                                       : nullptr)
        << state;
  }
  CheckSettings full{};  // a text filling its whole field, without a terminator
  full.checkApVersion = full.checkModemVersion = 1;
  std::fill(std::begin(full.apVersion), std::end(full.apVersion), L'A');
  std::fill(std::begin(full.modemVersion), std::end(full.modemVersion), L'M');
  EXPECT_EQ(VersionLengthWarning(full), nullptr);
}

}  // namespace
