// Every key of the configuration file, declared once: how it is read, its default, the value
// it fills and where it goes in the write order. Loading and saving both walk this table.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

enum class KeyKind : uint8_t {
  Int,        // GetPrivateProfileInt, written "%d"
  TextInt,    // text of at most 19 characters, leading digits; written "%d"
  TextFloat,  // text, decimal number stored as float; written "%f" or "%.2f"
  Text,       // text cut to its field; written as it is
};

enum class KeyOwner : uint8_t {
  None,      // read elsewhere (start-up reads "OpenAccount")
  Window,    // a field of WindowSettings
  Settings,  // a field of CheckSettings
};

enum class WriteRule : uint8_t {
  Never,  // the station never changes it
  Always,
  WhenUart,  // "Port" is kept as it is while the phone is on USB
};

struct ConfigKey {
  KeyKind kind = KeyKind::Int;
  const wchar_t* section = nullptr;
  const wchar_t* key = nullptr;
  int32_t defaultInt = 0;            // Int
  const wchar_t* defaultText = L"";  // the text kinds
  KeyOwner owner = KeyOwner::None;
  size_t offset = 0;      // of the target field in its owner
  int32_t readChars = 0;  // text kinds: buffer size in characters, terminator included
  WriteRule write = WriteRule::Never;
  int32_t writePosition = -1;  // 0-based place in the save order; -1 when never written
  int32_t decimals = 0;        // TextFloat: 6 ("%f") or 2 ("%.2f")
};

inline constexpr const wchar_t* kSectionPort = L"PORT";
inline constexpr const wchar_t* kSectionControl = L"CONTROL";
inline constexpr const wchar_t* kSectionSupply1 = L"POWER SUPPLY";
inline constexpr const wchar_t* kSectionSupply2 = L"POWER SUPPLY 2";

inline constexpr size_t kConfigKeyCount = 99;
inline constexpr int32_t kWrittenKeyCount = 91;

extern const ConfigKey kConfigKeys[kConfigKeyCount];

// Indexes into kConfigKeys of the written keys, in the save order.
extern const std::array<int32_t, kWrittenKeyCount> kWriteOrder;

// The entry for section and key, or nullptr.
const ConfigKey* FindConfigKey(const wchar_t* section, const wchar_t* key);
