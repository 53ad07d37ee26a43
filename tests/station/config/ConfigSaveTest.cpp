// Saving Varnex.ini through the real profile functions: order, formats, what is left alone,
// and a save that cannot reach the file.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cwchar>
#include <sstream>
#include <string>
#include <vector>

#include "ConfigFixture.h"

namespace {

// The file's non-empty lines; blank separator lines are the profile writer's business.
std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream stream(text);
  std::string line;
  while (std::getline(stream, line)) {
    if (!line.empty() && line.back() == '\r') {
      line.pop_back();
    }
    if (!line.empty()) {
      lines.push_back(line);
    }
  }
  return lines;
}

std::string ValueOf(const std::string& text, const std::string& key) {
  for (const std::string& line : Lines(text)) {
    if (line.compare(0, key.size() + 1, key + "=") == 0) {
      return line.substr(key.size() + 1);
    }
  }
  return "<missing>";
}

const std::vector<std::string> kDefaultFileLines = {
    "[PORT]",
    "Uart=1",
    "Port=-1",
    "[CONTROL]",
    "Check IMEI1=0",
    "Check IMEI2=0",
    "Check IMEI3=0",
    "Check SN1=0",
    "Check SN2=0",
    "Check BT Addr=0",
    "Check WIFI Addr=0",
    "Check Calibration Flag=0",
    "Check SIM Card=0",
    "Check T Card=0",
    "Check AUX Voltage 3.6=0",
    "Lo Lin AUX 3.6=3740",
    "Hi Lin AUX 3.6=3860",
    "Check AUX Voltage 3.8=0",
    "Lo Lin AUX 3.8=3740",
    "Hi Lin AUX 3.8=3860",
    "Check AUX Voltage 4.2=0",
    "Lo Lin AUX 4.2=3740",
    "Hi Lin AUX 4.2=3860",
    "Check Charge Current=0",
    "Lo Lin Charge Current=410",
    "Hi Lin Charge Current=490",
    "Check PowerOn Current=0",
    "Lo Lin PowerOn Current=120",
    "Hi Lin PowerOn Current=200",
    "Check PowerOff Current=0",
    "Lo Lin PowerOff Current=0",
    "Hi Lin PowerOff Current=100",
    "Check DeepSleep Current=0",
    "Lo Lin DeepSleep Current=1.00",
    "Hi Lin DeepSleep Current=2.30",
    "Check FGU Type=0",
    "Check FGU Voltage 3.6=0",
    "Lo Lin FGU 3.6=3750",
    "Hi Lin FGU 3.6=3850",
    "Check FGU Voltage 3.8=0",
    "Lo Lin FGU 3.8=3750",
    "Hi Lin FGU 3.8=3850",
    "Check FGU Voltage 4.2=0",
    "Lo Lin FGU 4.2=3750",
    "Hi Lin FGU 4.2=3850",
    "Check SW=0",
    "Check AP=0",
    "Modem Version=",
    "AP Version=",
    "Check MMI CIT=1",
    "Pass=0",
    "Fail=0",
    "StationMask=0",
    "CalFlagMask=0",
    "CalFlagMaskWCDMA=0",
    "CalFlagMaskLTE=0",
    "WG=0",
    "Power Off=0",
    "Leak Current Delay=0",
    "Save Log=0",
    "Charge Current Delay=0",
    "Save Voltage Log=0",
    "PowerOn Current Delay=0",
    "Factory Reset=0",
    "StandbyCurrent Delay=0",
    "Check IMEI1 First Few=0",
    "Check IMEI2 First Few=0",
    "Check IMEI3 First Few=0",
    "Check SN1 First Few=0",
    "Check SN2 First Few=0",
    "Check BT Addr First Few=0",
    "Check WIFI Addr First Few=0",
    "IMEI1 First Few=",
    "IMEI2 First Few=",
    "IMEI3 First Few=",
    "SN1 First Few=",
    "SN2 First Few=",
    "BT Addr First Few=",
    "WIFI Addr First Few=",
    "[POWER SUPPLY]",
    "Enable=0",
    "DC Type=0",
    "Gpib Type=0",
    "Gpib Card=0",
    "Gpib Addr=0",
    "Voltage=3.800000",
    "Dual Power=0",
    "Check SecureBoot Enable=0",
    "[POWER SUPPLY 2]",
    "Enable=0",
    "DC Type=0",
    "Gpib Type=0",
    "Gpib Card=0",
    "Gpib Addr=0",
    "Voltage=3.800000",
};

