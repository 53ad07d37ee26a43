// What the simulated phone answers: every value of the [Phone], [AT] and [MMI] sections of
// DutlinkSim.ini. One key table gives each [Phone] key its default text and its parser, so the
// built-in phone and a loaded profile go through the same code.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace sim {

// A text longer than this is cut: no phone reply is longer.
inline constexpr size_t kMaxProfileText = 4095;
inline constexpr int kMmiItems = 64;

struct MmiEntry {
  uint8_t supported = 0;
  int8_t result = 0;
};

enum MmiBlock { kMmiWhole = 0, kMmiPcba = 1 };

struct PhoneProfile {
  std::string imei1, imei2, imei3;
  std::string sn1, sn2;
  std::string btAddr, wlanAddr;
  uint32_t gsmFlags = 0;
  uint16_t wcdmaFlags = 0;
  uint16_t lteFlags = 0;
  uint8_t batteryUnit = 0;
  bool batteryAuto = true;
  uint32_t batteryValue = 0;  // 24 bits
  int32_t batteryIdleMv = 0;
  bool fguAuto = true;
  int32_t fguVoltage = 0;
  int32_t fguType = 0;
  uint8_t secureBoot = 0;
  std::string modemVersion, apVersion;
  int32_t usbPort = 0;
  int32_t usbConnectMs = 0;  // -1 = the phone never connects
  int32_t uartSilentAttempts = 0;
  std::string flashFile;
  std::vector<std::pair<std::string, std::string>> atReplies;  // command, reply
  std::string atDefault;
  std::array<std::array<MmiEntry, kMmiItems>, 2> mmi{};
};

struct PhoneKey {
  const char* name;
  const char* defaultText;
  bool (*apply)(PhoneProfile& profile, std::string_view value);
};

// The [Phone] keys in the order of the shipped profile.
std::span<const PhoneKey> PhoneKeys();
// The [AT] replies the built-in phone knows, as written in the profile (escaped).
std::span<const std::pair<const char*, const char*>> DefaultAtReplies();

PhoneProfile DefaultPhoneProfile();

// Sets one value of section Phone, AT or MMI, parsed as in the profile file. False for an
// unknown section or key or a value that does not parse; the profile is then unchanged.
bool SetPhoneValue(PhoneProfile& profile, std::string_view section, std::string_view key,
                   std::string_view value);

// The reply to an AT command: the exact [AT] entry, else the Default reply.
const std::string& AtReply(const PhoneProfile& profile, std::string_view command);

}  // namespace sim
