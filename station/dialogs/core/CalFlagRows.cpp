#include "station/dialogs/core/CalFlagRows.h"

#include "station/engine/core/CalibrationFlags.h"

namespace {

int32_t CheckSettings::*MaskOf(CalWord word) {
  switch (word) {
    case CalWord::kWcdma:
      return &CheckSettings::calFlagMaskWcdma;
    case CalWord::kLte:
      return &CheckSettings::calFlagMaskLte;
    case CalWord::kGsm:
      break;
  }
  return &CheckSettings::calFlagMask;
}

uint32_t BitOf(const CalFlagPosition& flag) {
  return 1u << flag.bit;
}

}  // namespace

CalFlagRowChecks CalFlagRowsFromMasks(const CheckSettings& settings) {
  CalFlagRowChecks rows{};
  for (int j = 0; j < kCalFlagCount; ++j) {
    const CalFlagPosition& flag = kCalFlagPositions[j];
    rows[j] = (static_cast<uint32_t>(settings.*MaskOf(flag.word)) & BitOf(flag)) != 0;
  }
  return rows;
}

void TakeCalFlagRows(CheckSettings& settings, const CalFlagRowChecks& rows) {
  uint32_t masks[3] = {};  // GSM, WCDMA, LTE
  settings.checkCalibrationFlag = 0;
  settings.wcdmaUsed = 0;
  settings.lteUsed = 0;
  for (int j = 0; j < kCalFlagCount; ++j) {
    if (!rows[j]) {
      continue;
    }
    const CalFlagPosition& flag = kCalFlagPositions[j];
    masks[static_cast<int>(flag.word)] |= BitOf(flag);
    if (flag.word == CalWord::kWcdma) {
      settings.wcdmaUsed = 1;
    } else if (flag.word == CalWord::kLte) {
      settings.lteUsed = 1;
    }
    settings.checkCalibrationFlag = 1;
  }
  settings.calFlagMask = static_cast<int32_t>(masks[static_cast<int>(CalWord::kGsm)]);
  settings.calFlagMaskWcdma = static_cast<int32_t>(masks[static_cast<int>(CalWord::kWcdma)]);
  settings.calFlagMaskLte = static_cast<int32_t>(masks[static_cast<int>(CalWord::kLte)]);
}
