#include "EngineFixture.h"
#include "SimPhoneScript.h"
#include "station/engine/Checks.h"

namespace {

class CalibrationCheck : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    context->settings.checkCalibrationFlag = 1;
    SetPhone("GsmFlags", "0");
    SetPhone("WcdmaFlags", "0");
    SetPhone("LteFlags", "0");
  }
  void Masks(uint32_t gsm, uint32_t wcdma, uint32_t lte) {
    context->settings.calFlagMask = static_cast<int32_t>(gsm);
    context->settings.calFlagMaskWcdma = static_cast<int32_t>(wcdma);
    context->settings.calFlagMaskLte = static_cast<int32_t>(lte);
    context->settings.wcdmaUsed = wcdma != 0;
    context->settings.lteUsed = lte != 0;
  }
};

}  // namespace

TEST_F(CalibrationCheck, NoMasksReadOnlyTheGsmWordAndPassWithAnEmptyDetail) {
  Masks(0, 0, 0);
  EXPECT_EQ(CheckCalibrationFlags(*context), 1);
  EXPECT_EQ(recorder.Detail(L"Calibration Flag"), L"");
  EXPECT_EQ(recorder.Color(L"Calibration Flag", kColumnDetail), kColorPass);
  EXPECT_EQ(recorder.Result(L"Calibration Flag"), L"PASS");
  EXPECT_EQ(LogText(), "Calibration Flag,---,PASS,\n");
  EXPECT_EQ(KVSIM_GetCallCount("KV_gsmReadCalibrationParam"), 1);
  EXPECT_EQ(KVSIM_GetCallCount("KV_wcdmaLoadTestFlag"), 0);
  EXPECT_EQ(KVSIM_GetCallCount("KV_LTEReadCalibrationParam"), 0);
  EXPECT_EQ(LastArgs("KV_gsmReadCalibrationParam"), (std::vector<int32_t>{1, 1, 0, 11, 4}));
  EXPECT_EQ(LastArgs("KV_DataEndianConv32"), (std::vector<int32_t>{4}));
}

TEST_F(CalibrationCheck, RequiredGsmFlagsAreListedAndLoggedOnOneLine) {
  Masks(0x101, 0, 0);  // PCS AGC and AFC
  SetPhone("GsmFlags", "0x00000101");
  EXPECT_EQ(CheckCalibrationFlags(*context), 1);
  EXPECT_EQ(recorder.Detail(L"Calibration Flag"), L"PCS AGC: PASS\r\nAFC: PASS\r\n");
  EXPECT_EQ(LogText(), "Calibration Flag,---,PASS,PCS AGC: PASS;  AFC: PASS;  \n");
}

TEST_F(CalibrationCheck, GsmWordIsTakenAfterByteOrderConversion) {
  // Only bit 27 is required; a check that skipped the conversion would see bit 3 instead.
  Masks(0x08000000u, 0, 0);
  SetPhone("GsmFlags", "0x08000000");
  EXPECT_EQ(CheckCalibrationFlags(*context), 1);
  EXPECT_EQ(recorder.Detail(L"Calibration Flag"), L"MMI CIT: PASS\r\n");
}

TEST_F(CalibrationCheck, BitNineteenRequiresNothing) {
  Masks(0x00080000u, 0, 0);
  EXPECT_EQ(CheckCalibrationFlags(*context), 1);
  EXPECT_EQ(recorder.Detail(L"Calibration Flag"), L"");
  EXPECT_EQ(recorder.Result(L"Calibration Flag"), L"PASS");
}

TEST_F(CalibrationCheck, MissingWcdmaFinalTestFailsTheRow) {
  Masks(0, 0x1000, 0);
  SetPhone("WcdmaFlags", "0x0001");
  EXPECT_EQ(CheckCalibrationFlags(*context), 0);
  EXPECT_EQ(recorder.Detail(L"Calibration Flag"), L"WCDMA FINAL TEST: FAIL\r\n");
  EXPECT_EQ(recorder.Color(L"Calibration Flag", kColumnDetail), kColorFail);
  EXPECT_EQ(recorder.Result(L"Calibration Flag"), L"FAIL");
  EXPECT_EQ(recorder.Color(L"Calibration Flag", kColumnResult), kColorFail);
  EXPECT_EQ(LogText(), "Calibration Flag,---,FAIL,WCDMA FINAL TEST: FAIL;  \n");
  EXPECT_EQ(LastArgs("KV_DataEndianConv16"), (std::vector<int32_t>{2}));
}

