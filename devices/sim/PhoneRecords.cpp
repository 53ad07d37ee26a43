#include "PhoneRecords.h"

#include <cmath>

#include "SimText.h"

namespace sim {

namespace {

struct IdentityField {
  uint32_t bit;
  int32_t offset;
  int32_t size;
  std::string PhoneProfile::*text;
};

constexpr IdentityField kIdentityFields[] = {
    {kMaskImei1, 4, 16, &PhoneProfile::imei1},        {kMaskImei2, 20, 16, &PhoneProfile::imei2},
    {kMaskImei3, 36, 16, &PhoneProfile::imei3},       {kMaskBtAddr, 68, 13, &PhoneProfile::btAddr},
    {kMaskWlanAddr, 81, 13, &PhoneProfile::wlanAddr},
};

int32_t MillivoltsOf(float volts) {
  return static_cast<int32_t>(std::lround(volts * 1000.0));
}

}  // namespace

void FillIdentityRecord(const PhoneProfile& profile, uint8_t* record) {
  uint32_t mask = LoadLe32(record);
  for (const IdentityField& field : kIdentityFields) {
    if ((mask & field.bit) != 0) {
      CopyTerminated(profile.*field.text, reinterpret_cast<char*>(record + field.offset),
                     static_cast<size_t>(field.size));
    }
  }
}

bool FillMmiRecord(const PhoneProfile& profile, uint8_t* record) {
  uint16_t selector = LoadLe16(record);
  if (selector != kMmiWhole && selector != kMmiPcba) {
    return false;
  }
  for (int i = 0; i < kMmiItems; ++i) {
    const MmiEntry& entry = profile.mmi[selector][static_cast<size_t>(i)];
    uint8_t* at = record + 2 + 4 * i;
    // Bytes 0 and 1 carry the item number, as the phone's own table does.
    StoreLe16(at, static_cast<uint16_t>(i));
    at[2] = entry.supported;
    at[3] = static_cast<uint8_t>(entry.result);
  }
  return true;
}

uint32_t BatteryWord(const PhoneProfile& profile, float batteryVolts, bool batteryKnown) {
  uint32_t value = profile.batteryValue;
  uint32_t unit = profile.batteryUnit;
  if (profile.batteryAuto) {
    int32_t mv = batteryKnown ? MillivoltsOf(batteryVolts) : profile.batteryIdleMv;
    value = static_cast<uint32_t>(mv < 0 ? 0 : mv);
    unit = 1;
  }
  return (unit << 24) | (value & 0xFFFFFFu);
}

int32_t FguMillivolts(const PhoneProfile& profile, float batteryVolts, bool batteryKnown) {
  if (!profile.fguAuto) {
    return profile.fguVoltage;
  }
  return batteryKnown ? MillivoltsOf(batteryVolts) : profile.batteryIdleMv;
}

uint32_t SwapBytes32(uint32_t value) {
  return (value >> 24) | ((value >> 8) & 0xFF00u) | ((value << 8) & 0xFF0000u) | (value << 24);
}

uint16_t SwapBytes16(uint16_t value) {
  return static_cast<uint16_t>((value >> 8) | (value << 8));
}

void StoreLe16(uint8_t* at, uint16_t value) {
  at[0] = static_cast<uint8_t>(value);
  at[1] = static_cast<uint8_t>(value >> 8);
}

void StoreLe32(uint8_t* at, uint32_t value) {
  for (int i = 0; i < 4; ++i) {
    at[i] = static_cast<uint8_t>(value >> (8 * i));
  }
}

uint16_t LoadLe16(const uint8_t* at) {
  return static_cast<uint16_t>(at[0] | (at[1] << 8));
}

uint32_t LoadLe32(const uint8_t* at) {
  return static_cast<uint32_t>(at[0]) | (static_cast<uint32_t>(at[1]) << 8) |
         (static_cast<uint32_t>(at[2]) << 16) | (static_cast<uint32_t>(at[3]) << 24);
}

}  // namespace sim
