// The fixed catalogue of check items and the name tables other modules index.
#pragma once

#include <cstdint>

enum class CheckItem : int32_t {
  Imei1 = 0,
  Imei2,
  Imei3,
  Sn1,
  Sn2,
  BtAddr,
  WifiAddr,
  CalibrationFlag,
  SimCard,
  TCard,
  AuxVoltage36,
  FguVoltage36,
  AuxVoltage38,
  FguVoltage38,
  AuxVoltage42,
  FguVoltage42,
  FguType,
  ModemVersion,
  ApVersion,
  NativeMmiFlag,
  TollMark,
  SecureBootEnableFlag,
  ChargeCurrent,
  PowerOnCurrent,
  DeepSleepCurrent,
  PowerOffCurrent,
};

inline constexpr int kCheckItemCount = 26;
inline constexpr int kCalFlagCount = 37;
inline constexpr int kMmiItemCount = 64;

// Display names in list-row order; a check's RowReport carries its item's name.
extern const wchar_t* const ItemNames[kCheckItemCount];
// Calibration and final-test flag names, index 0..36.
extern const wchar_t* const CalFlagNames[kCalFlagCount];
// The phone's own MMI self-test items, index 0..63 (63 = "Final result").
extern const wchar_t* const MmiItemNames[kMmiItemCount];
