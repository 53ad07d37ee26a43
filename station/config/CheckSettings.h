// The station's settings as one plain fixed-size record, copied whole between the window, the
// dialogs and the engine. Texts are UTF-16 with their capacity (terminator included).
#pragma once

#include <cstdint>
#include <type_traits>

struct CheckSettings {
  int32_t checkImei1;
  wchar_t imei1[16];
  int32_t checkImei2;
  wchar_t imei2[16];
  int32_t checkImei3;
  wchar_t imei3[16];
  int32_t checkSn1;
  wchar_t sn1[66];
  int32_t checkSn2;
  wchar_t sn2[66];
  int32_t snLength1;
  int32_t snLength2;
  int32_t checkBtAddr;
  wchar_t btAddr[14];
  int32_t checkWifiAddr;
  wchar_t wifiAddr[14];
  int32_t checkCalibrationFlag;
  int32_t checkSimCard;
  int32_t checkTCard;
  int32_t checkAux36, auxHi36, auxLo36;
  int32_t checkAux38, auxHi38, auxLo38;
  int32_t checkAux42, auxHi42, auxLo42;
  int32_t checkFgu36, fguHi36, fguLo36;
  int32_t checkFgu38, fguHi38, fguLo38;
  int32_t checkFgu42, fguHi42, fguLo42;
  int32_t checkFguType, fguType;
  int32_t checkChargeCurrent, chargeCurrentHi, chargeCurrentLo;
  int32_t checkPowerOffCurrent, powerOffCurrentHi, powerOffCurrentLo;
  int32_t checkPowerOnCurrent, powerOnCurrentHi, powerOnCurrentLo;
  int32_t checkDeepSleepCurrent;
  float deepSleepCurrentHi, deepSleepCurrentLo;
  int32_t checkModemVersion;
  wchar_t modemVersion[500];
  int32_t checkApVersion;
  wchar_t apVersion[500];
  int32_t checkNativeMmi;
  int32_t checkTollmark;
  int32_t powerSupplyUsed;
  int32_t supplyEnable[2];
  int32_t dualPower;
  int32_t supplyType[2];
  int32_t gpibType[2];
  int32_t gpibCard[2];
  int32_t gpibAddr[2];
  float supplyVoltage[2];
  int32_t calFlagMask;
  int32_t calFlagMaskWcdma;
  int32_t wcdmaGsm;
  int32_t wcdmaGsmMode;
  int32_t wcdmaUsed;
  int32_t lteUsed;
  int32_t calFlagMaskLte;
  int32_t powerOffAfterCheck;
  int32_t saveLog;
  int32_t saveVoltageLog;
  int32_t leakCurrentDelay;
  int32_t chargeCurrentDelay;
  int32_t powerOnCurrentDelay;
  int32_t standbyCurrentDelay;
  int32_t checkSecureBoot;
  int32_t factoryReset;
  wchar_t stationName[260];
  int32_t checkImei1Prefix;
  wchar_t imei1Prefix[16];
  int32_t checkImei2Prefix;
  wchar_t imei2Prefix[16];
  int32_t checkImei3Prefix;
  wchar_t imei3Prefix[16];
  int32_t checkSn1Prefix;
  wchar_t sn1Prefix[66];
  int32_t checkSn2Prefix;
  wchar_t sn2Prefix[66];
  int32_t checkBtAddrPrefix;
  wchar_t btAddrPrefix[14];
  int32_t checkWifiAddrPrefix;
  wchar_t wifiAddrPrefix[14];
};

static_assert(std::is_trivially_copyable_v<CheckSettings>, "CheckSettings is copied whole");
static_assert(std::is_standard_layout_v<CheckSettings>, "CheckSettings is a plain record");
