// The phone command interface of the simulated phone. Each call first goes through Enter:
// it is counted, its arguments kept, its scripted delay slept (outside the lock, so a slow
// call never blocks the other thread) and its scripted failure returned.
#include <windows.h>

#include <cstring>
#include <vector>

#include "FlashArea.h"
#include "PhoneRecords.h"
#include "SimPhone.h"
#include "SimText.h"
#include "devices/dutlink.h"
#include "devices/sim/dutlink_sim.h"

using sim::Fn;
using sim::Phone;

namespace {

constexpr size_t kMaxAtCommand = 1024;

int32_t Scripted(Fn fn, std::initializer_list<int32_t> args) {
  sim::SimPhone& phone = Phone();
  sim::CallOutcome outcome;
  {
    std::lock_guard lock(phone.mutex);
    outcome = phone.calls.Enter(static_cast<int>(fn), args);
  }
  if (outcome.delayMs > 0) {
    Sleep(static_cast<DWORD>(outcome.delayMs));
  }
  return outcome.failCode;
}

// 0 when the call is to go ahead, else the code it returns.
int32_t Enter(Fn fn, KV_PHONE handle, std::initializer_list<int32_t> args) {
  if (int32_t code = Scripted(fn, args)) {
    return code;
  }
  return handle == sim::kPhoneHandle ? 0 : sim::kBadHandle;
}

// A short read scripted for a function: a successful call keeps only the first bytes of its
// output, and the rest of the caller's buffer is given back as it was before the call.
class ShortRead {
 public:
  ShortRead(Fn fn, void* buffer, int64_t size) : buffer_(static_cast<uint8_t*>(buffer)) {
    sim::SimPhone& phone = Phone();
    {
      std::lock_guard lock(phone.mutex);
      bytes_ = phone.calls.At(static_cast<int>(fn)).shortBytes;
    }
    if (bytes_ >= 0 && buffer_ != nullptr && size > bytes_) {
      before_.assign(buffer_, buffer_ + size);
    }
  }

  int32_t Keep(int32_t result) {
    if (result == 0 && !before_.empty()) {
      std::memcpy(buffer_ + bytes_, before_.data() + bytes_, before_.size() - bytes_);
    }
    return result;
  }

  // How many bytes the call hands over at most, -1 = all.
  int32_t Bytes() const { return bytes_; }

 private:
  uint8_t* buffer_;
  int32_t bytes_ = -1;
  std::vector<uint8_t> before_;
};

int32_t CopyText(const std::string& text, char* buffer, int32_t size) {
  if (buffer == nullptr || size <= 0) {
    return sim::kBadArgument;
  }
  sim::CopyTerminated(text, buffer, static_cast<size_t>(size));
  return 0;
}

int32_t ReadFlash(void* buffer, int32_t count, int32_t offset) {
  sim::SimPhone& phone = Phone();
  std::lock_guard lock(phone.mutex);
  return sim::ReadFlashBytes(phone.flashPath, buffer, count, offset);
}

int32_t WriteFlash(const void* buffer, int32_t count, int32_t offset) {
  sim::SimPhone& phone = Phone();
  std::lock_guard lock(phone.mutex);
  return sim::WriteFlashBytes(phone.flashPath, buffer, count, offset);
}

}  // namespace

