#include <cstring>
#include <cwchar>
#include <string>

#include "EngineFixture.h"
#include "SimPhoneScript.h"
#include "station/engine/Checks.h"
#include "station/engine/Reporting.h"

namespace {

class IdentityCheck : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    SetPhone("IMEI1", "861234567890123");
    SetPhone("IMEI2", "861299999999992");
    SetPhone("IMEI3", "861233333333331");
    SetPhone("SN1", "VX0001");
    SetPhone("SN2", "VX0002");
    SetPhone("BtAddr", "00A0C6AB0102");
    SetPhone("WlanAddr", "00A0C6AB0103");
  }
  CheckSettings& settings() { return context->settings; }
};

}  // namespace

TEST_F(IdentityCheck, ImeiPassesAndLogsExpectedAndPhoneValue) {
  settings().checkImei1 = 1;
  SetText(settings().imei1, L"861234567890123");
  EXPECT_EQ(CheckImeis(*context), 1);
  EXPECT_EQ(recorder.Detail(L"IMEI1"), L"IMEI1: 861234567890123");
  EXPECT_EQ(recorder.Color(L"IMEI1", kColumnDetail), kColorPass);
  EXPECT_EQ(recorder.Result(L"IMEI1"), L"PASS");
  EXPECT_EQ(recorder.Color(L"IMEI1", kColumnResult), kColorPass);
  EXPECT_EQ(LogText(), "IMEI1,861234567890123,PASS,861234567890123\n");
  EXPECT_FALSE(recorder.HasCell(L"IMEI2", kColumnResult));
}

TEST_F(IdentityCheck, FourteenDigitExpectedImeiFails) {
  settings().checkImei1 = 1;
  SetText(settings().imei1, L"86123456789012");
  EXPECT_EQ(CheckImeis(*context), 0);
  EXPECT_EQ(recorder.Detail(L"IMEI1"), L"IMEI1: 861234567890123");
  EXPECT_EQ(recorder.Color(L"IMEI1", kColumnDetail), kColorFail);
  EXPECT_EQ(recorder.Result(L"IMEI1"), L"FAIL");
  EXPECT_EQ(LogText(), "IMEI1,86123456789012,FAIL,861234567890123\n");
}

TEST_F(IdentityCheck, FirstFewImeiComparesOnlyThePrefix) {
  settings().checkImei2 = 1;
  settings().checkImei2Prefix = 1;
  SetText(settings().imei2, L"8612");
  EXPECT_EQ(CheckImeis(*context), 1);
  EXPECT_EQ(LogText(), "IMEI2,8612,PASS,861299999999992\n");

  recorder.Clear();
  FlushTestLog(*context);
  SetText(settings().imei2, L"8613");
  EXPECT_EQ(CheckImeis(*context), 0);
  EXPECT_EQ(recorder.Result(L"IMEI2"), L"FAIL");
}

TEST_F(IdentityCheck, OneFailingImeiFailsTheStepButEveryRowIsShown) {
  settings().checkImei1 = 1;
  settings().checkImei2 = 1;
  settings().checkImei3 = 1;
  SetText(settings().imei1, L"861234567890123");
  SetText(settings().imei2, L"000000000000000");
  SetText(settings().imei3, L"861233333333331");
  EXPECT_EQ(CheckImeis(*context), 0);
  EXPECT_EQ(recorder.Result(L"IMEI1"), L"PASS");
  EXPECT_EQ(recorder.Result(L"IMEI2"), L"FAIL");
  EXPECT_EQ(recorder.Result(L"IMEI3"), L"PASS");
  EXPECT_EQ(LogText(),
            "IMEI1,861234567890123,PASS,861234567890123\n"
            "IMEI2,000000000000000,FAIL,861299999999992\n"
            "IMEI3,861233333333331,PASS,861233333333331\n");
  EXPECT_EQ(KVSIM_GetCallCount("KV_FastReadNvInfo"), 1) << "one read serves all three";
}

TEST_F(IdentityCheck, FailedIdentityReadFailsEveryEnabledImeiWithTheCode) {
  settings().checkImei1 = 1;
  settings().checkImei3 = 1;
  SetText(settings().imei1, L"861234567890123");
  SetText(settings().imei3, L"861233333333331");
  FailPhone("KV_FastReadNvInfo", 5);
  EXPECT_EQ(CheckImeis(*context), 0);
  for (const wchar_t* item : {L"IMEI1", L"IMEI3"}) {
    EXPECT_EQ(recorder.Detail(item), L"Read IMEI from phone failed! Error Code: 5") << item;
    EXPECT_EQ(recorder.Color(item, kColumnDetail), kColorFail);
    EXPECT_EQ(recorder.Result(item), L"FAIL");
  }
  EXPECT_EQ(recorder.CountFor(L"IMEI2"), 0);
  EXPECT_EQ(LogText(),
            "IMEI1,861234567890123,FAIL,Read IMEI from phone failed! Error Code: 5\n"
            "IMEI3,861233333333331,FAIL,Read IMEI from phone failed! Error Code: 5\n");
}

