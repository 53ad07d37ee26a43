// The records the simulated phone exchanges with its caller, laid out byte by byte as the
// station reads them. Every function writes only inside the record size it names.
#pragma once

#include <cstdint>

#include "PhoneProfile.h"

namespace sim {

inline constexpr int32_t kIdentityRecordSize = 140;
inline constexpr int32_t kMmiRecordSize = 258;
inline constexpr int32_t kAdcRecordSize = 48;

// Identity record request mask bits and where their fields sit.
enum IdentityMask : uint32_t {
  kMaskImei1 = 1u << 0,
  kMaskImei2 = 1u << 1,
  kMaskBtAddr = 1u << 2,
  kMaskImei3 = 1u << 4,
  kMaskWlanAddr = 1u << 6,
};

// Fills the fields the mask at offset 0 asks for; the rest of the record stays untouched.
void FillIdentityRecord(const PhoneProfile& profile, uint8_t* record);

// Fills the 64 entries of the MMI record for the block its selector names. False (record
// untouched) for a selector other than 0 or 1.
bool FillMmiRecord(const PhoneProfile& profile, uint8_t* record);

// The battery voltage word: unit code in bits 24..31, value in bits 0..23. With BatteryValue
// auto the value follows the battery supply (unit 1, mV), or BatteryIdleMv when none is known.
uint32_t BatteryWord(const PhoneProfile& profile, float batteryVolts, bool batteryKnown);
// The fuel-gauge voltage in mV, following the supply the same way when FguVoltage is auto.
int32_t FguMillivolts(const PhoneProfile& profile, float batteryVolts, bool batteryKnown);

uint32_t SwapBytes32(uint32_t value);
uint16_t SwapBytes16(uint16_t value);

void StoreLe16(uint8_t* at, uint16_t value);
void StoreLe32(uint8_t* at, uint32_t value);
uint16_t LoadLe16(const uint8_t* at);
uint32_t LoadLe32(const uint8_t* at);

}  // namespace sim
