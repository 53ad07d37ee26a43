// Loading and saving over an in-memory profile: each key's field, the save order with its
// sections, the derived values and the station selection.
#include "station/config/ConfigStore.h"

#include <gtest/gtest.h>

#include <cstring>
#include <cwchar>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "MemoryProfile.h"
#include "station/config/ConfigKeys.h"
#include "station/config/StationSelection.h"

namespace {

struct Loaded {
  WindowSettings window{};
  CheckSettings settings{};
  StationList stations;
};

Loaded Read(MemoryProfile& config, MemoryProfile& tollmark) {
  Loaded loaded;
  ReadConfiguration(config, tollmark, loaded.window, loaded.settings, loaded.stations);
  return loaded;
}

Loaded Read(MemoryProfile& config) {
  MemoryProfile tollmark;
  return Read(config, tollmark);
}

MemoryProfile Stations(int count) {
  MemoryProfile tollmark;
  tollmark.Set(L"STATION", L"STATION NUMBER", std::to_wstring(count));
  for (int i = 1; i <= count; ++i) {
    tollmark.Set(L"STATION", L"STATION " + std::to_wstring(i), L"ST" + std::to_wstring(i));
  }
  return tollmark;
}

double Number(const wchar_t* text) {
  return std::wcstod(text, nullptr);
}

// Every key and the field it must fill, written out independently of the key table.
struct KeyField {
  const wchar_t* section;
  const wchar_t* key;
  std::function<double(const Loaded&)> field;
};

#define W(f) [](const Loaded& l) { return static_cast<double>(l.window.f); }
#define S(f) [](const Loaded& l) { return static_cast<double>(l.settings.f); }
#define T(f) [](const Loaded& l) { return Number(l.settings.f); }

const std::vector<KeyField> kKeyFields = {
    {L"PORT", L"Uart", W(uart)},
    {L"PORT", L"Port", W(port)},
    {L"CONTROL", L"StationMask", W(stationMask)},
    {L"CONTROL", L"CalFlagMask", S(calFlagMask)},
    {L"CONTROL", L"CalFlagMaskWCDMA", S(calFlagMaskWcdma)},
    {L"CONTROL", L"CalFlagMaskLTE", S(calFlagMaskLte)},
    {L"CONTROL", L"Power On Wait Time", W(powerOnWaitTime)},
    {L"CONTROL", L"Check IMEI1", S(checkImei1)},
    {L"CONTROL", L"Check IMEI2", S(checkImei2)},
    {L"CONTROL", L"Check IMEI3", S(checkImei3)},
    {L"CONTROL", L"Check SN1", S(checkSn1)},
    {L"CONTROL", L"Check SN2", S(checkSn2)},
    {L"CONTROL", L"Check BT Addr", S(checkBtAddr)},
    {L"CONTROL", L"Check WIFI Addr", S(checkWifiAddr)},
    {L"CONTROL", L"Check Calibration Flag", S(checkCalibrationFlag)},
    {L"CONTROL", L"Check SIM Card", S(checkSimCard)},
    {L"CONTROL", L"Check T Card", S(checkTCard)},
    {L"CONTROL", L"Check AUX Voltage 3.6", S(checkAux36)},
    {L"CONTROL", L"Lo Lin AUX 3.6", S(auxLo36)},
    {L"CONTROL", L"Hi Lin AUX 3.6", S(auxHi36)},
    {L"CONTROL", L"Check AUX Voltage 3.8", S(checkAux38)},
    {L"CONTROL", L"Lo Lin AUX 3.8", S(auxLo38)},
    {L"CONTROL", L"Hi Lin AUX 3.8", S(auxHi38)},
    {L"CONTROL", L"Check AUX Voltage 4.2", S(checkAux42)},
    {L"CONTROL", L"Lo Lin AUX 4.2", S(auxLo42)},
    {L"CONTROL", L"Hi Lin AUX 4.2", S(auxHi42)},
    {L"CONTROL", L"Check FGU Voltage 3.6", S(checkFgu36)},
    {L"CONTROL", L"Lo Lin FGU 3.6", S(fguLo36)},
    {L"CONTROL", L"Hi Lin FGU 3.6", S(fguHi36)},
    {L"CONTROL", L"Check FGU Voltage 3.8", S(checkFgu38)},
    {L"CONTROL", L"Lo Lin FGU 3.8", S(fguLo38)},
    {L"CONTROL", L"Hi Lin FGU 3.8", S(fguHi38)},
    {L"CONTROL", L"Check FGU Voltage 4.2", S(checkFgu42)},
    {L"CONTROL", L"Lo Lin FGU 4.2", S(fguLo42)},
    {L"CONTROL", L"Hi Lin FGU 4.2", S(fguHi42)},
    {L"CONTROL", L"Check Charge Current", S(checkChargeCurrent)},
    {L"CONTROL", L"Lo Lin Charge Current", S(chargeCurrentLo)},
    {L"CONTROL", L"Hi Lin Charge Current", S(chargeCurrentHi)},
    {L"CONTROL", L"Check PowerOn Current", S(checkPowerOnCurrent)},
    {L"CONTROL", L"Lo Lin PowerOn Current", S(powerOnCurrentLo)},
    {L"CONTROL", L"Hi Lin PowerOn Current", S(powerOnCurrentHi)},
    {L"CONTROL", L"Check PowerOff Current", S(checkPowerOffCurrent)},
    {L"CONTROL", L"Lo Lin PowerOff Current", S(powerOffCurrentLo)},
    {L"CONTROL", L"Hi Lin PowerOff Current", S(powerOffCurrentHi)},
    {L"CONTROL", L"Check DeepSleep Current", S(checkDeepSleepCurrent)},
    {L"CONTROL", L"Lo Lin DeepSleep Current", S(deepSleepCurrentLo)},
    {L"CONTROL", L"Hi Lin DeepSleep Current", S(deepSleepCurrentHi)},
    {L"CONTROL", L"Check FGU Type", S(checkFguType)},
    {L"CONTROL", L"FGU Type", S(fguType)},
    {L"CONTROL", L"Check SW", S(checkModemVersion)},
    {L"CONTROL", L"Modem Version", T(modemVersion)},
    {L"CONTROL", L"Check AP", S(checkApVersion)},
    {L"CONTROL", L"AP Version", T(apVersion)},
    {L"CONTROL", L"Check MMI CIT", S(checkNativeMmi)},
    {L"CONTROL", L"Pass", W(passCount)},
    {L"CONTROL", L"Fail", W(failCount)},
    {L"CONTROL", L"Leak Current Delay", S(leakCurrentDelay)},
    {L"CONTROL", L"Charge Current Delay", S(chargeCurrentDelay)},
    {L"CONTROL", L"PowerOn Current Delay", S(powerOnCurrentDelay)},
    {L"CONTROL", L"StandbyCurrent Delay", S(standbyCurrentDelay)},
    {L"CONTROL", L"WG", S(wcdmaGsm)},
    {L"CONTROL", L"TestCounts", W(testCounts)},
    {L"CONTROL", L"Scanner", W(scanner)},
    {L"CONTROL", L"SN Length1", S(snLength1)},
    {L"CONTROL", L"SN Length2", S(snLength2)},
    {L"CONTROL", L"Power Off", S(powerOffAfterCheck)},
    {L"CONTROL", L"Save Log", S(saveLog)},
    {L"CONTROL", L"Save Voltage Log", S(saveVoltageLog)},
    {L"CONTROL", L"Factory Reset", S(factoryReset)},
    {L"CONTROL", L"Station Name", T(stationName)},
    {L"CONTROL", L"Check IMEI1 First Few", S(checkImei1Prefix)},
    {L"CONTROL", L"Check IMEI2 First Few", S(checkImei2Prefix)},
    {L"CONTROL", L"Check IMEI3 First Few", S(checkImei3Prefix)},
    {L"CONTROL", L"Check SN1 First Few", S(checkSn1Prefix)},
    {L"CONTROL", L"Check SN2 First Few", S(checkSn2Prefix)},
    {L"CONTROL", L"Check BT Addr First Few", S(checkBtAddrPrefix)},
    {L"CONTROL", L"Check WIFI Addr First Few", S(checkWifiAddrPrefix)},
    {L"CONTROL", L"IMEI1 First Few", T(imei1Prefix)},
    {L"CONTROL", L"IMEI2 First Few", T(imei2Prefix)},
    {L"CONTROL", L"IMEI3 First Few", T(imei3Prefix)},
    {L"CONTROL", L"SN1 First Few", T(sn1Prefix)},
    {L"CONTROL", L"SN2 First Few", T(sn2Prefix)},
    {L"CONTROL", L"BT Addr First Few", T(btAddrPrefix)},
    {L"CONTROL", L"WIFI Addr First Few", T(wifiAddrPrefix)},
    {L"POWER SUPPLY", L"Enable", S(supplyEnable[0])},
    {L"POWER SUPPLY", L"DC Type", S(supplyType[0])},
    {L"POWER SUPPLY", L"Gpib Type", S(gpibType[0])},
    {L"POWER SUPPLY", L"Gpib Card", S(gpibCard[0])},
    {L"POWER SUPPLY", L"Gpib Addr", S(gpibAddr[0])},
    {L"POWER SUPPLY", L"Voltage", S(supplyVoltage[0])},
    {L"POWER SUPPLY 2", L"Enable", S(supplyEnable[1])},
    {L"POWER SUPPLY 2", L"DC Type", S(supplyType[1])},
    {L"POWER SUPPLY 2", L"Gpib Type", S(gpibType[1])},
    {L"POWER SUPPLY 2", L"Gpib Card", S(gpibCard[1])},
    {L"POWER SUPPLY 2", L"Gpib Addr", S(gpibAddr[1])},
    {L"POWER SUPPLY 2", L"Voltage", S(supplyVoltage[1])},
    {L"POWER SUPPLY", L"Dual Power", S(dualPower)},
    {L"POWER SUPPLY", L"Check SecureBoot Enable", S(checkSecureBoot)},
};

#undef W
#undef S
#undef T

TEST(ConfigKeys, EveryKeyFillsItsOwnField) {
  ASSERT_EQ(kKeyFields.size() + 1, kConfigKeyCount);  // "OpenAccount" has no field
  MemoryProfile config;
  for (size_t i = 0; i < kKeyFields.size(); ++i) {
    config.Set(kKeyFields[i].section, kKeyFields[i].key, std::to_wstring(i + 2));
  }
  Loaded loaded = Read(config);
  for (size_t i = 0; i < kKeyFields.size(); ++i) {
    EXPECT_EQ(kKeyFields[i].field(loaded), static_cast<double>(i + 2))
        << "key \"" << std::string(kKeyFields[i].key, kKeyFields[i].key + wcslen(kKeyFields[i].key))
        << "\"";
  }
}

TEST(ConfigKeys, EveryWrittenKeyIsWrittenFromItsOwnField) {
  MemoryProfile config;
  for (size_t i = 0; i < kKeyFields.size(); ++i) {
    config.Set(kKeyFields[i].section, kKeyFields[i].key, std::to_wstring(i + 2));
  }
  Loaded loaded = Read(config);
  MemoryProfile saved;
  WriteConfiguration(saved, loaded.window, loaded.settings);
  EXPECT_EQ(saved.writes.size(), static_cast<size_t>(kWrittenKeyCount));
  for (size_t i = 0; i < kKeyFields.size(); ++i) {
    auto found = saved.values.find({kKeyFields[i].section, kKeyFields[i].key});
    if (found != saved.values.end()) {
      EXPECT_EQ(std::wcstod(found->second.c_str(), nullptr), static_cast<double>(i + 2));
    }
  }
}

TEST(SaveOrder, SectionsInterleaveAsTheStationWritesThem) {
  MemoryProfile config;
  Loaded loaded = Read(config);
  MemoryProfile saved;
  WriteConfiguration(saved, loaded.window, loaded.settings);
  const std::vector<std::wstring>& w = saved.writes;
  ASSERT_EQ(w.size(), 91u);
  EXPECT_EQ(w[0], L"PORT/Uart=1");
  EXPECT_EQ(w[1], L"PORT/Port=-1");
  EXPECT_EQ(w[2], L"CONTROL/Check IMEI1=0");
  EXPECT_EQ(w[11], L"CONTROL/Check T Card=0");
  EXPECT_EQ(w[12], L"CONTROL/Check AUX Voltage 3.6=0");
  EXPECT_EQ(w[21], L"CONTROL/Check Charge Current=0");
  EXPECT_EQ(w[31], L"CONTROL/Lo Lin DeepSleep Current=1.00");
  EXPECT_EQ(w[33], L"CONTROL/Check FGU Type=0");
  EXPECT_EQ(w[34], L"CONTROL/Check FGU Voltage 3.6=0");
  EXPECT_EQ(w[43], L"CONTROL/Check SW=0");
  EXPECT_EQ(w[44], L"CONTROL/Check AP=0");
  EXPECT_EQ(w[45], L"CONTROL/Modem Version=");
  EXPECT_EQ(w[53], L"CONTROL/CalFlagMaskLTE=0");
  EXPECT_EQ(w[54], L"POWER SUPPLY/Enable=0");
  EXPECT_EQ(w[59], L"POWER SUPPLY/Voltage=3.800000");
  EXPECT_EQ(w[60], L"POWER SUPPLY 2/Enable=0");
  EXPECT_EQ(w[65], L"POWER SUPPLY 2/Voltage=3.800000");
  EXPECT_EQ(w[66], L"POWER SUPPLY/Dual Power=0");
  EXPECT_EQ(w[67], L"CONTROL/WG=0");
  EXPECT_EQ(w[70], L"CONTROL/Save Log=0");
  EXPECT_EQ(w[75], L"CONTROL/StandbyCurrent Delay=0");
  EXPECT_EQ(w[76], L"POWER SUPPLY/Check SecureBoot Enable=0");
  EXPECT_EQ(w[77], L"CONTROL/Check IMEI1 First Few=0");
  EXPECT_EQ(w[83], L"CONTROL/Check WIFI Addr First Few=0");
  EXPECT_EQ(w[84], L"CONTROL/IMEI1 First Few=");
  EXPECT_EQ(w[90], L"CONTROL/WIFI Addr First Few=");
  std::set<std::wstring> keys;
  for (const std::wstring& write : w) {
    keys.insert(write.substr(0, write.find(L'=')));
  }
  EXPECT_EQ(keys.size(), w.size()) << "a key was written twice";
}

TEST(SaveOrder, PortIsWrittenOnlyForUart) {
  MemoryProfile config;
  Loaded loaded = Read(config);
  loaded.window.uart = 0;
  MemoryProfile saved;
  WriteConfiguration(saved, loaded.window, loaded.settings);
  EXPECT_EQ(saved.writes.size(), 90u);
  EXPECT_EQ(saved.values.count({L"PORT", L"Port"}), 0u);
  EXPECT_EQ(saved.writes[0], L"PORT/Uart=0");
  EXPECT_EQ(saved.writes[1], L"CONTROL/Check IMEI1=0");
}

TEST(SaveOrder, NeverWrittenKeysAreNeverWritten) {
  MemoryProfile config;
  Loaded loaded = Read(config);
  MemoryProfile saved;
  WriteConfiguration(saved, loaded.window, loaded.settings);
  for (const wchar_t* key : {L"OpenAccount", L"Power On Wait Time", L"FGU Type", L"TestCounts",
                             L"Scanner", L"SN Length1", L"SN Length2", L"Station Name"}) {
    EXPECT_EQ(saved.values.count({L"CONTROL", key}), 0u);
  }
}

TEST(SaveOrder, TextsWithoutTerminatorAreWrittenUpToTheirCapacity) {
  CheckSettings settings{};
  WindowSettings window{};
  for (wchar_t& c : settings.btAddrPrefix) {
    c = L'B';
  }
  MemoryProfile saved;
  WriteConfiguration(saved, window, settings);
  std::wstring written = saved.values[{L"CONTROL", L"BT Addr First Few"}];
  EXPECT_EQ(written, std::wstring(14, L'B'));
}

TEST(SaveOrder, ATextEndsAtItsFirstLineBreak) {
  CheckSettings settings{};
  WindowSettings window{};
  wcscpy(settings.apVersion, L"AP_1\r\n[PORT]\r\nUart=0");
  wcscpy(settings.modemVersion, L"\nMODEM");
  MemoryProfile saved;
  WriteConfiguration(saved, window, settings);
  std::wstring ap = saved.values[{L"CONTROL", L"AP Version"}];
  std::wstring modem = saved.values[{L"CONTROL", L"Modem Version"}];
  EXPECT_EQ(ap, L"AP_1");
  EXPECT_EQ(modem, L"");
}

TEST(DerivedValues, StationMaskSelectsListedStations) {
  MemoryProfile config;
  config.Set(L"CONTROL", L"StationMask", L"5");
  MemoryProfile tollmark = Stations(3);
  Loaded loaded = Read(config, tollmark);
  EXPECT_EQ(loaded.stations.at(0).selected, 1);
  EXPECT_EQ(loaded.stations.at(1).selected, 0);
  EXPECT_EQ(loaded.stations.at(2).selected, 1);
  EXPECT_STREQ(loaded.stations.at(1).name, L"ST2");
  EXPECT_EQ(loaded.settings.checkTollmark, 1);
}

TEST(DerivedValues, SupplyUseFollowsEitherEnableOrDualPower) {
  for (const wchar_t* section : {L"POWER SUPPLY", L"POWER SUPPLY 2"}) {
    MemoryProfile config;
    config.Set(section, L"Enable", L"1");
    EXPECT_EQ(Read(config).settings.powerSupplyUsed, 1);
  }
  MemoryProfile dual;
  dual.Set(L"POWER SUPPLY", L"Dual Power", L"1");
  EXPECT_EQ(Read(dual).settings.powerSupplyUsed, 1);
  MemoryProfile dualInSecond;
  dualInSecond.Set(L"POWER SUPPLY 2", L"Dual Power", L"1");
  EXPECT_EQ(Read(dualInSecond).settings.powerSupplyUsed, 0);
}

TEST(StationSelection, SixteenCheckedStationsGiveFifteenMaskBits) {
  StationList stations;
  for (int i = 0; i < 16; ++i) {
    stations[i] = _tollmark_key_t{L"S", 1};
  }
  CheckSettings settings{};
  int32_t mask = 0;
  ApplyStationSelection(stations, mask, settings);
  EXPECT_EQ(mask, 0x7FFF);
  EXPECT_EQ(settings.checkTollmark, 1);
  EXPECT_EQ(stations[15].selected, 0);
}

TEST(StationSelection, NoSelectedStationClearsMaskAndTollMark) {
  StationList stations;
  stations[0] = _tollmark_key_t{L"A", 0};
  stations[15] = _tollmark_key_t{L"P", 1};
  CheckSettings settings{};
  settings.checkTollmark = 1;
  int32_t mask = 0x7FFF;
  ApplyStationSelection(stations, mask, settings);
  EXPECT_EQ(mask, 0);
  EXPECT_EQ(settings.checkTollmark, 0);
  EXPECT_EQ(stations[15].selected, 0);
}

TEST(StationSelection, SelectionSurvivesASaveAndALoad) {
  StationList stations;
  for (int i = 0; i < 5; ++i) {
    stations[i] = _tollmark_key_t{L"S", i % 2 == 1 ? 7 : 0};  // any non-zero selects
  }
  CheckSettings settings{};
  WindowSettings window{};
  ApplyStationSelection(stations, window.stationMask, settings);
  EXPECT_EQ(window.stationMask, 0b01010);
  EXPECT_EQ(stations[1].selected, 1);

  MemoryProfile saved;
  WriteConfiguration(saved, window, settings);
  MemoryProfile tollmark = Stations(5);
  Loaded loaded = Read(saved, tollmark);
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(loaded.stations.at(i).selected, stations[i].selected) << i;
  }
  EXPECT_EQ(loaded.settings.checkTollmark, 1);
}

TEST(StationSelection, MaskBitsAboveFourteenAreIgnoredOnLoad) {
  StationList stations;
  for (int i = 0; i < 20; ++i) {
    stations[i] = _tollmark_key_t{L"S", 0};
  }
  CheckSettings settings{};
  SelectStationsFromMask(static_cast<int32_t>(0xFFFF8000u), stations, settings);
  for (const auto& [index, station] : stations) {
    EXPECT_EQ(station.selected, 0) << index;
  }
  EXPECT_EQ(settings.checkTollmark, 0);
}

}  // namespace