TEST_F(IdentityCheck, ImeiStepWithoutChecksStillNamesTheLogAfterImei1) {
  settings().saveLog = 3;
  EXPECT_EQ(CheckImeis(*context), 1);
  EXPECT_STREQ(context->logName, "861234567890123");
  EXPECT_TRUE(recorder.reports().empty());
  EXPECT_EQ(LogText(), "");

  // A failing read keeps the previous phone's name.
  SetPhone("IMEI1", "869999999999999");
  FailPhone("KV_FastReadNvInfo", 2);
  EXPECT_EQ(CheckImeis(*context), 1);
  EXPECT_STREQ(context->logName, "861234567890123");
}

TEST_F(IdentityCheck, LogIsNamedAfterImei1AlsoWhenOnlyImei2IsChecked) {
  settings().saveLog = 3;
  settings().checkImei2 = 1;
  SetText(settings().imei2, L"861299999999992");
  EXPECT_EQ(CheckImeis(*context), 1);
  EXPECT_STREQ(context->logName, "861234567890123");
}

TEST_F(IdentityCheck, OtherSaveModesLeaveTheNameToTheSerialNumbers) {
  std::strcpy(context->logName, "previous");
  settings().saveLog = 1;
  settings().checkImei1 = 1;
  SetText(settings().imei1, L"861234567890123");
  CheckImeis(*context);
  EXPECT_STREQ(context->logName, "previous");
}

TEST_F(IdentityCheck, SerialNumberPassesAndStartsTheVoltageLine) {
  settings().checkSn1 = 1;
  SetText(settings().sn1, L"VX0001");
  std::strcpy(context->voltageLine, "left over,");
  EXPECT_EQ(CheckSerialNumbers(*context), 1);
  EXPECT_EQ(recorder.Detail(L"SN1"), L"SN1: VX0001");
  EXPECT_EQ(recorder.Color(L"SN1", kColumnDetail), kColorPass);
  EXPECT_EQ(recorder.Result(L"SN1"), L"PASS");
  EXPECT_EQ(LogText(), "SN1,VX0001,PASS,VX0001\n");
  EXPECT_EQ(VoltageLine(), "VX0001,");
  EXPECT_EQ(LastArgs("KV_ReadSN"), (std::vector<int32_t>{1, 65}));
}

TEST_F(IdentityCheck, SerialNumberMismatchIsRed) {
  settings().checkSn2 = 1;
  SetText(settings().sn2, L"VX0001");
  EXPECT_EQ(CheckSerialNumbers(*context), 0);
  EXPECT_EQ(recorder.Detail(L"SN2"), L"SN2: VX0002");
  EXPECT_EQ(recorder.Color(L"SN2", kColumnDetail), kColorFail);
  EXPECT_EQ(recorder.Result(L"SN2"), L"FAIL");
  EXPECT_EQ(LogText(), "SN2,VX0001,FAIL,VX0002\n");
  EXPECT_EQ(LastArgs("KV_ReadSN"), (std::vector<int32_t>{0, 65}));
}

TEST_F(IdentityCheck, FailedSn1ReadLeavesABareCommaInTheVoltageLine) {
  settings().checkSn1 = 1;
  SetText(settings().sn1, L"VX0001");
  std::strcpy(context->voltageLine, "old,");
  FailPhone("KV_ReadSN", 3);
  EXPECT_EQ(CheckSerialNumbers(*context), 0);
  EXPECT_EQ(recorder.Detail(L"SN1"), L"Read SN1 from phone failed! Error Code: 3");
  EXPECT_EQ(recorder.Color(L"SN1", kColumnDetail), kColorFail);
  EXPECT_EQ(recorder.Result(L"SN1"), L"FAIL");
  EXPECT_EQ(LogText(), "SN1,VX0001,FAIL,Read SN1 from phone failed! Error Code: 3\n");
  EXPECT_EQ(VoltageLine(), ",");
}

TEST_F(IdentityCheck, FailedSn2ReadLogsItsOwnName) {
  settings().checkSn2 = 1;
  SetText(settings().sn2, L"E2");
  FailPhone("KV_ReadSN", 3);
  EXPECT_EQ(CheckSerialNumbers(*context), 0);
  EXPECT_EQ(LogText(), "SN2,E2,FAIL,Read SN2 from phone failed! Error Code: 3\n");
}

