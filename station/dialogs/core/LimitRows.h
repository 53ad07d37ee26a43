// The rows of the settings dialog's limit list: which check flag and which limits each row
// edits, the texts it shows, and how the typed limit texts become values again.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "station/config/CheckSettings.h"

inline constexpr int kLimitRowCount = 10;
// The power-off current row: it leaves the list while a factory reset or a power-off ends
// the run, since the phone is then off before its leak current could be measured.
inline constexpr int kPowerOffRow = 9;
// The deep-sleep row holds real numbers; every other row holds integers.
inline constexpr int kDeepSleepRow = 8;

// A limit cell is read through a buffer of this many ANSI bytes, terminator included.
inline constexpr int kLimitCellBytes = 10;
using LimitCellBuffer = std::array<char, kLimitCellBytes>;

struct LimitRow {
  const wchar_t* name;  // the "Voltage" column
  const wchar_t* unit;  // the "Unit" column
  int32_t CheckSettings::*check;
  int32_t CheckSettings::*low;  // integer limits (null for the deep-sleep row)
  int32_t CheckSettings::*high;
  float CheckSettings::*lowReal;  // real limits (deep-sleep row only)
  float CheckSettings::*highReal;
};

extern const LimitRow kLimitRows[kLimitRowCount];

// The texts a row shows: "%d", or "%.2f" for the deep-sleep row.
std::wstring LowLimitText(const CheckSettings& settings, int row);
std::wstring HighLimitText(const CheckSettings& settings, int row);

// `ansi` cut to the cell buffer: at most kLimitCellBytes - 1 bytes and a terminator.
LimitCellBuffer ToLimitCellBuffer(std::string_view ansi);

// What a row's cells hold when the dialog is confirmed.
struct LimitRowInput {
  bool checked;
  LimitCellBuffer low;
  LimitCellBuffer high;
  bool lowKept = false;  // the cell still shows the stored limit: it stays as it is
  bool highKept = false;
};

// Takes the rows into `settings`: each limit is the cell's leading decimal number (no number
// gives 0), except a kept one. The power-off row is taken only when `rowCount` includes it and
// neither a factory reset nor a power-off after the check is set; otherwise its limits stay as they
// are and its check is cleared. Rows beyond `rowCount` are not touched otherwise.
void TakeLimitRows(CheckSettings& settings, const LimitRowInput* rows, int rowCount);
