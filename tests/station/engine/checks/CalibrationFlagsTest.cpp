#include "station/engine/core/CalibrationFlags.h"

#include <gtest/gtest.h>

#include "station/config/CheckCatalogue.h"

namespace {
CalFlagJudgement Judge(CalFlagMasks masks, CalFlagWords words) {
  return JudgeCalibrationFlags(masks, words, CalFlagNames);
}
}  // namespace

TEST(CalibrationFlags, NoMaskGivesAnEmptyPassingDetail) {
  CalFlagJudgement judgement = Judge({0, 0, 0}, {0xFFFFFFFFu, 0xFFFF, 0xFFFF});
  EXPECT_TRUE(judgement.passed);
  EXPECT_EQ(judgement.detail, L"");
}

TEST(CalibrationFlags, RequiredFlagsAreListedInCatalogueOrder) {
  // PCS AGC (bit 0) set, AFC (bit 8) set, ADC (bit 9) missing.
  CalFlagJudgement judgement = Judge({0x301, 0, 0}, {0x101, 0, 0});
  EXPECT_FALSE(judgement.passed);
  EXPECT_EQ(judgement.detail, L"PCS AGC: PASS\r\nAFC: PASS\r\nADC: FAIL\r\n");
}

TEST(CalibrationFlags, GsmBitNineteenCarriesNoFlagButTwentySevenIsMmiCit) {
  EXPECT_EQ(Judge({0x00080000u, 0, 0}, {0, 0, 0}).detail, L"");
  EXPECT_TRUE(Judge({0x00080000u, 0, 0}, {0, 0, 0}).passed);
  CalFlagJudgement mmi = Judge({0x08000000u, 0, 0}, {0x08000000u, 0, 0});
  EXPECT_EQ(mmi.detail, L"MMI CIT: PASS\r\n");
  EXPECT_TRUE(mmi.passed);
  // Edge flags sit at bits 20 and 21, one above their catalogue index.
  EXPECT_EQ(Judge({0x00300000u, 0, 0}, {0x00100000u, 0, 0}).detail,
            L"CALI EDGE: PASS\r\nFINAL EDGE: FAIL\r\n");
}

TEST(CalibrationFlags, WcdmaFinalTestLivesAtBitTwelve) {
  CalFlagJudgement judgement = Judge({0, 0x1000, 0}, {0, 0x0001, 0});
  EXPECT_EQ(judgement.detail, L"WCDMA FINAL TEST: FAIL\r\n");
  EXPECT_FALSE(judgement.passed);
  EXPECT_TRUE(Judge({0, 0x1000, 0}, {0, 0x1000, 0}).passed);
}

TEST(CalibrationFlags, EachWordIsJudgedAgainstItsOwnMask) {
  // The same bit in another word must not satisfy a flag.
  CalFlagJudgement judgement = Judge({0, 0x0001, 0x0001}, {0x0001, 0, 0x0001});
  EXPECT_EQ(judgement.detail, L"WCDMA BANDI: FAIL\r\nLTE AFC TDD Calibration Flag: PASS\r\n");
  EXPECT_FALSE(judgement.passed);
}

TEST(CalibrationFlags, EveryNamedBitIsReachableAndUnnamedBitsAddNothing) {
  CalFlagJudgement all = Judge({0xFFFFFFFFu, 0xFFFF, 0xFFFF}, {0xFFFFFFFFu, 0xFFFF, 0xFFFF});
  EXPECT_TRUE(all.passed);
  size_t lines = 0;
  for (size_t at = all.detail.find(L"\r\n"); at != std::wstring::npos;
       at = all.detail.find(L"\r\n", at + 2)) {
    ++lines;
  }
  EXPECT_EQ(lines, 37u);
  EXPECT_EQ(Judge({0xF7C80000u, 0xEFF0, 0x0FC0}, {0, 0, 0}).detail, L"");
}

TEST(CalibrationFlags, LogFormKeepsTheTrailingSeparator) {
  EXPECT_EQ(CalibrationDetailForLog(L"PCS AGC: PASS\r\nAFC: PASS\r\n"),
            L"PCS AGC: PASS;  AFC: PASS;  ");
  EXPECT_EQ(CalibrationDetailForLog(L""), L"");
}
