#include "station/engine/core/CalibrationFlags.h"

#include "station/engine/core/TextEdit.h"

namespace {
constexpr CalWord G = CalWord::kGsm;
constexpr CalWord W = CalWord::kWcdma;
constexpr CalWord L = CalWord::kLte;
}  // namespace

const CalFlagPosition kCalFlagPositions[kCalFlagCount] = {
    {G, 0},  {G, 1},  {G, 2},  {G, 3},  {G, 4},  {G, 5},  {G, 6},  {G, 7},  {G, 8},  {G, 9},
    {G, 10}, {G, 11}, {G, 12}, {G, 13}, {G, 14}, {G, 15}, {G, 16}, {G, 17}, {G, 18}, {G, 20},
    {G, 21}, {G, 27}, {W, 0},  {W, 1},  {W, 2},  {W, 3},  {W, 12}, {L, 0},  {L, 1},  {L, 2},
    {L, 3},  {L, 4},  {L, 5},  {L, 12}, {L, 13}, {L, 14}, {L, 15},
};

CalFlagJudgement JudgeCalibrationFlags(const CalFlagMasks& masks, const CalFlagWords& words,
                                       const wchar_t* const* names) {
  CalFlagJudgement judgement{L"", true};
  for (int i = 0; i < kCalFlagCount; ++i) {
    const CalFlagPosition& flag = kCalFlagPositions[i];
    uint32_t mask = 0;
    uint32_t word = 0;
    switch (flag.word) {
      case CalWord::kGsm:
        mask = masks.gsm;
        word = words.gsm;
        break;
      case CalWord::kWcdma:
        mask = masks.wcdma;
        word = words.wcdma;
        break;
      case CalWord::kLte:
        mask = masks.lte;
        word = words.lte;
        break;
    }
    const uint32_t bit = 1u << flag.bit;
    if ((mask & bit) == 0) {
      continue;
    }
    const bool set = (word & bit) != 0;
    judgement.detail += names[i] != nullptr ? names[i] : L"";
    judgement.detail += set ? L": PASS\r\n" : L": FAIL\r\n";
    judgement.passed = judgement.passed && set;
  }
  return judgement;
}

std::wstring CalibrationDetailForLog(std::wstring_view detail) {
  return ReplaceAll(detail, L"\r\n", L";  ");
}