TEST_F(IdentityCheck, EmptySerialPrefixPassesAnyReading) {
  settings().checkSn1 = 1;
  settings().checkSn1Prefix = 1;
  SetText(settings().sn1, L"");
  EXPECT_EQ(CheckSerialNumbers(*context), 1);
  EXPECT_EQ(LogText(), "SN1,,PASS,VX0001\n");
}

TEST_F(IdentityCheck, AnExpectedSerialNumberLongerThanThePhoneCanHoldNeverPasses) {
  // The phone returns at most 64 characters; a 65th expected one can only fail, whether it
  // is the last character of a configured prefix or of a scanned number.
  const std::string phoneSn(64, '7');
  const std::wstring same64(64, L'7');
  SetPhone("SN1", phoneSn);
  SetPhone("SN2", phoneSn);
  settings().checkSn1 = 1;
  settings().checkSn2 = 1;
  for (int32_t firstFew : {1, 0}) {
    SCOPED_TRACE(firstFew != 0 ? "first-few mode" : "scanned value");
    settings().checkSn1Prefix = firstFew;
    settings().checkSn2Prefix = firstFew;
    SetText(settings().sn1, (same64 + L"7").c_str());
    SetText(settings().sn2, same64.c_str());
    ASSERT_EQ(std::wcslen(settings().sn1), 65u);
    EXPECT_EQ(CheckSerialNumbers(*context), 0);
    EXPECT_EQ(recorder.Result(L"SN1"), L"FAIL");
    EXPECT_EQ(recorder.Result(L"SN2"), L"PASS");
    EXPECT_EQ(LogText(), "SN1," + phoneSn + "7,FAIL," + phoneSn + "\nSN2," + phoneSn + ",PASS," +
                             phoneSn + "\n");
    context->logText[0] = '\0';
  }
}

TEST_F(IdentityCheck, UncheckedSerialNumbersStillFeedVoltageLineAndLogName) {
  settings().saveLog = 1;
  EXPECT_EQ(CheckSerialNumbers(*context), 1);
  EXPECT_EQ(VoltageLine(), "VX0001,");
  EXPECT_STREQ(context->logName, "VX0001");
  EXPECT_TRUE(recorder.reports().empty());
  EXPECT_EQ(LogText(), "");

  FailPhone("KV_ReadSN", 4);
  EXPECT_EQ(CheckSerialNumbers(*context), 1);
  EXPECT_EQ(VoltageLine(), ",");
  EXPECT_STREQ(context->logName, "VX0001") << "a failed read keeps the old name";
}

TEST_F(IdentityCheck, SaveBySn2ReadsSn2OnceForTheNameWhenOnlySn1IsChecked) {
  settings().saveLog = 2;
  settings().checkSn1 = 1;
  SetText(settings().sn1, L"VX0001");
  EXPECT_EQ(CheckSerialNumbers(*context), 1);
  EXPECT_EQ(KVSIM_GetCallCount("KV_ReadSN"), 2);
  EXPECT_STREQ(context->logName, "VX0002");
  EXPECT_EQ(recorder.CountFor(L"SN2"), 0);
}

TEST_F(IdentityCheck, SaveBySn2WithNothingCheckedReadsBoth) {
  settings().saveLog = 2;
  EXPECT_EQ(CheckSerialNumbers(*context), 1);
  EXPECT_EQ(KVSIM_GetCallCount("KV_ReadSN"), 2);
  EXPECT_STREQ(context->logName, "VX0002");
  EXPECT_EQ(VoltageLine(), "VX0001,");
}

TEST_F(IdentityCheck, SaveBySn2NamesTheLogFromTheSn2Check) {
  settings().saveLog = 2;
  settings().checkSn1 = 1;
  settings().checkSn2 = 1;
  SetText(settings().sn1, L"VX0001");
  SetText(settings().sn2, L"VX0002");
  EXPECT_EQ(CheckSerialNumbers(*context), 1);
  EXPECT_EQ(KVSIM_GetCallCount("KV_ReadSN"), 2);
  EXPECT_STREQ(context->logName, "VX0002");
  EXPECT_EQ(LogText(), "SN1,VX0001,PASS,VX0001\nSN2,VX0002,PASS,VX0002\n");
}

TEST_F(IdentityCheck, LongSerialNumberFromThePhoneIsCutToTheBuffer) {
  settings().checkSn1 = 1;
  const std::string longSn(200, 'S');
  SetPhone("SN1", longSn);
  SetText(settings().sn1, std::wstring(64, L'S').c_str());
  EXPECT_EQ(CheckSerialNumbers(*context), 1);
  EXPECT_LE(recorder.Detail(L"SN1").size(), std::wstring(L"SN1: ").size() + 64);
  EXPECT_LT(VoltageLine().size(), 70u);
}