// Every written value moved off its default; the derived values agree with the keys.
void ChangeEveryWrittenValue(WindowSettings& w, CheckSettings& s) {
  w.uart = 1;
  w.port = 17;
  w.passCount = 3000000000u;  // beyond the signed range: written as "%d", read back the same
  w.failCount = 41;
  w.stationMask = 0x4001;
  int32_t* flags[] = {&s.checkImei1,
                      &s.checkImei2,
                      &s.checkImei3,
                      &s.checkSn1,
                      &s.checkSn2,
                      &s.checkBtAddr,
                      &s.checkWifiAddr,
                      &s.checkCalibrationFlag,
                      &s.checkSimCard,
                      &s.checkTCard,
                      &s.checkAux36,
                      &s.checkAux38,
                      &s.checkAux42,
                      &s.checkFgu36,
                      &s.checkFgu38,
                      &s.checkFgu42,
                      &s.checkFguType,
                      &s.checkChargeCurrent,
                      &s.checkPowerOffCurrent,
                      &s.checkPowerOnCurrent,
                      &s.checkDeepSleepCurrent,
                      &s.checkModemVersion,
                      &s.checkApVersion,
                      &s.dualPower,
                      &s.wcdmaGsm,
                      &s.powerOffAfterCheck,
                      &s.saveVoltageLog,
                      &s.checkSecureBoot,
                      &s.factoryReset,
                      &s.checkImei1Prefix,
                      &s.checkImei2Prefix,
                      &s.checkImei3Prefix,
                      &s.checkSn1Prefix,
                      &s.checkSn2Prefix,
                      &s.checkBtAddrPrefix,
                      &s.checkWifiAddrPrefix};
  int32_t value = 2;
  for (int32_t* flag : flags) {
    *flag = value++;
  }
  s.checkNativeMmi = 0;
  s.auxLo36 = -1;
  s.auxHi36 = 2147483647;
  s.auxLo38 = 3700;
  s.auxHi38 = 3900;
  s.auxLo42 = 4100;
  s.auxHi42 = 4300;
  s.fguLo36 = 1;
  s.fguHi36 = 2;
  s.fguLo38 = 3;
  s.fguHi38 = 4;
  s.fguLo42 = 5;
  s.fguHi42 = -2147483647 - 1;
  s.chargeCurrentLo = 300;
  s.chargeCurrentHi = 600;
  s.powerOnCurrentLo = 90;
  s.powerOnCurrentHi = 250;
  s.powerOffCurrentLo = 7;
  s.powerOffCurrentHi = 70;
  s.deepSleepCurrentLo = 1.25f;
  s.deepSleepCurrentHi = -2.5f;
  wcscpy(s.modemVersion, std::wstring(499, L'm').c_str());
  wcscpy(s.apVersion, L"AP 1.0 = build 7");
  s.calFlagMask = 0x3FFFFF;
  s.calFlagMaskWcdma = 0x1F;
  s.calFlagMaskLte = 0x3FF;
  s.wcdmaUsed = 1;
  s.lteUsed = 1;
  s.supplyEnable[0] = 1;
  s.supplyEnable[1] = 1;
  s.powerSupplyUsed = 1;
  s.supplyType[0] = 1;
  s.supplyType[1] = 3;
  s.gpibType[0] = 4;
  s.gpibType[1] = 5;
  s.gpibCard[0] = 6;
  s.gpibCard[1] = 7;
  s.gpibAddr[0] = 8;
  s.gpibAddr[1] = 9;
  s.supplyVoltage[0] = 4.2f;
  s.supplyVoltage[1] = 3.65f;
  s.saveLog = 3;
  s.leakCurrentDelay = 100;
  s.chargeCurrentDelay = 200;
  s.powerOnCurrentDelay = 300;
  s.standbyCurrentDelay = 400;
  wcscpy(s.imei1Prefix, L"86123");
  wcscpy(s.imei2Prefix, L"86124");
  wcscpy(s.imei3Prefix, L"123456789012345");
  wcscpy(s.sn1Prefix, std::wstring(65, L'S').c_str());
  wcscpy(s.sn2Prefix, L"SN2");
  wcscpy(s.btAddrPrefix, L"0A1B2C");
  wcscpy(s.wifiAddrPrefix, L"ABCDEF012345");
}

