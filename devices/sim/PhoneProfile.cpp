#include "PhoneProfile.h"

#include <type_traits>

#include "SimText.h"

namespace sim {

namespace {

template <auto Member>
bool SetText(PhoneProfile& profile, std::string_view value) {
  std::string text = Unescape(value);
  if (text.size() > kMaxProfileText) {
    text.resize(kMaxProfileText);
  }
  profile.*Member = std::move(text);
  return true;
}

template <auto Member, int64_t Low, int64_t High>
bool SetNumber(PhoneProfile& profile, std::string_view value) {
  auto number = ParseInteger(value);
  if (!number || *number < Low || *number > High) {
    return false;
  }
  using Field = std::remove_reference_t<decltype(profile.*Member)>;
  profile.*Member = static_cast<Field>(*number);
  return true;
}

// "auto" lets the reading follow the battery supply; a number fixes it.
template <auto Flag, auto Member, int64_t Low, int64_t High>
bool SetAutoOrNumber(PhoneProfile& profile, std::string_view value) {
  if (EqualsNoCase(Trim(value), "auto")) {
    profile.*Flag = true;
    return true;
  }
  if (!SetNumber<Member, Low, High>(profile, value)) {
    return false;
  }
  profile.*Flag = false;
  return true;
}

constexpr int64_t kInt32Min = INT32_MIN;
constexpr int64_t kInt32Max = INT32_MAX;

constexpr PhoneKey kPhoneKeys[] = {
    {"IMEI1", "860000000000011", SetText<&PhoneProfile::imei1>},
    {"IMEI2", "860000000000029", SetText<&PhoneProfile::imei2>},
    {"IMEI3", "860000000000037", SetText<&PhoneProfile::imei3>},
    {"SN1", "VX202612090001", SetText<&PhoneProfile::sn1>},
    {"SN2", "VX202612090002", SetText<&PhoneProfile::sn2>},
    {"BtAddr", "00A0C6123456", SetText<&PhoneProfile::btAddr>},
    {"WlanAddr", "00A0C6123457", SetText<&PhoneProfile::wlanAddr>},
    {"GsmFlags", "0x0837FFFF", SetNumber<&PhoneProfile::gsmFlags, 0, UINT32_MAX>},
    {"WcdmaFlags", "0x100F", SetNumber<&PhoneProfile::wcdmaFlags, 0, UINT16_MAX>},
    {"LteFlags", "0xF03F", SetNumber<&PhoneProfile::lteFlags, 0, UINT16_MAX>},
    {"BatteryUnit", "1", SetNumber<&PhoneProfile::batteryUnit, 0, 255>},
    {"BatteryValue", "auto",
     SetAutoOrNumber<&PhoneProfile::batteryAuto, &PhoneProfile::batteryValue, 0, 0xFFFFFF>},
    {"BatteryIdleMv", "3800", SetNumber<&PhoneProfile::batteryIdleMv, 0, 0xFFFFFF>},
    {"FguVoltage", "auto",
     SetAutoOrNumber<&PhoneProfile::fguAuto, &PhoneProfile::fguVoltage, kInt32Min, kInt32Max>},
    {"FguType", "1", SetNumber<&PhoneProfile::fguType, kInt32Min, kInt32Max>},
    {"SecureBoot", "1", SetNumber<&PhoneProfile::secureBoot, 0, 255>},
    {"ModemVersion", "Plat: VX8910 Project: VARNEX_W1.0 BASE: B20261201 HW V1.0",
     SetText<&PhoneProfile::modemVersion>},
    {"ApVersion", "VARNEX_AP_W1.0_20261201", SetText<&PhoneProfile::apVersion>},
    {"UsbPort", "5", SetNumber<&PhoneProfile::usbPort, kInt32Min, kInt32Max>},
    {"UsbConnectMs", "300", SetNumber<&PhoneProfile::usbConnectMs, -1, kInt32Max>},
    {"UartSilentAttempts", "0", SetNumber<&PhoneProfile::uartSilentAttempts, 0, kInt32Max>},
    {"FlashFile", "DutlinkSim.flash", SetText<&PhoneProfile::flashFile>},
};

constexpr std::pair<const char*, const char*> kDefaultAtReplies[] = {
    {"AT+CPIN?", "+CPIN: READY\\r\\n\\r\\nOK\\r\\n"},
    {"AT+TFSTAT?", "+TFSTAT: 1\\r\\n\\r\\nOK\\r\\n"},
    {"Default", "OK\\r\\n"},
};

bool ParseMmiEntry(std::string_view value, MmiEntry& entry) {
  size_t comma = value.find(',');
  if (comma == std::string_view::npos) {
    return false;
  }
  auto supported = ParseInteger(value.substr(0, comma));
  auto result = ParseInteger(value.substr(comma + 1));
  if (!supported || !result || *supported < 0 || *supported > 255 || *result < -128 ||
      *result > 255) {
    return false;
  }
  entry.supported = static_cast<uint8_t>(*supported);
  entry.result = static_cast<int8_t>(static_cast<uint8_t>(*result));
  return true;
}

// Whole, Pcba, Whole.<i>, Pcba.<i>.
bool SetMmiValue(PhoneProfile& profile, std::string_view key, std::string_view value) {
  size_t dot = key.find('.');
  std::string_view blockName = key.substr(0, dot);
  int block = -1;
  if (EqualsNoCase(blockName, "Whole")) {
    block = kMmiWhole;
  } else if (EqualsNoCase(blockName, "Pcba")) {
    block = kMmiPcba;
  } else {
    return false;
  }
  MmiEntry entry;
  if (!ParseMmiEntry(value, entry)) {
    return false;
  }
  if (dot == std::string_view::npos) {
    profile.mmi[block].fill(entry);
    return true;
  }
  auto index = ParseInteger(key.substr(dot + 1));
  if (!index || *index < 0 || *index >= kMmiItems) {
    return false;
  }
  profile.mmi[block][static_cast<size_t>(*index)] = entry;
  return true;
}

bool SetAtReply(PhoneProfile& profile, std::string_view command, std::string_view value) {
  std::string reply = Unescape(value);
  if (reply.size() > kMaxProfileText) {
    reply.resize(kMaxProfileText);
  }
  if (command == "Default") {
    profile.atDefault = std::move(reply);
    return true;
  }
  for (auto& [known, knownReply] : profile.atReplies) {
    if (known == command) {
      knownReply = std::move(reply);
      return true;
    }
  }
  profile.atReplies.emplace_back(std::string(command.substr(0, kMaxProfileText)), std::move(reply));
  return true;
}

}  // namespace

std::span<const PhoneKey> PhoneKeys() {
  return kPhoneKeys;
}

std::span<const std::pair<const char*, const char*>> DefaultAtReplies() {
  return kDefaultAtReplies;
}

PhoneProfile DefaultPhoneProfile() {
  PhoneProfile profile;
  for (const PhoneKey& key : kPhoneKeys) {
    key.apply(profile, key.defaultText);
  }
  for (const auto& [command, reply] : kDefaultAtReplies) {
    SetAtReply(profile, command, reply);
  }
  profile.mmi[kMmiWhole].fill(MmiEntry{1, 1});
  profile.mmi[kMmiPcba].fill(MmiEntry{1, 1});
  return profile;
}

bool SetPhoneValue(PhoneProfile& profile, std::string_view section, std::string_view key,
                   std::string_view value) {
  if (EqualsNoCase(section, "Phone")) {
    for (const PhoneKey& known : kPhoneKeys) {
      if (EqualsNoCase(key, known.name)) {
        return known.apply(profile, value);
      }
    }
    return false;
  }
  if (EqualsNoCase(section, "AT")) {
    // AT commands are matched exactly, so their keys keep their case.
    return !key.empty() && SetAtReply(profile, key, value);
  }
  if (EqualsNoCase(section, "MMI")) {
    return SetMmiValue(profile, key, value);
  }
  return false;
}

const std::string& AtReply(const PhoneProfile& profile, std::string_view command) {
  for (const auto& [known, reply] : profile.atReplies) {
    if (known == command) {
      return reply;
    }
  }
  return profile.atDefault;
}

}  // namespace sim
