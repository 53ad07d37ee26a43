// The check catalogue: names, the enable flags and the list's expected-value texts.
#include <gtest/gtest.h>

#include <cwchar>
#include <set>
#include <string>
#include <vector>

#include "station/config/CheckCatalogue.h"
#include "station/config/CheckItemTable.h"
#include "station/config/ResultRows.h"

namespace {

std::wstring Expected(const CheckSettings& settings, CheckItem item) {
  wchar_t text[600];
  ExpectedValueText(settings, item, text, 600);
  return text;
}

TEST(ItemNames, AreTheListRowNamesInCatalogueOrder) {
  EXPECT_STREQ(ItemNames[0], L"IMEI1");
  EXPECT_STREQ(ItemNames[5], L"BT Addr");
  EXPECT_STREQ(ItemNames[static_cast<int>(CheckItem::FguVoltage36)], L"FGU Voltage 3.6");
  EXPECT_STREQ(ItemNames[static_cast<int>(CheckItem::AuxVoltage42)], L"AUX Voltage 4.2");
  EXPECT_STREQ(ItemNames[19], L"Native MMI Flag");
  EXPECT_STREQ(ItemNames[20], L"Toll Mark");
  EXPECT_STREQ(ItemNames[21], L"SecureBoot Enable Flag");
  EXPECT_STREQ(ItemNames[25], L"Power Off Current");
  // A check's report finds its row by name, so no two rows may share one.
  std::set<std::wstring> distinct(ItemNames, ItemNames + kCheckItemCount);
  EXPECT_EQ(distinct.size(), static_cast<size_t>(kCheckItemCount));
}

TEST(CalFlagNames, FollowTheFlagIndexes) {
  EXPECT_STREQ(CalFlagNames[0], L"PCS AGC");
  EXPECT_STREQ(CalFlagNames[9], L"ADC");
  EXPECT_STREQ(CalFlagNames[21], L"MMI CIT");
  EXPECT_STREQ(CalFlagNames[22], L"WCDMA BANDI");
  EXPECT_STREQ(CalFlagNames[26], L"WCDMA FINAL TEST");
  EXPECT_STREQ(CalFlagNames[27], L"LTE AFC TDD Calibration Flag");
  EXPECT_STREQ(CalFlagNames[36], L"LTE Antenna Test FDD Flag");
}

TEST(MmiItemNames, KeepThePhonesSpellingsAndPlaceholders) {
  EXPECT_STREQ(MmiItemNames[8], L"Flashe LED");
  EXPECT_STREQ(MmiItemNames[17], L"WirelessChatger");
  EXPECT_STREQ(MmiItemNames[35], L"Light &Proximity Sensor");
  EXPECT_STREQ(MmiItemNames[45], L"EMMC");
  for (int i = 46; i <= 50; ++i) {
    EXPECT_STREQ(MmiItemNames[i], L"reserved") << i;
  }
  for (int i = 51; i <= 62; ++i) {
    EXPECT_STREQ(MmiItemNames[i], L"for customer") << i;
  }
  EXPECT_STREQ(MmiItemNames[63], L"Final result");
}

TEST(CheckItemTable, RowsAreInCatalogueOrderAndEachFlagEnablesOneItem) {
  for (int i = 0; i < kCheckItemCount; ++i) {
    EXPECT_EQ(static_cast<int>(kCheckItemTable[i].item), i);
    CheckSettings settings{};
    settings.*kCheckItemTable[i].enable = 1;
    for (int j = 0; j < kCheckItemCount; ++j) {
      EXPECT_EQ(ItemEnabled(settings, static_cast<CheckItem>(j)), i == j) << i << " " << j;
    }
  }
}

TEST(CheckItemTable, NamedFlagsEnableTheirItems) {
  CheckSettings settings{};
  settings.checkTollmark = 1;
  settings.checkNativeMmi = 1;
  settings.checkModemVersion = 1;
  settings.checkDeepSleepCurrent = 1;
  EXPECT_TRUE(ItemEnabled(settings, CheckItem::TollMark));
  EXPECT_TRUE(ItemEnabled(settings, CheckItem::NativeMmiFlag));
  EXPECT_TRUE(ItemEnabled(settings, CheckItem::ModemVersion));
  EXPECT_TRUE(ItemEnabled(settings, CheckItem::DeepSleepCurrent));
  EXPECT_FALSE(ItemEnabled(settings, CheckItem::ApVersion));
  EXPECT_FALSE(ItemEnabled(settings, CheckItem::PowerOffCurrent));
}

TEST(ExpectedValueText, ShowsTheScannedCodesAndVersions) {
  CheckSettings s{};
  wcscpy(s.imei2, L"861234567890123");
  wcscpy(s.sn1, L"SN0001");
  wcscpy(s.wifiAddr, L"A1B2C3D4E5F6");
  wcscpy(s.apVersion, L"AP_V1.2");
  EXPECT_EQ(Expected(s, CheckItem::Imei1), L"");
  EXPECT_EQ(Expected(s, CheckItem::Imei2), L"861234567890123");
  EXPECT_EQ(Expected(s, CheckItem::Sn1), L"SN0001");
  EXPECT_EQ(Expected(s, CheckItem::WifiAddr), L"A1B2C3D4E5F6");
  EXPECT_EQ(Expected(s, CheckItem::ApVersion), L"AP_V1.2");
}

TEST(ExpectedValueText, ShowsFixedTextsForFlagChecks) {
  CheckSettings s{};
  EXPECT_EQ(Expected(s, CheckItem::CalibrationFlag), L"---");
  EXPECT_EQ(Expected(s, CheckItem::SimCard), L"---");
  EXPECT_EQ(Expected(s, CheckItem::TCard), L"---");
  EXPECT_EQ(Expected(s, CheckItem::NativeMmiFlag), L"---");
  EXPECT_EQ(Expected(s, CheckItem::TollMark), L"---");
  EXPECT_EQ(Expected(s, CheckItem::SecureBootEnableFlag), L"1");
}

TEST(ExpectedValueText, ShowsLimitsLowFirstWithTheirUnits) {
  CheckSettings s{};
  s.auxLo36 = 3740;
  s.auxHi36 = 3860;
  s.fguLo42 = 3750;
  s.fguHi42 = 3850;
  s.chargeCurrentLo = 410;
  s.chargeCurrentHi = 490;
  s.powerOnCurrentLo = 120;
  s.powerOnCurrentHi = 200;
  s.powerOffCurrentLo = 0;
  s.powerOffCurrentHi = 100;
  s.deepSleepCurrentLo = 1.0f;
  s.deepSleepCurrentHi = 2.3f;
  s.fguType = 3;
  EXPECT_EQ(Expected(s, CheckItem::AuxVoltage36), L"Lo Lim:3740 Hi Lim: 3860");
  EXPECT_EQ(Expected(s, CheckItem::FguVoltage42), L"Lo Lim:3750 Hi Lim: 3850");
  EXPECT_EQ(Expected(s, CheckItem::ChargeCurrent), L"Lo Lim:410 Hi Lim: 490 mA");
  EXPECT_EQ(Expected(s, CheckItem::PowerOnCurrent), L"Lo Lim:120 Hi Lim: 200 mA");
  EXPECT_EQ(Expected(s, CheckItem::PowerOffCurrent), L"Lo Lim:0 Hi Lim: 100 uA");
  EXPECT_EQ(Expected(s, CheckItem::DeepSleepCurrent), L"Lo Lim:1.00 Hi Lim: 2.30 mA");
  EXPECT_EQ(Expected(s, CheckItem::FguType), L"3");
}

TEST(ExpectedValueText, EachVoltageRowShowsItsOwnLimits) {
  CheckSettings s{};
  s.auxLo36 = 1;
  s.auxHi36 = 2;
  s.fguLo36 = 3;
  s.fguHi36 = 4;
  s.auxLo38 = 5;
  s.auxHi38 = 6;
  s.fguLo38 = 7;
  s.fguHi38 = 8;
  s.auxLo42 = 9;
  s.auxHi42 = 10;
  s.fguLo42 = 11;
  s.fguHi42 = 12;
  EXPECT_EQ(Expected(s, CheckItem::AuxVoltage36), L"Lo Lim:1 Hi Lim: 2");
  EXPECT_EQ(Expected(s, CheckItem::FguVoltage36), L"Lo Lim:3 Hi Lim: 4");
  EXPECT_EQ(Expected(s, CheckItem::AuxVoltage38), L"Lo Lim:5 Hi Lim: 6");
  EXPECT_EQ(Expected(s, CheckItem::FguVoltage38), L"Lo Lim:7 Hi Lim: 8");
  EXPECT_EQ(Expected(s, CheckItem::AuxVoltage42), L"Lo Lim:9 Hi Lim: 10");
  EXPECT_EQ(Expected(s, CheckItem::FguVoltage42), L"Lo Lim:11 Hi Lim: 12");
}

TEST(ExpectedValueText, StaysInsideTheFieldAndTheBuffer) {
  CheckSettings s{};
  for (wchar_t& c : s.modemVersion) {
    c = L'V';  // no terminator anywhere in the field
  }
  EXPECT_EQ(Expected(s, CheckItem::ModemVersion), std::wstring(500, L'V'));
  wchar_t small[5];
  EXPECT_EQ(ExpectedValueText(s, CheckItem::ModemVersion, small, 5), 4u);
  EXPECT_EQ(std::wstring(small), L"VVVV");
  s.deepSleepCurrentLo = 3.0e38f;
  s.deepSleepCurrentHi = -3.0e38f;
  wchar_t big[600];
  ExpectedValueText(s, CheckItem::DeepSleepCurrent, big, 600);
  EXPECT_EQ(std::wstring(big).substr(0, 7), L"Lo Lim:");
  EXPECT_EQ(std::wstring(big).substr(std::wstring(big).size() - 3), L" mA");
}

}  // namespace