TEST_F(ConfigFileTest, FileWrittenFromScratchHasEveryKeyInTheSaveOrder) {
  Save(DefaultWindow(), DefaultSettings());
  EXPECT_EQ(Lines(FileText()), kDefaultFileLines);
}

TEST_F(ConfigFileTest, PortIsNotWrittenForUsb) {
  WindowSettings window = DefaultWindow();
  window.uart = 0;
  window.port = 9;
  Save(window, DefaultSettings());
  EXPECT_EQ(ValueOf(FileText(), "Port"), "<missing>");
  EXPECT_EQ(ValueOf(FileText(), "Uart"), "0");
}

TEST_F(ConfigFileTest, SavingForUsbLeavesThePortAsItWas) {
  Loaded loaded = LoadText("[PORT]\r\nUart=0\r\nPort=5\r\n");
  loaded.window.port = 9;  // reported by the phone library in USB mode
  Save(loaded.window, loaded.settings);
  EXPECT_EQ(ValueOf(FileText(), "Port"), "5");

  loaded.window.uart = 1;
  Save(loaded.window, loaded.settings);
  EXPECT_EQ(ValueOf(FileText(), "Port"), "9");
}

TEST_F(ConfigFileTest, ValuesNeverWrittenStayAsTheyAreInTheFile) {
  Loaded loaded = LoadText(
      "[CONTROL]\r\nOpenAccount=1\r\nPower On Wait Time=4500\r\nFGU Type=7\r\nTestCounts=4\r\n"
      "Scanner=0\r\nSN Length1=9\r\nSN Length2=10\r\nStation Name=MMI-2\r\n");
  loaded.settings.fguType = 2;
  wcscpy(loaded.settings.stationName, L"CHANGED");
  loaded.settings.snLength1 = 1;
  loaded.settings.snLength2 = 1;
  loaded.window.testCounts = 1;
  loaded.window.scanner = 1;
  loaded.window.powerOnWaitTime = 1;
  Save(loaded.window, loaded.settings);
  std::string text = FileText();
  EXPECT_EQ(ValueOf(text, "OpenAccount"), "1");
  EXPECT_EQ(ValueOf(text, "Power On Wait Time"), "4500");
  EXPECT_EQ(ValueOf(text, "FGU Type"), "7");
  EXPECT_EQ(ValueOf(text, "TestCounts"), "4");
  EXPECT_EQ(ValueOf(text, "Scanner"), "0");
  EXPECT_EQ(ValueOf(text, "SN Length1"), "9");
  EXPECT_EQ(ValueOf(text, "SN Length2"), "10");
  EXPECT_EQ(ValueOf(text, "Station Name"), "MMI-2");
}

TEST_F(ConfigFileTest, FloatsAreWrittenInTheirOwnForms) {
  Loaded loaded = LoadText(
      "[POWER SUPPLY]\r\nVoltage=3.85\r\n"
      "[CONTROL]\r\nLo Lin DeepSleep Current=1\r\nHi Lin DeepSleep Current=2.345\r\n");
  EXPECT_FLOAT_EQ(loaded.settings.supplyVoltage[0], 3.85f);
  Save(loaded.window, loaded.settings);
  std::string text = FileText();
  EXPECT_EQ(ValueOf(text, "Voltage"), "3.850000");
  EXPECT_EQ(ValueOf(text, "Lo Lin DeepSleep Current"), "1.00");
  EXPECT_EQ(ValueOf(text, "Hi Lin DeepSleep Current"), "2.35");
}

