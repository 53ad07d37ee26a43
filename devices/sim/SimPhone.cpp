#include "SimPhone.h"

#include <iterator>

#include "IniText.h"
#include "SimFiles.h"
#include "SimText.h"
#include "devices/sim/dutlink_sim.h"

namespace sim {

namespace {

// Names as exported, in the order of Fn.
constexpr const char* kFunctionNames[] = {
    "KV_CreatePhone",
    "KV_ReleasePhone",
    "KV_BeginPhoneTest",
    "KV_EnterModeProcess",
    "KV_StopModeProcess",
    "KV_EndPhoneTest",
    "KV_GetUsbPort",
    "KV_SetProperty",
    "KV_GetMsVersion",
    "KV_GetAPVersion",
    "KV_FastReadNvInfo",
    "KV_ReadSN",
    "KV_gsmReadCalibrationParam",
    "KV_wcdmaLoadTestFlag",
    "KV_LTEReadCalibrationParam",
    "KV_DataEndianConv32",
    "KV_DataEndianConv16",
    "KV_SendATCommand",
    "KV_GetMsVoltage",
    "KV_apSendADC",
    "KV_apChargeCmd",
    "KV_EnterDeepSleepMode",
    "KV_PowerOff",
    "KV_ReadEnableSecureBoot",
    "KV_apReadMMI",
    "KV_ReadProductFlash",
    "KV_WriteProductFlash",
    "KV_FastReadProductInfo",
    "KV_FastWriteProductInfo",
};

static_assert(std::size(kFunctionNames) == static_cast<size_t>(Fn::FastWriteProductInfo) + 1,
              "one name per phone function, in the order of Fn");

constexpr size_t kMaxProfileFile = 1 << 20;

}  // namespace

SimPhone::SimPhone()
    : profile(DefaultPhoneProfile()),
      calls(kFunctionNames),
      flashPath(BesideExe(Widen(profile.flashFile))),
      state(KVSIM_PHONE_OFF) {}

SimPhone& Phone() {
  // Never destroyed: threads of the process may still call in while it exits.
  static SimPhone* phone = new SimPhone();
  return *phone;
}

void ResetLocked(SimPhone& phone) {
  phone.profile = DefaultPhoneProfile();
  phone.calls.Clear();
  phone.state = KVSIM_PHONE_OFF;
  phone.batteryVolts = 0.0f;
  phone.batteryKnown = false;
  phone.batteryOff = false;
  phone.uartSilentLeft = 0;
  phone.lastMode = -1;
  phone.lastAtCommand.clear();
}

bool SetValueLocked(SimPhone& phone, std::string_view section, std::string_view key,
                    std::string_view value) {
  bool fail = EqualsNoCase(section, "Fail");
  bool cut = EqualsNoCase(section, "Short");
  if (fail || cut || EqualsNoCase(section, "Delay")) {
    int index = phone.calls.Find(key);
    auto number = ParseInteger(value);
    // A negative short read means none: the whole output again.
    if (index < 0 || !number || *number < INT32_MIN || *number > INT32_MAX ||
        (!fail && !cut && *number < 0)) {
      return false;
    }
    CallRecord& record = phone.calls.At(index);
    const int32_t scripted = static_cast<int32_t>(*number);
    if (cut) {
      record.shortBytes = scripted < 0 ? -1 : scripted;
    } else {
      (fail ? record.failCode : record.delayMs) = scripted;
    }
    return true;
  }
  if (!SetPhoneValue(phone.profile, section, key, value)) {
    return false;
  }
  if (EqualsNoCase(section, "Phone") && EqualsNoCase(key, "FlashFile")) {
    phone.flashPath = BesideExe(Widen(phone.profile.flashFile));
  }
  return true;
}

bool ApplyProfileFileLocked(SimPhone& phone, const std::wstring& path) {
  std::string text;
  if (!ReadWholeFile(path, text, kMaxProfileFile)) {
    return false;
  }
  // A line that does not parse leaves its value as it was; the rest still applies.
  for (const IniEntry& entry : ParseIni(text)) {
    SetValueLocked(phone, entry.section, entry.key, entry.value);
  }
  return true;
}

std::wstring DefaultProfilePath() {
  return ExeFolder() + L"DutlinkSim.ini";
}

}  // namespace sim
