// The seven identity items as the tests know them, written out field by field, so that the
// code's own table is checked against it rather than against itself.
#pragma once

#include <string>

#include "station/config/CheckSettings.h"

struct IdentityFields {
  const wchar_t* name;
  int32_t CheckSettings::*check;
  int32_t CheckSettings::*prefixCheck;
  wchar_t* (*value)(CheckSettings&);
  wchar_t* (*prefix)(CheckSettings&);
  size_t capacity;
  const wchar_t* code;  // a code of the item's scan length (SN lengths 14 and 10)
};

inline const IdentityFields kFields[7] = {
    {L"IMEI1", &CheckSettings::checkImei1, &CheckSettings::checkImei1Prefix,
     +[](CheckSettings& s) -> wchar_t* { return s.imei1; },
     +[](CheckSettings& s) -> wchar_t* { return s.imei1Prefix; }, 16, L"860000000000011"},
    {L"IMEI2", &CheckSettings::checkImei2, &CheckSettings::checkImei2Prefix,
     +[](CheckSettings& s) -> wchar_t* { return s.imei2; },
     +[](CheckSettings& s) -> wchar_t* { return s.imei2Prefix; }, 16, L"860000000000029"},
    {L"IMEI3", &CheckSettings::checkImei3, &CheckSettings::checkImei3Prefix,
     +[](CheckSettings& s) -> wchar_t* { return s.imei3; },
     +[](CheckSettings& s) -> wchar_t* { return s.imei3Prefix; }, 16, L"860000000000037"},
    {L"SN1", &CheckSettings::checkSn1, &CheckSettings::checkSn1Prefix,
     +[](CheckSettings& s) -> wchar_t* { return s.sn1; },
     +[](CheckSettings& s) -> wchar_t* { return s.sn1Prefix; }, 66, L"VX202612090001"},
    {L"SN2", &CheckSettings::checkSn2, &CheckSettings::checkSn2Prefix,
     +[](CheckSettings& s) -> wchar_t* { return s.sn2; },
     +[](CheckSettings& s) -> wchar_t* { return s.sn2Prefix; }, 66, L"VX20261209"},
    {L"BT Addr", &CheckSettings::checkBtAddr, &CheckSettings::checkBtAddrPrefix,
     +[](CheckSettings& s) -> wchar_t* { return s.btAddr; },
     +[](CheckSettings& s) -> wchar_t* { return s.btAddrPrefix; }, 14, L"00A0C6123456"},
    {L"WIFI Addr", &CheckSettings::checkWifiAddr, &CheckSettings::checkWifiAddrPrefix,
     +[](CheckSettings& s) -> wchar_t* { return s.wifiAddr; },
     +[](CheckSettings& s) -> wchar_t* { return s.wifiAddrPrefix; }, 14, L"00A0C6123457"},
};

// Settings with the items of `enabled` checked and those of `prefixed` prefix-checked (bit i is
// item i), each prefix the first four characters of the item's code; SN lengths 14 and 10.
inline CheckSettings IdentitySettings(unsigned enabled, unsigned prefixed) {
  CheckSettings s{};
  s.snLength1 = 14;
  s.snLength2 = 10;
  for (int i = 0; i < 7; ++i) {
    s.*kFields[i].check = (enabled >> i) & 1;
    s.*kFields[i].prefixCheck = (prefixed >> i) & 1;
    std::wstring(kFields[i].code).copy(kFields[i].prefix(s), 4);
  }
  return s;
}