TEST_F(CalibrationCheck, WcdmaAndLteWordsAreJudgedTogether) {
  Masks(0x1, 0x1000, 0x1000);
  SetPhone("GsmFlags", "0x1");
  SetPhone("WcdmaFlags", "0x1000");
  SetPhone("LteFlags", "0x1000");
  EXPECT_EQ(CheckCalibrationFlags(*context), 1);
  EXPECT_EQ(recorder.Detail(L"Calibration Flag"),
            L"PCS AGC: PASS\r\nWCDMA FINAL TEST: PASS\r\nLTE Final Test Flag: PASS\r\n");
}

TEST_F(CalibrationCheck, LteReadFailureHidesEveryFlagLine) {
  Masks(0x1, 0, 0x1);
  SetPhone("GsmFlags", "0x1");
  FailPhone("KV_LTEReadCalibrationParam", 7);
  EXPECT_EQ(CheckCalibrationFlags(*context), 0);
  EXPECT_EQ(recorder.Detail(L"Calibration Flag"), L"Read LTE test flag failed!");
  EXPECT_EQ(recorder.Color(L"Calibration Flag", kColumnDetail), kColorFail);
  EXPECT_EQ(recorder.Result(L"Calibration Flag"), L"FAIL");
  EXPECT_EQ(LogText(), "Calibration Flag,---,FAIL,Read LTE test flag failed!\n");
}

TEST_F(CalibrationCheck, GsmReadFailureStopsBeforeTheOtherWords) {
  Masks(0x1, 0x1, 0x1);
  FailPhone("KV_gsmReadCalibrationParam", 3);
  EXPECT_EQ(CheckCalibrationFlags(*context), 0);
  EXPECT_EQ(recorder.Detail(L"Calibration Flag"), L"Read test flag failed! (adc_reserved[7])");
  EXPECT_EQ(LogText(), "Calibration Flag,---,FAIL,Read test flag failed! (adc_reserved[7])\n");
  EXPECT_EQ(KVSIM_GetCallCount("KV_wcdmaLoadTestFlag"), 0);
  EXPECT_EQ(KVSIM_GetCallCount("KV_LTEReadCalibrationParam"), 0);
}

TEST_F(CalibrationCheck, WcdmaReadFailureSkipsTheLteWord) {
  Masks(0, 0x1, 0x1);
  FailPhone("KV_wcdmaLoadTestFlag", 3);
  EXPECT_EQ(CheckCalibrationFlags(*context), 0);
  EXPECT_EQ(recorder.Detail(L"Calibration Flag"), L"Read wcdma test flag failed!");
  EXPECT_EQ(KVSIM_GetCallCount("KV_LTEReadCalibrationParam"), 0);
}

TEST_F(CalibrationCheck, ClearedWcdmaMaskStopsReadingTheWord) {
  Masks(0, 0x1, 0);
  SetPhone("WcdmaFlags", "0x1");
  EXPECT_EQ(CheckCalibrationFlags(*context), 1);
  EXPECT_EQ(KVSIM_GetCallCount("KV_wcdmaLoadTestFlag"), 1);
  Masks(0, 0, 0);
  EXPECT_EQ(CheckCalibrationFlags(*context), 1);
  EXPECT_EQ(KVSIM_GetCallCount("KV_wcdmaLoadTestFlag"), 1);
}

TEST_F(CalibrationCheck, DisabledCheckDoesNothing) {
  context->settings.checkCalibrationFlag = 0;
  Masks(0x1, 0, 0);
  EXPECT_EQ(CheckCalibrationFlags(*context), 1);
  EXPECT_TRUE(recorder.reports().empty());
  EXPECT_EQ(LogText(), "");
  EXPECT_EQ(KVSIM_GetCallCount("KV_gsmReadCalibrationParam"), 0);
}