TEST_F(IdentityCheck, BtAddressMustMatchExactly) {
  settings().checkBtAddr = 1;
  SetText(settings().btAddr, L"00A0C6AB0102");
  EXPECT_EQ(CheckBtAddress(*context), 1);
  EXPECT_EQ(recorder.Detail(L"BT Addr"), L"BT Addr: 00A0C6AB0102");
  EXPECT_EQ(recorder.Color(L"BT Addr", kColumnDetail), kColorPass);
  EXPECT_EQ(recorder.Result(L"BT Addr"), L"PASS");
  EXPECT_EQ(LogText(), "BT Addr,00A0C6AB0102,PASS,00A0C6AB0102\n");

  FlushTestLog(*context);
  SetText(settings().btAddr, L"00a0c6ab0102");
  EXPECT_EQ(CheckBtAddress(*context), 0);
  EXPECT_EQ(recorder.Color(L"BT Addr", kColumnDetail), kColorFail);
  EXPECT_EQ(LogText(), "BT Addr,00a0c6ab0102,FAIL,00A0C6AB0102\n");
}

TEST_F(IdentityCheck, BlankAddressFailsEvenWhenScanned) {
  settings().checkBtAddr = 1;
  SetPhone("BtAddr", "FFFFFFFFFFFF");
  SetText(settings().btAddr, L"FFFFFFFFFFFF");
  EXPECT_EQ(CheckBtAddress(*context), 0);
  EXPECT_EQ(recorder.Detail(L"BT Addr"), L"BT Addr: FFFFFFFFFFFF");
  EXPECT_EQ(recorder.Result(L"BT Addr"), L"FAIL");
}

TEST_F(IdentityCheck, FirstFewAddressIsASubstringAnywhere) {
  settings().checkBtAddr = 1;
  settings().checkBtAddrPrefix = 1;
  SetPhone("BtAddr", "1200A0C6AB01");
  SetText(settings().btAddr, L"00A0C6");
  EXPECT_EQ(CheckBtAddress(*context), 1);
  EXPECT_EQ(LogText(), "BT Addr,00A0C6,PASS,1200A0C6AB01\n");
}

TEST_F(IdentityCheck, WifiFirstFewDoesNotRelaxTheBtCheck) {
  settings().checkBtAddr = 1;
  settings().checkWifiAddr = 1;
  settings().checkWifiAddrPrefix = 1;
  SetPhone("BtAddr", "000000000000");
  SetPhone("WlanAddr", "000000000000");
  SetText(settings().btAddr, L"000000000000");
  SetText(settings().wifiAddr, L"0000");
  EXPECT_EQ(CheckBtAddress(*context), 0);
  EXPECT_EQ(CheckWifiAddress(*context), 1);
  EXPECT_EQ(recorder.Detail(L"WIFI Addr"), L"WIFI Addr: 000000000000");
  EXPECT_EQ(LogText(),
            "BT Addr,000000000000,FAIL,000000000000\n"
            "WIFI Addr,0000,PASS,000000000000\n");
  EXPECT_EQ(KVSIM_GetCallCount("KV_FastReadNvInfo"), 2) << "each address reads on its own";
}

TEST_F(IdentityCheck, FailedAddressReadShowsNoCode) {
  settings().checkWifiAddr = 1;
  SetText(settings().wifiAddr, L"00A0C6AB0103");
  FailPhone("KV_FastReadNvInfo", 9);
  EXPECT_EQ(CheckWifiAddress(*context), 0);
  EXPECT_EQ(recorder.Detail(L"WIFI Addr"), L"Read WIFI Addr from phone failed!");
  EXPECT_EQ(recorder.Color(L"WIFI Addr", kColumnDetail), kColorFail);
  EXPECT_EQ(recorder.Result(L"WIFI Addr"), L"FAIL");
  EXPECT_EQ(LogText(), "WIFI Addr,00A0C6AB0103,FAIL,Read WIFI Addr from phone failed!\n");

  settings().checkBtAddr = 1;
  FlushTestLog(*context);
  EXPECT_EQ(CheckBtAddress(*context), 0);
  EXPECT_EQ(recorder.Detail(L"BT Addr"), L"Read BT Addr from phone failed!");
}

TEST_F(IdentityCheck, DisabledAddressChecksDoNotAskThePhone) {
  EXPECT_EQ(CheckBtAddress(*context), 1);
  EXPECT_EQ(CheckWifiAddress(*context), 1);
  EXPECT_EQ(KVSIM_GetCallCount("KV_FastReadNvInfo"), 0);
  EXPECT_TRUE(recorder.reports().empty());
}
