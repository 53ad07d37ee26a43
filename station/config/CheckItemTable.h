// What the catalogue says about each check item: the flag of CheckSettings that enables it and
// the expected value its list row shows. One row per CheckItem, in list-row order.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "station/config/CheckCatalogue.h"
#include "station/config/CheckSettings.h"

enum class ExpectedForm : int32_t {
  Field,        // a text field of CheckSettings (scanned code, prefix, version)
  Dashes,       // "---"
  One,          // "1"
  Limits,       // "Lo Lim:%d Hi Lim: %d" and a unit
  FloatLimits,  // "Lo Lim:%.2f Hi Lim: %.2f" and a unit
  Number,       // "%d"
};

struct CheckItemInfo {
  CheckItem item;
  int32_t CheckSettings::*enable;
  ExpectedForm form;
  std::span<const wchar_t> (*text)(const CheckSettings&);  // Field
  int32_t CheckSettings::*low;                             // Limits; the value of Number
  int32_t CheckSettings::*high;                            // Limits
  float CheckSettings::*lowFloat;                          // FloatLimits
  float CheckSettings::*highFloat;                         // FloatLimits
  const char* unit;                                        // "", " mA" or " uA"
};

extern const CheckItemInfo kCheckItemTable[kCheckItemCount];

const CheckItemInfo& ItemInfo(CheckItem item);

inline bool ItemEnabled(const CheckSettings& settings, CheckItem item) {
  return settings.*(ItemInfo(item).enable) != 0;
}

// The expected-value text of the item's list row, cut to fit `capacity` characters including
// the terminator. Returns the number of characters written.
size_t ExpectedValueText(const CheckSettings& settings, CheckItem item, wchar_t* out,
                         size_t capacity);
