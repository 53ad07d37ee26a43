// Test and configuration exports of the simulated phone.
#include <string>

#include "FlashArea.h"
#include "SimFiles.h"
#include "SimPhone.h"
#include "SimText.h"
#include "devices/sim/dutlink_sim.h"

using sim::Phone;

namespace {

// Scripts a failure or delay; `apply` changes the record of the named function.
template <typename Apply>
int32_t Script(const char* function, Apply apply) {
  if (function == nullptr) {
    return 1;
  }
  sim::SimPhone& phone = Phone();
  std::lock_guard lock(phone.mutex);
  int index = phone.calls.Find(function);
  if (index < 0) {
    return 1;
  }
  apply(phone.calls.At(index));
  return 0;
}

}  // namespace

extern "C" {

int32_t KVSIM_Reset(void) {
  sim::SimPhone& phone = Phone();
  phone.usb.Cancel();
  std::lock_guard lock(phone.mutex);
  sim::ResetLocked(phone);
  return 0;
}

int32_t KVSIM_LoadProfile(const char* path) {
  sim::SimPhone& phone = Phone();
  phone.usb.Cancel();
  std::lock_guard lock(phone.mutex);
  sim::ResetLocked(phone);
  phone.profileLoaded = true;
  std::wstring file = path ? sim::Widen(path) : sim::DefaultProfilePath();
  return sim::ApplyProfileFileLocked(phone, file) ? 0 : 1;
}

int32_t KVSIM_SetValue(const char* section, const char* key, const char* value) {
  if (section == nullptr || key == nullptr || value == nullptr) {
    return 1;
  }
  sim::SimPhone& phone = Phone();
  std::lock_guard lock(phone.mutex);
  return sim::SetValueLocked(phone, section, key, value) ? 0 : 1;
}

int32_t KVSIM_SetFailure(const char* function, int32_t code) {
  return Script(function, [code](sim::CallRecord& record) { record.failCode = code; });
}

int32_t KVSIM_SetDelay(const char* function, int32_t milliseconds) {
  if (milliseconds < 0) {
    return 1;
  }
  return Script(function,
                [milliseconds](sim::CallRecord& record) { record.delayMs = milliseconds; });
}

int32_t KVSIM_SetShortRead(const char* function, int32_t bytes) {
  return Script(function,
                [bytes](sim::CallRecord& record) { record.shortBytes = bytes < 0 ? -1 : bytes; });
}

int32_t KVSIM_FailNext(const char* function, int32_t code, int32_t times) {
  return Script(function, [code, times](sim::CallRecord& record) {
    record.failNextCode = code;
    record.failNextTimes = times > 0 ? times : 0;
  });
}

int32_t KVSIM_GetCallCount(const char* function) {
  if (function == nullptr) {
    return -1;
  }
  sim::SimPhone& phone = Phone();
  std::lock_guard lock(phone.mutex);
  int index = phone.calls.Find(function);
  return index < 0 ? -1 : phone.calls.At(index).count;
}

int32_t KVSIM_GetLastCallSerial(const char* function) {
  if (function == nullptr) {
    return -1;
  }
  sim::SimPhone& phone = Phone();
  std::lock_guard lock(phone.mutex);
  int index = phone.calls.Find(function);
  return index < 0 ? -1 : phone.calls.At(index).lastSerial;
}

int32_t KVSIM_GetLastArgs(const char* function, int32_t* args, int32_t capacity) {
  if (function == nullptr) {
    return 0;
  }
  sim::SimPhone& phone = Phone();
  std::lock_guard lock(phone.mutex);
  int index = phone.calls.Find(function);
  if (index < 0) {
    return 0;
  }
  const sim::CallRecord& record = phone.calls.At(index);
  int32_t stored = 0;
  for (; args != nullptr && stored < record.argCount && stored < capacity; ++stored) {
    args[stored] = record.args[stored];
  }
  return stored;
}

int32_t KVSIM_GetLastATCommand(char* buffer, int32_t size) {
  sim::SimPhone& phone = Phone();
  std::lock_guard lock(phone.mutex);
  if (size > 0) {
    sim::CopyTerminated(phone.lastAtCommand, buffer, static_cast<size_t>(size));
  }
  return static_cast<int32_t>(phone.lastAtCommand.size());
}

int32_t KVSIM_GetLastMode(void) {
  sim::SimPhone& phone = Phone();
  std::lock_guard lock(phone.mutex);
  return phone.lastMode;
}

int32_t KVSIM_SetFlashFile(const char* path) {
  sim::SimPhone& phone = Phone();
  std::lock_guard lock(phone.mutex);
  phone.flashPath = sim::BesideExe(sim::Widen(path ? path : phone.profile.flashFile.c_str()));
  return 0;
}

int32_t KVSIM_ClearFlash(void) {
  sim::SimPhone& phone = Phone();
  std::lock_guard lock(phone.mutex);
  sim::FlashBytes area{};
  return sim::SaveFlash(phone.flashPath, area) ? 0 : sim::kFlashFileError;
}

int32_t KVSIM_PeekFlash(void* buffer, int32_t count, int32_t offset) {
  sim::SimPhone& phone = Phone();
  std::lock_guard lock(phone.mutex);
  return sim::ReadFlashBytes(phone.flashPath, buffer, count, offset);
}

int32_t KVSIM_PokeFlash(const void* buffer, int32_t count, int32_t offset) {
  sim::SimPhone& phone = Phone();
  std::lock_guard lock(phone.mutex);
  return sim::WriteFlashBytes(phone.flashPath, buffer, count, offset);
}

int32_t KVSIM_GetPhoneState(void) {
  sim::SimPhone& phone = Phone();
  std::lock_guard lock(phone.mutex);
  return phone.state;
}

void KVSIM_NotifyBatteryVoltage(float volts) {
  sim::SimPhone& phone = Phone();
  std::lock_guard lock(phone.mutex);
  if (volts < sim::kBatteryOnVolts) {
    // Without its battery the phone is off until the next link brings it up.
    phone.batteryOff = true;
    phone.batteryKnown = false;
    phone.state = KVSIM_PHONE_OFF;
    return;
  }
  phone.batteryOff = false;
  phone.batteryKnown = true;
  phone.batteryVolts = volts;
}

}  // extern "C"