namespace {

TEST(ResultRows, NoEnabledItemGivesNoRows) {
  CheckSettings settings{};
  settings.auxLo36 = 3740;  // limits alone do not make a row
  EXPECT_TRUE(BuildResultRows(settings).empty());
}

TEST(ResultRows, SimCardAndFguTypeGiveTwoRowsInCatalogueOrder) {
  CheckSettings settings{};
  settings.checkFguType = 1;
  settings.fguType = 2;
  settings.checkSimCard = 1;
  std::vector<ResultRow> rows = BuildResultRows(settings);
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0].item, CheckItem::SimCard);
  EXPECT_STREQ(rows[0].name, L"SIM Card");
  EXPECT_STREQ(rows[0].expected, L"---");
  EXPECT_STREQ(rows[1].name, L"FGU Type");
  EXPECT_STREQ(rows[1].expected, L"2");
}

TEST(ResultRows, EveryItemEnabledGivesEveryRow) {
  CheckSettings settings{};
  for (const CheckItemInfo& info : kCheckItemTable) {
    settings.*info.enable = 1;
  }
  wcscpy(settings.modemVersion, std::wstring(499, L'v').c_str());
  std::vector<ResultRow> rows = BuildResultRows(settings);
  ASSERT_EQ(rows.size(), static_cast<size_t>(kCheckItemCount));
  EXPECT_STREQ(rows[20].name, L"Toll Mark");
  EXPECT_STREQ(rows[21].expected, L"1");
  EXPECT_EQ(std::wstring(rows[17].expected), std::wstring(499, L'v'));
}

}  // namespace
