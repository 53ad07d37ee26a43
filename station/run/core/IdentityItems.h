// The seven identity items in their scan order, with the fields of CheckSettings behind each:
// one table for the scan field, the start check and VarnexCli's code options.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "station/config/CheckSettings.h"

inline constexpr int kIdentityCount = 7;
// The SN fields hold 65 characters and the terminator.
inline constexpr int kMaxSnLength = 65;

struct IdentityItem {
  const wchar_t* name;     // row name and message name, "BT Addr"
  const wchar_t* keyText;  // what a label or row name of the item contains, "BT"
  int32_t CheckSettings::*enable;
  int32_t CheckSettings::*prefixCheck;
  size_t expectedOffset;
  size_t prefixOffset;
  size_t capacity;  // characters, terminator included (the same for value and prefix)
  int fixedLength;  // 0 = the configured SN length
  int32_t CheckSettings::*snLength;
};

extern const IdentityItem kIdentityItems[kIdentityCount];

wchar_t* ExpectedValue(CheckSettings& settings, int item);
const wchar_t* ExpectedValue(const CheckSettings& settings, int item);
const wchar_t* PrefixValue(const CheckSettings& settings, int item);
// Copies at most capacity - 1 characters of `text` and terminates.
void SetExpectedValue(CheckSettings& settings, int item, std::wstring_view text);

bool IdentityEnabled(const CheckSettings& settings, int item);
// Scanned items take their code from the scan field; the others compare with their prefix.
bool IdentityScanned(const CheckSettings& settings, int item);
// The exact length a scan of the item must have; -1 when a configured SN length is outside
// 1..65, so that no scan can ever complete it.
int ScanLength(const CheckSettings& settings, int item);

// Empties the seven expected values and copies each prefix whose item and prefix check are on.
// Returns whether the scan field still has something to take: false when all seven items are
// enabled with their prefix checks on.
bool ApplyPrefixes(CheckSettings& settings);

// The start check: the first item (0..6) that is enabled and has no expected value, or -1 when
// every code is there.
int FirstMissingCode(const CheckSettings& settings);
// The station's message for a missing code, "Please input IMEI1 first!".
std::wstring MissingCodeMessage(int item);
