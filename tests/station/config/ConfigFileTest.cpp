// Loading Varnex.ini and Tollmark.ini through the real profile functions.
#include <gtest/gtest.h>

#include <cfloat>
#include <cstdint>
#include <cwchar>
#include <string>

#include "ConfigFixture.h"
#include "station/config/ConfigStore.h"

namespace {

TEST_F(ConfigFileTest, EmptyFileGivesEveryDefault) {
  Loaded loaded = LoadText("");
  EXPECT_TRUE(SameRecord(loaded.settings, DefaultSettings()));
  EXPECT_TRUE(SameRecord(loaded.window, DefaultWindow()));
  EXPECT_EQ(loaded.window.uart, 1);
  EXPECT_EQ(loaded.window.port, -1);
  EXPECT_EQ(loaded.window.powerOnWaitTime, 3000);
  EXPECT_EQ(loaded.settings.checkNativeMmi, 1);
  EXPECT_STREQ(loaded.settings.stationName, L"VARNEX");
  EXPECT_TRUE(loaded.stations.empty());
}

TEST_F(ConfigFileTest, MissingFilesGiveTheDefaultsAndAnEmptyStationList) {
  Loaded loaded = Load();
  EXPECT_TRUE(SameRecord(loaded.settings, DefaultSettings()));
  EXPECT_TRUE(SameRecord(loaded.window, DefaultWindow()));
  EXPECT_TRUE(loaded.stations.empty());
}

TEST_F(ConfigFileTest, LoadStartsFromScratchWhateverTheRecordsHeld) {
  WriteTestFile(configPath_, "");
  Loaded loaded{};
  std::memset(&loaded.settings, 0x5A, sizeof loaded.settings);
  std::memset(&loaded.window, 0x5A, sizeof loaded.window);
  loaded.stations[7] = _tollmark_key_t{L"OLD", 1};
  LoadConfigurationFrom(paths_, loaded.window, loaded.settings, loaded.stations);
  EXPECT_TRUE(SameRecord(loaded.settings, DefaultSettings()));
  EXPECT_TRUE(SameRecord(loaded.window, DefaultWindow()));
  EXPECT_TRUE(loaded.stations.empty());
}

TEST_F(ConfigFileTest, MaskFiveSelectsStationsZeroAndTwo) {
  Loaded loaded = LoadText("[CONTROL]\r\nStationMask=5\r\n", StationsText(3));
  ASSERT_EQ(loaded.stations.size(), 3u);
  EXPECT_STREQ(loaded.stations[0].name, L"S1");
  EXPECT_STREQ(loaded.stations[2].name, L"S3");
  EXPECT_EQ(loaded.stations[0].selected, 1);
  EXPECT_EQ(loaded.stations[1].selected, 0);
  EXPECT_EQ(loaded.stations[2].selected, 1);
  EXPECT_EQ(loaded.settings.checkTollmark, 1);
  EXPECT_EQ(loaded.window.stationMask, 5);
}

TEST_F(ConfigFileTest, MaskBitBeyondTheListSelectsNothing) {
  Loaded loaded = LoadText("[CONTROL]\r\nStationMask=8\r\n", StationsText(3));
  for (const auto& [index, station] : loaded.stations) {
    EXPECT_EQ(station.selected, 0) << index;
  }
  EXPECT_EQ(loaded.settings.checkTollmark, 0);
  EXPECT_EQ(loaded.window.stationMask, 8);
}

TEST_F(ConfigFileTest, SixteenthStationIsNeverSelected) {
  Loaded loaded = LoadText("[CONTROL]\r\nStationMask=-1\r\n", StationsText(20));
  ASSERT_EQ(loaded.stations.size(), 20u);
  for (int i = 0; i < 15; ++i) {
    EXPECT_EQ(loaded.stations[i].selected, 1) << i;
  }
  for (int i = 15; i < 20; ++i) {
    EXPECT_EQ(loaded.stations[i].selected, 0) << i;
  }
  EXPECT_STREQ(loaded.stations[19].name, L"S20");
}

TEST_F(ConfigFileTest, OnlyTheSixteenthStationInTheMaskLeavesTollMarkOff) {
  Loaded loaded = LoadText("[CONTROL]\r\nStationMask=32768\r\n", StationsText(16));
  EXPECT_EQ(loaded.stations[15].selected, 0);
  EXPECT_EQ(loaded.settings.checkTollmark, 0);
}

TEST_F(ConfigFileTest, StationNamesAreCutToTwentyNineCharacters) {
  std::string name(40, 'N');
  Loaded loaded =
      LoadText("", "[STATION]\r\nSTATION NUMBER=2\r\nSTATION 1=" + name + "\r\nSTATION 2=\r\n");
  ASSERT_EQ(loaded.stations.size(), 2u);
  EXPECT_EQ(std::wstring(loaded.stations[0].name), std::wstring(29, L'N'));
  EXPECT_STREQ(loaded.stations[1].name, L"");
}

TEST_F(ConfigFileTest, StationCountBeyondTheListedNamesGivesEmptyNames) {
  Loaded loaded = LoadText("", "[STATION]\r\nSTATION NUMBER=3\r\nSTATION 1=A\r\n");
  ASSERT_EQ(loaded.stations.size(), 3u);
  EXPECT_STREQ(loaded.stations[0].name, L"A");
  EXPECT_STREQ(loaded.stations[2].name, L"");
}

TEST_F(ConfigFileTest, HostileStationCountsAreBounded) {
  Loaded negative = LoadText("", "[STATION]\r\nSTATION NUMBER=-4\r\n");
  EXPECT_TRUE(negative.stations.empty());
  Loaded huge = LoadText("", "[STATION]\r\nSTATION NUMBER=2000000000\r\n");
  EXPECT_EQ(huge.stations.size(), static_cast<size_t>(kMaxListedStations));
}

TEST_F(ConfigFileTest, StationNameOfThreeHundredCharactersIsCutTo259) {
  Loaded loaded = LoadText("[CONTROL]\r\nStation Name=" + std::string(300, 'x') + "\r\n");
  EXPECT_EQ(std::wcslen(loaded.settings.stationName), 259u);
  EXPECT_EQ(loaded.settings.stationName[258], L'x');
}

TEST_F(ConfigFileTest, VersionTextsAreCutToTheirFields) {
  Loaded loaded = LoadText("[CONTROL]\r\nModem Version=" + std::string(700, 'M') +
                           "\r\nIMEI1 First Few=12345678901234567890\r\n");
  EXPECT_EQ(std::wcslen(loaded.settings.modemVersion), 499u);
  EXPECT_STREQ(loaded.settings.imei1Prefix, L"123456789012345");
}

TEST_F(ConfigFileTest, TextIntLimitsTakeTheirLeadingDigits) {
  Loaded loaded = LoadText(
      "[CONTROL]\r\n"
      "Lo Lin AUX 3.6=abc\r\n"
      "Hi Lin AUX 3.6=-12mV\r\n"
      "Lo Lin AUX 3.8=+3799.9\r\n"
      "Hi Lin AUX 3.8=99999999999999999999999\r\n"
      "Lo Lin AUX 4.2=-99999999999999999999999\r\n"
      "Hi Lin AUX 4.2=\r\n"
      "Lo Lin FGU 3.6=- 5\r\n");
  EXPECT_EQ(loaded.settings.auxLo36, 0);
  EXPECT_EQ(loaded.settings.auxHi36, -12);
  EXPECT_EQ(loaded.settings.auxLo38, 3799);
  EXPECT_EQ(loaded.settings.auxHi38, INT32_MAX);
  EXPECT_EQ(loaded.settings.auxLo42, INT32_MIN);
  // A key present with an empty value holds no digits.
  EXPECT_EQ(loaded.settings.auxHi42, 0);
  EXPECT_EQ(loaded.settings.fguLo36, 0);
  EXPECT_EQ(loaded.settings.fguHi36, 3850);
}

TEST_F(ConfigFileTest, TextIntReadsNoMoreThanNineteenCharacters) {
  // The twentieth character would make the value bigger; it is never read.
  Loaded loaded = LoadText("[CONTROL]\r\nLo Lin PowerOn Current=000000000000000001234\r\n");
  EXPECT_EQ(loaded.settings.powerOnCurrentLo, 12);
}

TEST_F(ConfigFileTest, SupplyVoltagesAreDecimalTexts) {
  Loaded loaded = LoadText(
      "[POWER SUPPLY]\r\nVoltage=3.85\r\n"
      "[POWER SUPPLY 2]\r\nVoltage=volts\r\n"
      "[CONTROL]\r\nLo Lin DeepSleep Current=.5\r\nHi Lin DeepSleep Current=1e400\r\n");
  EXPECT_FLOAT_EQ(loaded.settings.supplyVoltage[0], 3.85f);
  EXPECT_EQ(loaded.settings.supplyVoltage[1], 0.0f);
  EXPECT_FLOAT_EQ(loaded.settings.deepSleepCurrentLo, 0.5f);
  EXPECT_EQ(loaded.settings.deepSleepCurrentHi, FLT_MAX);
}

TEST_F(ConfigFileTest, DerivedValuesFollowTheKeys) {
  Loaded none = LoadText("");
  EXPECT_EQ(none.settings.powerSupplyUsed, 0);
  EXPECT_EQ(none.settings.wcdmaUsed, 0);
  EXPECT_EQ(none.settings.lteUsed, 0);

  Loaded second = LoadText("[POWER SUPPLY 2]\r\nEnable=1\r\n[CONTROL]\r\nCalFlagMaskLTE=4\r\n");
  EXPECT_EQ(second.settings.powerSupplyUsed, 1);
  EXPECT_EQ(second.settings.supplyEnable[0], 0);
  EXPECT_EQ(second.settings.supplyEnable[1], 1);
  EXPECT_EQ(second.settings.wcdmaUsed, 0);
  EXPECT_EQ(second.settings.lteUsed, 1);

  Loaded dual = LoadText("[POWER SUPPLY]\r\nDual Power=1\r\n[CONTROL]\r\nCalFlagMaskWCDMA=-8\r\n");
  EXPECT_EQ(dual.settings.powerSupplyUsed, 1);
  EXPECT_EQ(dual.settings.dualPower, 1);
  EXPECT_EQ(dual.settings.wcdmaUsed, 1);
  EXPECT_EQ(dual.settings.calFlagMaskWcdma, -8);
}

TEST_F(ConfigFileTest, TestCountsGiveTheRepeatsOfASeries) {
  Loaded three = LoadText("[CONTROL]\r\nTestCounts=3\r\n");
  EXPECT_EQ(three.window.testCounts, 3);
  EXPECT_EQ(three.window.repeatsLeft, 2);
  Loaded lowest = LoadText("[CONTROL]\r\nTestCounts=-2147483648\r\n");
  EXPECT_EQ(lowest.window.repeatsLeft, INT32_MIN);
}

TEST_F(ConfigFileTest, KeysReachTheirFieldsInTheirOwnSections) {
  Loaded loaded = LoadText(
      "[PORT]\r\nUart=0\r\nPort=7\r\n"
      "[CONTROL]\r\nCheck SW=1\r\nModem Version=MOCOR_W17\r\nCheck SecureBoot Enable=1\r\n"
      "Pass=12\r\nFail=3\r\nScanner=0\r\nSN Length2=20\r\nFGU Type=4\r\nWG=1\r\n"
      "[POWER SUPPLY]\r\nDC Type=2\r\nGpib Addr=5\r\n"
      "[POWER SUPPLY 2]\r\nDC Type=3\r\nGpib Card=1\r\nCheck SecureBoot Enable=1\r\n");
  EXPECT_EQ(loaded.window.uart, 0);
  EXPECT_EQ(loaded.window.port, 7);
  EXPECT_EQ(loaded.window.passCount, 12u);
  EXPECT_EQ(loaded.window.failCount, 3u);
  EXPECT_EQ(loaded.window.scanner, 0);
  EXPECT_EQ(loaded.settings.checkModemVersion, 1);
  EXPECT_STREQ(loaded.settings.modemVersion, L"MOCOR_W17");
  EXPECT_EQ(loaded.settings.snLength2, 20);
  EXPECT_EQ(loaded.settings.fguType, 4);
  EXPECT_EQ(loaded.settings.wcdmaGsm, 1);
  EXPECT_EQ(loaded.settings.supplyType[0], 2);
  EXPECT_EQ(loaded.settings.gpibAddr[0], 5);
  EXPECT_EQ(loaded.settings.supplyType[1], 3);
  EXPECT_EQ(loaded.settings.gpibCard[1], 1);
  // The secure-boot switch lives in "POWER SUPPLY" only.
  EXPECT_EQ(loaded.settings.checkSecureBoot, 0);
}

TEST_F(ConfigFileTest, HandEditedJunkLoadsWithoutHarm) {
  std::string junk =
      "garbage line without equals\r\n"
      "[CONTROL]\r\n"
      "Check IMEI1=yes\r\n"
      "Check MMI CIT=\r\n"
      "Lo Lin Charge Current=\x01\x02\x7f\r\n"
      "Hi Lin DeepSleep Current=nan\r\n"
      "Lo Lin DeepSleep Current=-inf\r\n"
      "StationMask=banana\r\n"
      "Station Name=" +
      std::string(5000, '\xE9') +
      "\r\n"
      "=value without key\r\n"
      "[POWER SUPPLY]\r\n"
      "Voltage=0x1p4\r\n"
      "[POWER SUPPLY 2\r\n"
      "Gpib Addr=9\r\n";
  Loaded loaded = LoadText(junk, "[STATION]\r\nSTATION NUMBER=2\r\nSTATION 1=\xFF\xFE\r\n");
  EXPECT_EQ(loaded.settings.checkImei1, 0);
  EXPECT_EQ(loaded.settings.chargeCurrentLo, 0);
  EXPECT_EQ(loaded.settings.deepSleepCurrentHi, 0.0f);
  EXPECT_EQ(loaded.settings.deepSleepCurrentLo, 0.0f);
  EXPECT_EQ(loaded.window.stationMask, 0);
  EXPECT_EQ(loaded.settings.checkTollmark, 0);
  EXPECT_EQ(std::wcslen(loaded.settings.stationName), 259u);
  // Only the leading "0" of a hex form is a decimal number.
  EXPECT_EQ(loaded.settings.supplyVoltage[0], 0.0f);
  EXPECT_EQ(loaded.stations.size(), 2u);
}

TEST_F(ConfigFileTest, OpenAccountIsReadForTheStartUp) {
  WriteTestFile(configPath_, "[CONTROL]\r\nOpenAccount=1\r\n");
  EXPECT_EQ(ReadOpenAccount(paths_), 1);
  WriteTestFile(configPath_, "");
  EXPECT_EQ(ReadOpenAccount(paths_), 0);
}

TEST(ConfigPathsOfTheProgram, ConfigurationSitsBesideTheExecutable) {
  ConfigPaths paths{};
  ASSERT_TRUE(FormConfigPaths(paths));
  std::wstring config(paths.configPath);
  EXPECT_EQ(config, TestFilePath(L"station_config_tests.ini"));
  std::wstring directory = TestFilePath(L"");
  directory.pop_back();
  EXPECT_EQ(std::wstring(paths.stationDirectory), directory);
  EXPECT_EQ(std::wstring(paths.tollmarkPath), TestFilePath(L"Tollmark.ini"));
}

}  // namespace
