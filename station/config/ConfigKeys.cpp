#include "station/config/ConfigKeys.h"

#include <cwchar>

#include "station/config/CheckSettings.h"
#include "station/config/ProfileText.h"
#include "station/config/WindowSettings.h"

namespace {

constexpr int32_t kTextIntBuffer = kTextIntChars + 1;
constexpr int32_t kVoltageBuffer = 40;  // "Voltage" is read as at most 39 characters
// The deep-sleep limits are read like the other limits.
constexpr int32_t kDeepSleepBuffer = kTextIntBuffer;

constexpr WriteRule RuleFor(int32_t position) {
  return position < 0 ? WriteRule::Never : WriteRule::Always;
}

constexpr ConfigKey Int(const wchar_t* section, const wchar_t* key, int32_t defaultValue,
                        KeyOwner owner, size_t offset, int32_t position) {
  return {.kind = KeyKind::Int,
          .section = section,
          .key = key,
          .defaultInt = defaultValue,
          .owner = owner,
          .offset = offset,
          .write = RuleFor(position),
          .writePosition = position};
}

constexpr ConfigKey TextInt(const wchar_t* key, const wchar_t* defaultText, size_t offset,
                            int32_t position) {
  return {.kind = KeyKind::TextInt,
          .section = kSectionControl,
          .key = key,
          .defaultText = defaultText,
          .owner = KeyOwner::Settings,
          .offset = offset,
          .readChars = kTextIntBuffer,
          .write = RuleFor(position),
          .writePosition = position};
}

constexpr ConfigKey TextFloat(const wchar_t* section, const wchar_t* key,
                              const wchar_t* defaultText, size_t offset, int32_t readChars,
                              int32_t decimals, int32_t position) {
  return {.kind = KeyKind::TextFloat,
          .section = section,
          .key = key,
          .defaultText = defaultText,
          .owner = KeyOwner::Settings,
          .offset = offset,
          .readChars = readChars,
          .write = RuleFor(position),
          .writePosition = position,
          .decimals = decimals};
}

constexpr ConfigKey Text(const wchar_t* key, const wchar_t* defaultText, size_t offset,
                         int32_t capacity, int32_t position) {
  return {.kind = KeyKind::Text,
          .section = kSectionControl,
          .key = key,
          .defaultText = defaultText,
          .owner = KeyOwner::Settings,
          .offset = offset,
          .readChars = capacity,
          .write = RuleFor(position),
          .writePosition = position};
}

}  // namespace

#define SETTING(field) KeyOwner::Settings, offsetof(CheckSettings, field)
#define WINDOW(field) KeyOwner::Window, offsetof(WindowSettings, field)
#define FIELD_AT(field) offsetof(CheckSettings, field)
#define CAPACITY(field) static_cast<int32_t>(sizeof(CheckSettings::field) / sizeof(wchar_t))
#define TEXT_FIELD(field) FIELD_AT(field), CAPACITY(field)

#define SUPPLY_KEYS(section, i, first)                                                       \
  Int(section, L"Enable", 0, SETTING(supplyEnable[i]), (first)),                             \
      Int(section, L"DC Type", 0, SETTING(supplyType[i]), (first) + 1),                      \
      Int(section, L"Gpib Type", 0, SETTING(gpibType[i]), (first) + 2),                      \
      Int(section, L"Gpib Card", 0, SETTING(gpibCard[i]), (first) + 3),                      \
      Int(section, L"Gpib Addr", 0, SETTING(gpibAddr[i]), (first) + 4),                      \
      TextFloat(section, L"Voltage", L"3.80", FIELD_AT(supplyVoltage[i]), kVoltageBuffer, 6, \
                (first) + 5)

namespace {

constexpr const wchar_t* C = kSectionControl;

// "Port" is kept as it is in the file while the phone is on USB.
constexpr ConfigKey UartOnly(ConfigKey entry) {
  entry.write = WriteRule::WhenUart;
  return entry;
}

}  // namespace

extern const ConfigKey kConfigKeys[kConfigKeyCount];