extern "C" {

KV_PHONE KV_CreatePhone(int32_t reserved) {
  sim::SimPhone& phone = Phone();
  {
    // The profile beside the executable describes the phone once per process; later creations
    // keep what tests have set since. It is read before this call's own script is looked at,
    // so a profile that makes the creation fail or take its time does so from the first call.
    std::lock_guard lock(phone.mutex);
    if (!phone.profileLoaded) {
      phone.profileLoaded = true;
      sim::ApplyProfileFileLocked(phone, sim::DefaultProfilePath());
    }
  }
  if (Scripted(Fn::CreatePhone, {reserved}) != 0) {
    return -1;
  }
  std::lock_guard lock(phone.mutex);
  phone.state = KVSIM_PHONE_OFF;
  return sim::kPhoneHandle;
}

void KV_ReleasePhone(KV_PHONE phone) {
  if (Enter(Fn::ReleasePhone, phone, {}) == 0) {
    Phone().usb.Cancel();
  }
}

int32_t KV_BeginPhoneTest(KV_PHONE handle, const KV_LINK* link) {
  if (int32_t code =
          Enter(Fn::BeginPhoneTest, handle,
                {link ? link->type : -1, link ? link->port : -1, link ? link->baud : -1})) {
    return code;
  }
  if (link == nullptr || (link->type != 0 && link->type != 3)) {
    return sim::kBadArgument;
  }
  sim::SimPhone& phone = Phone();
  std::lock_guard lock(phone.mutex);
  phone.state = phone.batteryOff ? KVSIM_PHONE_OFF : KVSIM_PHONE_ON;
  // Only a serial link has the silent start; over USB the phone answers once it connected.
  phone.uartSilentLeft = link->type == 0 ? phone.profile.uartSilentAttempts : 0;
  return 0;
}

int32_t KV_EnterModeProcess(KV_PHONE handle, int32_t a, int32_t b, int32_t mode,
                            void* connectedEvent, int32_t d) {
  if (int32_t code = Enter(Fn::EnterModeProcess, handle, {a, b, mode, d})) {
    return code;
  }
  sim::SimPhone& phone = Phone();
  int32_t delay = 0;
  {
    std::lock_guard lock(phone.mutex);
    phone.lastMode = mode;
    delay = phone.profile.usbConnectMs;
  }
  return phone.usb.Start(connectedEvent, delay) ? 0 : sim::kBadArgument;
}

int32_t KV_StopModeProcess(KV_PHONE handle) {
  if (int32_t code = Enter(Fn::StopModeProcess, handle, {})) {
    return code;
  }
  Phone().usb.Cancel();
  return 0;
}

int32_t KV_EndPhoneTest(KV_PHONE handle) {
  if (int32_t code = Enter(Fn::EndPhoneTest, handle, {})) {
    return code;
  }
  // Closing the link leaves the phone as it is: a sleeping phone stays asleep.
  Phone().usb.Cancel();
  return 0;
}

int32_t KV_GetUsbPort(KV_PHONE handle) {
  if (Enter(Fn::GetUsbPort, handle, {}) != 0) {
    return -1;
  }
  sim::SimPhone& phone = Phone();
  std::lock_guard lock(phone.mutex);
  return phone.profile.usbPort;
}

int32_t KV_SetProperty(KV_PHONE handle, int32_t a, int32_t b, int32_t c) {
  return Enter(Fn::SetProperty, handle, {a, b, c});
}

int32_t KV_GetMsVersion(KV_PHONE handle, char* buffer, int32_t size) {
  if (int32_t code = Enter(Fn::GetMsVersion, handle, {size})) {
    return code;
  }
  ShortRead cut(Fn::GetMsVersion, buffer, size);
  sim::SimPhone& phone = Phone();
  std::lock_guard lock(phone.mutex);
  if (phone.uartSilentLeft > 0) {
    --phone.uartSilentLeft;
    return sim::kNoAnswer;
  }
  return cut.Keep(CopyText(phone.profile.modemVersion, buffer, size));
}

int32_t KV_GetAPVersion(KV_PHONE handle, char* buffer, int32_t size) {
  if (int32_t code = Enter(Fn::GetAPVersion, handle, {size})) {
    return code;
  }
  ShortRead cut(Fn::GetAPVersion, buffer, size);
  sim::SimPhone& phone = Phone();
  std::lock_guard lock(phone.mutex);
  return cut.Keep(CopyText(phone.profile.apVersion, buffer, size));
}

int32_t KV_FastReadNvInfo(KV_PHONE handle, void* identityRecord140) {
  // The request mask the caller set is kept as the call's argument.
  int32_t mask = identityRecord140
                     ? static_cast<int32_t>(sim::LoadLe32(static_cast<uint8_t*>(identityRecord140)))
                     : -1;
  if (int32_t code = Enter(Fn::FastReadNvInfo, handle, {mask})) {
    return code;
  }
  if (identityRecord140 == nullptr) {
    return sim::kBadArgument;
  }
  ShortRead cut(Fn::FastReadNvInfo, identityRecord140, 140);
  sim::SimPhone& phone = Phone();
  std::lock_guard lock(phone.mutex);
  sim::FillIdentityRecord(phone.profile, static_cast<uint8_t*>(identityRecord140));
  return cut.Keep(0);
}

int32_t KV_ReadSN(KV_PHONE handle, int32_t which, char* buffer, int32_t size) {
  if (int32_t code = Enter(Fn::ReadSN, handle, {which, size})) {
    return code;
  }
  if (which != 0 && which != 1) {
    return sim::kBadArgument;
  }
  ShortRead cut(Fn::ReadSN, buffer, size);
  sim::SimPhone& phone = Phone();
  std::lock_guard lock(phone.mutex);
  return cut.Keep(CopyText(which == 1 ? phone.profile.sn1 : phone.profile.sn2, buffer, size));
}

int32_t KV_gsmReadCalibrationParam(KV_PHONE handle, int32_t a, int32_t b, int32_t c, int32_t d,
                                   int32_t e, uint32_t* word) {
  if (int32_t code = Enter(Fn::GsmReadCalibrationParam, handle, {a, b, c, d, e})) {
    return code;
  }
  if (word == nullptr) {
    return sim::kBadArgument;
  }
  ShortRead cut(Fn::GsmReadCalibrationParam, word, sizeof *word);
  sim::SimPhone& phone = Phone();
  std::lock_guard lock(phone.mutex);
  // Calibration data travels in the phone's big-endian order.
  *word = sim::SwapBytes32(phone.profile.gsmFlags);
  return cut.Keep(0);
}

int32_t KV_wcdmaLoadTestFlag(KV_PHONE handle, uint16_t* word) {
  if (int32_t code = Enter(Fn::WcdmaLoadTestFlag, handle, {})) {
    return code;
  }
  if (word == nullptr) {
    return sim::kBadArgument;
  }
  ShortRead cut(Fn::WcdmaLoadTestFlag, word, sizeof *word);
  sim::SimPhone& phone = Phone();
  std::lock_guard lock(phone.mutex);
  *word = sim::SwapBytes16(phone.profile.wcdmaFlags);
  return cut.Keep(0);
}

int32_t KV_LTEReadCalibrationParam(KV_PHONE handle, void* record) {
  // The two request fields the caller set (offsets 0 and 4) are kept as the call's arguments.
  const uint8_t* fields = static_cast<const uint8_t*>(record);
  int32_t first = fields ? static_cast<int32_t>(sim::LoadLe32(fields)) : -1;
  int32_t second = fields ? sim::LoadLe16(fields + 4) : -1;
  if (int32_t code = Enter(Fn::LteReadCalibrationParam, handle, {first, second})) {
    return code;
  }
  if (record == nullptr) {
    return sim::kBadArgument;
  }
  ShortRead cut(Fn::LteReadCalibrationParam, record, 8);
  sim::SimPhone& phone = Phone();
  std::lock_guard lock(phone.mutex);
  // The LTE word comes back already in host order, and only it is written.
  uint16_t word = phone.profile.lteFlags;
  std::memcpy(static_cast<uint8_t*>(record) + 6, &word, sizeof word);
  return cut.Keep(0);
}

int32_t KV_DataEndianConv32(KV_PHONE handle, void* word, int32_t size) {
  if (int32_t code = Enter(Fn::DataEndianConv32, handle, {size})) {
    return code;
  }
  if (word == nullptr || size != 4) {
    return sim::kBadArgument;
  }
  uint32_t value;
  std::memcpy(&value, word, sizeof value);
  value = sim::SwapBytes32(value);
  std::memcpy(word, &value, sizeof value);
  return 0;
}

int32_t KV_DataEndianConv16(KV_PHONE handle, void* word, int32_t size) {
  if (int32_t code = Enter(Fn::DataEndianConv16, handle, {size})) {
    return code;
  }
  if (word == nullptr || size != 2) {
    return sim::kBadArgument;
  }
  uint16_t value;
  std::memcpy(&value, word, sizeof value);
  value = sim::SwapBytes16(value);
  std::memcpy(word, &value, sizeof value);
  return 0;
}

int32_t KV_SendATCommand(KV_PHONE handle, const char* command, int32_t flag, char* reply,
                         int32_t replySize, uint32_t* count, int32_t timeoutMs) {
  if (int32_t code = Enter(Fn::SendATCommand, handle, {flag, replySize, timeoutMs})) {
    return code;
  }
  if (command == nullptr || reply == nullptr || replySize <= 0) {
    return sim::kBadArgument;
  }
  ShortRead cut(Fn::SendATCommand, reply, replySize);
  sim::SimPhone& phone = Phone();
  std::lock_guard lock(phone.mutex);
  std::string_view text(command, strnlen(command, kMaxAtCommand));
  phone.lastAtCommand.assign(text);
  size_t copied =
      sim::CopyTerminated(sim::AtReply(phone.profile, text), reply, static_cast<size_t>(replySize));
  if (cut.Bytes() >= 0 && copied > static_cast<size_t>(cut.Bytes())) {
    copied = static_cast<size_t>(cut.Bytes());
  }
  if (count != nullptr) {
    *count = static_cast<uint32_t>(copied);
  }
  return cut.Keep(0);
}

int32_t KV_GetMsVoltage(KV_PHONE handle, uint32_t* word) {
  if (int32_t code = Enter(Fn::GetMsVoltage, handle, {})) {
    return code;
  }
  if (word == nullptr) {
    return sim::kBadArgument;
  }
  ShortRead cut(Fn::GetMsVoltage, word, sizeof *word);
  sim::SimPhone& phone = Phone();
  std::lock_guard lock(phone.mutex);
  *word = sim::BatteryWord(phone.profile, phone.batteryVolts, phone.batteryKnown);
  return cut.Keep(0);
}

int32_t KV_apSendADC(KV_PHONE handle, int32_t request, void* record48a, void* record48b) {
  if (int32_t code = Enter(Fn::ApSendADC, handle, {request})) {
    return code;
  }
  if (record48a == nullptr || record48b == nullptr || (request != 5 && request != 6)) {
    return sim::kBadArgument;
  }
  ShortRead cut(Fn::ApSendADC, record48b, 48);
  sim::SimPhone& phone = Phone();
  std::lock_guard lock(phone.mutex);
  int32_t value = request == 5
                      ? phone.profile.fguType
                      : sim::FguMillivolts(phone.profile, phone.batteryVolts, phone.batteryKnown);
  sim::StoreLe32(static_cast<uint8_t*>(record48b), static_cast<uint32_t>(value));
  return cut.Keep(0);
}

int32_t KV_apChargeCmd(KV_PHONE handle, uint32_t* on) {
  if (int32_t code = Enter(Fn::ApChargeCmd, handle, {on ? static_cast<int32_t>(*on) : -1})) {
    return code;
  }
  if (on == nullptr) {
    return sim::kBadArgument;
  }
  sim::SimPhone& phone = Phone();
  std::lock_guard lock(phone.mutex);
  phone.state = *on != 0 ? KVSIM_PHONE_CHARGING : KVSIM_PHONE_ON;
  return 0;
}

int32_t KV_EnterDeepSleepMode(KV_PHONE handle) {
  if (int32_t code = Enter(Fn::EnterDeepSleepMode, handle, {})) {
    return code;
  }
  sim::SimPhone& phone = Phone();
  std::lock_guard lock(phone.mutex);
  phone.state = KVSIM_PHONE_DEEP_SLEEP;
  return 0;
}

int32_t KV_PowerOff(KV_PHONE handle) {
  if (int32_t code = Enter(Fn::PowerOff, handle, {})) {
    return code;
  }
  sim::SimPhone& phone = Phone();
  std::lock_guard lock(phone.mutex);
  phone.state = KVSIM_PHONE_OFF;
  return 0;
}

int32_t KV_ReadEnableSecureBoot(KV_PHONE handle, uint8_t* flag, int32_t size) {
  if (int32_t code = Enter(Fn::ReadEnableSecureBoot, handle, {size})) {
    return code;
  }
  if (flag == nullptr || size < 1) {
    return sim::kBadArgument;
  }
  ShortRead cut(Fn::ReadEnableSecureBoot, flag, size);
  sim::SimPhone& phone = Phone();
  std::lock_guard lock(phone.mutex);
  *flag = phone.profile.secureBoot;
  return cut.Keep(0);
}

int32_t KV_apReadMMI(KV_PHONE handle, void* mmiRecord258) {
  int32_t selector = mmiRecord258 ? sim::LoadLe16(static_cast<uint8_t*>(mmiRecord258)) : -1;
  if (int32_t code = Enter(Fn::ApReadMMI, handle, {selector})) {
    return code;
  }
  if (mmiRecord258 == nullptr) {
    return sim::kBadArgument;
  }
  ShortRead cut(Fn::ApReadMMI, mmiRecord258, 258);
  sim::SimPhone& phone = Phone();
  std::lock_guard lock(phone.mutex);
  return cut.Keep(sim::FillMmiRecord(phone.profile, static_cast<uint8_t*>(mmiRecord258))
                      ? 0
                      : sim::kBadArgument);
}

int32_t KV_ReadProductFlash(KV_PHONE handle, void* buffer, int32_t count, int32_t offset,
                            int32_t reserved) {
  if (int32_t code = Enter(Fn::ReadProductFlash, handle, {count, offset, reserved})) {
    return code;
  }
  ShortRead cut(Fn::ReadProductFlash, buffer, count);
  return cut.Keep(ReadFlash(buffer, count, offset));
}

int32_t KV_WriteProductFlash(KV_PHONE handle, const void* buffer, int32_t count, int32_t offset) {
  if (int32_t code = Enter(Fn::WriteProductFlash, handle, {count, offset})) {
    return code;
  }
  return WriteFlash(buffer, count, offset);
}

// The fast calls reach the start of the same area.
int32_t KV_FastReadProductInfo(KV_PHONE handle, void* buffer, int32_t count) {
  if (int32_t code = Enter(Fn::FastReadProductInfo, handle, {count})) {
    return code;
  }
  ShortRead cut(Fn::FastReadProductInfo, buffer, count);
  return cut.Keep(ReadFlash(buffer, count, 0));
}

int32_t KV_FastWriteProductInfo(KV_PHONE handle, const void* buffer, int32_t count) {
  if (int32_t code = Enter(Fn::FastWriteProductInfo, handle, {count})) {
    return code;
  }
  return WriteFlash(buffer, count, 0);
}

}  // extern "C"
