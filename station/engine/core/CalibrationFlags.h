// Where each calibration / final-test flag lives, and the judgement of the three flag words.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "station/config/CheckCatalogue.h"

enum class CalWord { kGsm, kWcdma, kLte };

struct CalFlagPosition {
  CalWord word;
  int bit;
};

// Entry i belongs to CalFlagNames[i]. Bits that no entry names carry no flag.
extern const CalFlagPosition kCalFlagPositions[kCalFlagCount];

struct CalFlagMasks {
  uint32_t gsm;
  uint32_t wcdma;
  uint32_t lte;
};

struct CalFlagWords {
  uint32_t gsm;
  uint16_t wcdma;
  uint16_t lte;
};

struct CalFlagJudgement {
  std::wstring detail;  // "<name>: PASS\r\n" / "<name>: FAIL\r\n" per required flag
  bool passed;
};

// Lists every required flag in catalogue order; fails when any of them is not set.
CalFlagJudgement JudgeCalibrationFlags(const CalFlagMasks& masks, const CalFlagWords& words,
                                       const wchar_t* const* names);
// The log keeps the detail on one line: each "\r\n" becomes ";  ".
std::wstring CalibrationDetailForLog(std::wstring_view detail);