TEST_F(ConfigFileTest, EveryWrittenValueReadsBackToTheSameRecord) {
  Loaded before = LoadText("", StationsText(16));
  ChangeEveryWrittenValue(before.window, before.settings);
  before.settings.checkTollmark = 1;  // station 0 and 14 are in the mask
  before.window.repeatsLeft = before.window.testCounts - 1;
  DeleteTestFile(configPath_);
  Save(before.window, before.settings);

  Loaded after = Load();
  EXPECT_TRUE(SameRecord(after.settings, before.settings));
  EXPECT_TRUE(SameRecord(after.window, before.window));
  EXPECT_EQ(after.window.passCount, 3000000000u);
  EXPECT_EQ(after.window.port, 17);
  EXPECT_EQ(std::wstring(after.settings.modemVersion), std::wstring(before.settings.modemVersion));
  EXPECT_EQ(after.stations[0].selected, 1);
  EXPECT_EQ(after.stations[14].selected, 1);
  EXPECT_EQ(after.stations[15].selected, 0);
}

TEST_F(ConfigFileTest, APastedLineBreakCannotAddKeys) {
  Loaded loaded = LoadText("");
  wcscpy(loaded.settings.modemVersion, L"W17\r\n[PORT]\r\nUart=0\r\nPort=99");
  loaded.window.port = 3;
  Save(loaded.window, loaded.settings);
  std::vector<std::string> lines = Lines(FileText());
  EXPECT_EQ(ValueOf(FileText(), "Modem Version"), "W17");
  EXPECT_EQ(std::count(lines.begin(), lines.end(), "[PORT]"), 1);
  EXPECT_EQ(std::count(lines.begin(), lines.end(), "Port=99"), 0);
  EXPECT_EQ(lines.size(), kDefaultFileLines.size());
}

TEST_F(ConfigFileTest, ASaveThatCannotReachTheFileSaysSo) {
  WriteTestFile(configPath_, "[CONTROL]\r\nPass=7\r\n");
  // Open for reading only, as for an operator whose folder rights are too narrow.
  HANDLE held = CreateFileW(configPath_.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                            OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  Loaded loaded = Load();
  loaded.window.passCount = 8;
  EXPECT_FALSE(SaveConfiguration(paths_, loaded.window, loaded.settings));
  CloseHandle(held);
  EXPECT_EQ(FileText(), "[CONTROL]\r\nPass=7\r\n");
  ConfigPaths none{};
  EXPECT_FALSE(SaveConfiguration(none, loaded.window, loaded.settings));
}

TEST_F(ConfigFileTest, SavingTwiceChangesNothing) {
  Loaded loaded = LoadText("");
  ChangeEveryWrittenValue(loaded.window, loaded.settings);
  Save(loaded.window, loaded.settings);
  std::string first = FileText();
  Save(loaded.window, loaded.settings);
  EXPECT_EQ(FileText(), first);
}

TEST_F(ConfigFileTest, ShippedDefaultsAreWhatAFreshStationHas) {
  std::string shipped = ReadTestFile(TestFilePath(L"Varnex.ini"));
  ASSERT_FALSE(shipped.empty());
  Loaded loaded = LoadText(shipped);
  EXPECT_TRUE(SameRecord(loaded.settings, DefaultSettings()));
  EXPECT_TRUE(SameRecord(loaded.window, DefaultWindow()));

  // A save from the defaults changes none of its lines.
  Save(loaded.window, loaded.settings);
  EXPECT_EQ(Lines(FileText()), Lines(shipped));

  // It holds the keys a save writes, in the same order, and the others besides.
  std::vector<std::string> written;
  for (const std::string& line : Lines(shipped)) {
    std::string key = line.substr(0, line.find('='));
    if (key != "OpenAccount" && key != "Power On Wait Time" && key != "FGU Type" &&
        key != "TestCounts" && key != "Scanner" && key != "SN Length1" && key != "SN Length2" &&
        key != "Station Name") {
      written.push_back(line);
    }
  }
  EXPECT_EQ(written, kDefaultFileLines);
}

}  // namespace