// Read in this order; saved in the order of writePosition.
constexpr ConfigKey kConfigKeys[kConfigKeyCount] = {
    Int(kSectionPort, L"Uart", 1, WINDOW(uart), 0),
    UartOnly(Int(kSectionPort, L"Port", -1, WINDOW(port), 1)),

    Int(C, L"OpenAccount", 0, KeyOwner::None, 0, -1),
    Int(C, L"StationMask", 0, WINDOW(stationMask), 50),
    Int(C, L"CalFlagMask", 0, SETTING(calFlagMask), 51),
    Int(C, L"CalFlagMaskWCDMA", 0, SETTING(calFlagMaskWcdma), 52),
    Int(C, L"CalFlagMaskLTE", 0, SETTING(calFlagMaskLte), 53),
    Int(C, L"Power On Wait Time", 3000, WINDOW(powerOnWaitTime), -1),
    Int(C, L"Check IMEI1", 0, SETTING(checkImei1), 2),
    Int(C, L"Check IMEI2", 0, SETTING(checkImei2), 3),
    Int(C, L"Check IMEI3", 0, SETTING(checkImei3), 4),
    Int(C, L"Check SN1", 0, SETTING(checkSn1), 5),
    Int(C, L"Check SN2", 0, SETTING(checkSn2), 6),
    Int(C, L"Check BT Addr", 0, SETTING(checkBtAddr), 7),
    Int(C, L"Check WIFI Addr", 0, SETTING(checkWifiAddr), 8),
    Int(C, L"Check Calibration Flag", 0, SETTING(checkCalibrationFlag), 9),
    Int(C, L"Check SIM Card", 0, SETTING(checkSimCard), 10),
    Int(C, L"Check T Card", 0, SETTING(checkTCard), 11),
    Int(C, L"Check AUX Voltage 3.6", 0, SETTING(checkAux36), 12),
    TextInt(L"Lo Lin AUX 3.6", L"3740", FIELD_AT(auxLo36), 13),
    TextInt(L"Hi Lin AUX 3.6", L"3860", FIELD_AT(auxHi36), 14),
    Int(C, L"Check AUX Voltage 3.8", 0, SETTING(checkAux38), 15),
    TextInt(L"Lo Lin AUX 3.8", L"3740", FIELD_AT(auxLo38), 16),
    TextInt(L"Hi Lin AUX 3.8", L"3860", FIELD_AT(auxHi38), 17),
    Int(C, L"Check AUX Voltage 4.2", 0, SETTING(checkAux42), 18),
    TextInt(L"Lo Lin AUX 4.2", L"3740", FIELD_AT(auxLo42), 19),
    TextInt(L"Hi Lin AUX 4.2", L"3860", FIELD_AT(auxHi42), 20),
    Int(C, L"Check FGU Voltage 3.6", 0, SETTING(checkFgu36), 34),
    TextInt(L"Lo Lin FGU 3.6", L"3750", FIELD_AT(fguLo36), 35),
    TextInt(L"Hi Lin FGU 3.6", L"3850", FIELD_AT(fguHi36), 36),
    Int(C, L"Check FGU Voltage 3.8", 0, SETTING(checkFgu38), 37),
    TextInt(L"Lo Lin FGU 3.8", L"3750", FIELD_AT(fguLo38), 38),
    TextInt(L"Hi Lin FGU 3.8", L"3850", FIELD_AT(fguHi38), 39),
    Int(C, L"Check FGU Voltage 4.2", 0, SETTING(checkFgu42), 40),
    TextInt(L"Lo Lin FGU 4.2", L"3750", FIELD_AT(fguLo42), 41),
    TextInt(L"Hi Lin FGU 4.2", L"3850", FIELD_AT(fguHi42), 42),
    Int(C, L"Check Charge Current", 0, SETTING(checkChargeCurrent), 21),
    TextInt(L"Lo Lin Charge Current", L"410", FIELD_AT(chargeCurrentLo), 22),
    TextInt(L"Hi Lin Charge Current", L"490", FIELD_AT(chargeCurrentHi), 23),
    Int(C, L"Check PowerOn Current", 0, SETTING(checkPowerOnCurrent), 24),
    TextInt(L"Lo Lin PowerOn Current", L"120", FIELD_AT(powerOnCurrentLo), 25),
    TextInt(L"Hi Lin PowerOn Current", L"200", FIELD_AT(powerOnCurrentHi), 26),
    Int(C, L"Check PowerOff Current", 0, SETTING(checkPowerOffCurrent), 27),
    TextInt(L"Lo Lin PowerOff Current", L"0", FIELD_AT(powerOffCurrentLo), 28),
    TextInt(L"Hi Lin PowerOff Current", L"100", FIELD_AT(powerOffCurrentHi), 29),
    Int(C, L"Check DeepSleep Current", 0, SETTING(checkDeepSleepCurrent), 30),
    TextFloat(C, L"Lo Lin DeepSleep Current", L"1", FIELD_AT(deepSleepCurrentLo), kDeepSleepBuffer,
              2, 31),
    TextFloat(C, L"Hi Lin DeepSleep Current", L"2.3", FIELD_AT(deepSleepCurrentHi),
              kDeepSleepBuffer, 2, 32),
    Int(C, L"Check FGU Type", 0, SETTING(checkFguType), 33),
    Int(C, L"FGU Type", 1, SETTING(fguType), -1),
    Int(C, L"Check SW", 0, SETTING(checkModemVersion), 43),
    Text(L"Modem Version", L"", TEXT_FIELD(modemVersion), 45),
    Int(C, L"Check AP", 0, SETTING(checkApVersion), 44),
    Text(L"AP Version", L"", TEXT_FIELD(apVersion), 46),
    Int(C, L"Check MMI CIT", 1, SETTING(checkNativeMmi), 47),
    Int(C, L"Pass", 0, WINDOW(passCount), 48),
    Int(C, L"Fail", 0, WINDOW(failCount), 49),
    Int(C, L"Leak Current Delay", 0, SETTING(leakCurrentDelay), 69),
    Int(C, L"Charge Current Delay", 0, SETTING(chargeCurrentDelay), 71),
    Int(C, L"PowerOn Current Delay", 0, SETTING(powerOnCurrentDelay), 73),
    Int(C, L"StandbyCurrent Delay", 0, SETTING(standbyCurrentDelay), 75),
    Int(C, L"WG", 0, SETTING(wcdmaGsm), 67),
    Int(C, L"TestCounts", 1, WINDOW(testCounts), -1),
    Int(C, L"Scanner", 1, WINDOW(scanner), -1),
    Int(C, L"SN Length1", 14, SETTING(snLength1), -1),
    Int(C, L"SN Length2", 14, SETTING(snLength2), -1),
    Int(C, L"Power Off", 0, SETTING(powerOffAfterCheck), 68),
    Int(C, L"Save Log", 0, SETTING(saveLog), 70),
    Int(C, L"Save Voltage Log", 0, SETTING(saveVoltageLog), 72),
    Int(C, L"Factory Reset", 0, SETTING(factoryReset), 74),
    Text(L"Station Name", L"VARNEX", TEXT_FIELD(stationName), -1),
    Int(C, L"Check IMEI1 First Few", 0, SETTING(checkImei1Prefix), 77),
    Int(C, L"Check IMEI2 First Few", 0, SETTING(checkImei2Prefix), 78),
    Int(C, L"Check IMEI3 First Few", 0, SETTING(checkImei3Prefix), 79),
    Int(C, L"Check SN1 First Few", 0, SETTING(checkSn1Prefix), 80),
    Int(C, L"Check SN2 First Few", 0, SETTING(checkSn2Prefix), 81),
    Int(C, L"Check BT Addr First Few", 0, SETTING(checkBtAddrPrefix), 82),
    Int(C, L"Check WIFI Addr First Few", 0, SETTING(checkWifiAddrPrefix), 83),
    Text(L"IMEI1 First Few", L"", TEXT_FIELD(imei1Prefix), 84),
    Text(L"IMEI2 First Few", L"", TEXT_FIELD(imei2Prefix), 85),
    Text(L"IMEI3 First Few", L"", TEXT_FIELD(imei3Prefix), 86),
    Text(L"SN1 First Few", L"", TEXT_FIELD(sn1Prefix), 87),
    Text(L"SN2 First Few", L"", TEXT_FIELD(sn2Prefix), 88),
    Text(L"BT Addr First Few", L"", TEXT_FIELD(btAddrPrefix), 89),
    Text(L"WIFI Addr First Few", L"", TEXT_FIELD(wifiAddrPrefix), 90),

    SUPPLY_KEYS(kSectionSupply1, 0, 54),
    SUPPLY_KEYS(kSectionSupply2, 1, 60),
    Int(kSectionSupply1, L"Dual Power", 0, SETTING(dualPower), 66),
    Int(kSectionSupply1, L"Check SecureBoot Enable", 0, SETTING(checkSecureBoot), 76),
};

