// The one simulated phone of the process: its profile, its state on the bench, the call
// bookkeeping and the place of its flash file. Every field is guarded by `mutex`.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>

#include "CallTable.h"
#include "PhoneProfile.h"
#include "SimResults.h"
#include "UsbTimer.h"

namespace sim {

// The phone library's operations, in the order of the phone command interface.
enum class Fn {
  CreatePhone,
  ReleasePhone,
  BeginPhoneTest,
  EnterModeProcess,
  StopModeProcess,
  EndPhoneTest,
  GetUsbPort,
  SetProperty,
  GetMsVersion,
  GetAPVersion,
  FastReadNvInfo,
  ReadSN,
  GsmReadCalibrationParam,
  WcdmaLoadTestFlag,
  LteReadCalibrationParam,
  DataEndianConv32,
  DataEndianConv16,
  SendATCommand,
  GetMsVoltage,
  ApSendADC,
  ApChargeCmd,
  EnterDeepSleepMode,
  PowerOff,
  ReadEnableSecureBoot,
  ApReadMMI,
  ReadProductFlash,
  WriteProductFlash,
  FastReadProductInfo,
  FastWriteProductInfo,
};

inline constexpr int32_t kPhoneHandle = 1;

// A battery output below this counts as switched off.
inline constexpr float kBatteryOnVolts = 0.5f;

struct SimPhone {
  SimPhone();

  std::mutex mutex;
  PhoneProfile profile;
  CallTable calls;
  std::wstring flashPath;
  bool profileLoaded = false;
  int32_t state = 0;  // KVSIM_PHONE_...
  float batteryVolts = 0.0f;
  bool batteryKnown = false;
  bool batteryOff = false;
  int32_t uartSilentLeft = 0;
  int32_t lastMode = -1;
  std::string lastAtCommand;
  UsbTimer usb;  // has its own lock; never taken while `mutex` is held
};

SimPhone& Phone();

// Back to the built-in phone; the flash file stays. Call with the lock held.
void ResetLocked(SimPhone& phone);
// One profile value of any section ([Phone], [AT], [MMI], [Fail], [Delay]). Lock held.
bool SetValueLocked(SimPhone& phone, std::string_view section, std::string_view key,
                    std::string_view value);
// Applies every value of a profile file over the current ones. False when the file is
// missing. Lock held.
bool ApplyProfileFileLocked(SimPhone& phone, const std::wstring& path);

std::wstring DefaultProfilePath();

}  // namespace sim