#undef SUPPLY_KEYS
#undef TEXT_FIELD
#undef CAPACITY
#undef FIELD_AT
#undef WINDOW
#undef SETTING

namespace {

// The table is checked when it is compiled: every written key has its own place in the save
// order, and every target lies inside its owner.
constexpr bool WriteOrderIsComplete() {
  bool seen[kWrittenKeyCount] = {};
  int32_t written = 0;
  for (const ConfigKey& entry : kConfigKeys) {
    if ((entry.write == WriteRule::Never) != (entry.writePosition < 0)) {
      return false;
    }
    if (entry.writePosition < 0) {
      continue;
    }
    if (entry.writePosition >= kWrittenKeyCount || seen[entry.writePosition]) {
      return false;
    }
    seen[entry.writePosition] = true;
    ++written;
  }
  return written == kWrittenKeyCount;
}

constexpr bool TargetsFit() {
  for (const ConfigKey& entry : kConfigKeys) {
    if (entry.section == nullptr || entry.key == nullptr || entry.defaultText == nullptr) {
      return false;
    }
    size_t size = entry.owner == KeyOwner::Window     ? sizeof(WindowSettings)
                  : entry.owner == KeyOwner::Settings ? sizeof(CheckSettings)
                                                      : 0;
    if (entry.owner == KeyOwner::None) {
      if (entry.write != WriteRule::Never) {
        return false;
      }
      continue;
    }
    size_t bytes = entry.kind == KeyKind::Text ? entry.readChars * sizeof(wchar_t) : 4;
    if (entry.offset % 4 != 0 && entry.kind != KeyKind::Text) {
      return false;
    }
    if (entry.offset + bytes > size) {
      return false;
    }
    if (entry.kind != KeyKind::Int && entry.readChars <= 1) {
      return false;
    }
    if (entry.kind == KeyKind::Text && entry.owner != KeyOwner::Settings) {
      return false;
    }
    if (entry.kind == KeyKind::TextFloat && entry.decimals != 6 && entry.decimals != 2) {
      return false;
    }
  }
  return true;
}

static_assert(WriteOrderIsComplete(), "every written key needs one place in the save order");
static_assert(TargetsFit(), "a key's target must lie inside its record");

constexpr std::array<int32_t, kWrittenKeyCount> MakeWriteOrder() {
  std::array<int32_t, kWrittenKeyCount> order{};
  for (size_t i = 0; i < kConfigKeyCount; ++i) {
    if (kConfigKeys[i].writePosition >= 0) {
      order[kConfigKeys[i].writePosition] = static_cast<int32_t>(i);
    }
  }
  return order;
}

bool SameText(const wchar_t* a, const wchar_t* b) {
  return std::wcscmp(a, b) == 0;
}

}  // namespace

extern const std::array<int32_t, kWrittenKeyCount> kWriteOrder;
constexpr std::array<int32_t, kWrittenKeyCount> kWriteOrder = MakeWriteOrder();

const ConfigKey* FindConfigKey(const wchar_t* section, const wchar_t* key) {
  for (const ConfigKey& entry : kConfigKeys) {
    if (SameText(entry.section, section) && SameText(entry.key, key)) {
      return &entry;
    }
  }
  return nullptr;
}
