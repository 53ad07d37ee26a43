#include <cstring>

#include "EngineFixture.h"
#include "SimPhoneScript.h"
#include "station/engine/Checks.h"
#include "station/engine/Reporting.h"

namespace {

class VoltageCheck : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    CheckSettings& s = context->settings;
    s.auxLo36 = s.auxLo38 = s.auxLo42 = 3740;
    s.auxHi36 = s.auxHi38 = s.auxHi42 = 3860;
    s.fguLo36 = s.fguLo38 = s.fguLo42 = 3750;
    s.fguHi36 = s.fguHi38 = s.fguHi42 = 3850;
    s.checkAux36 = s.checkAux38 = s.checkAux42 = 1;
    s.checkFgu36 = s.checkFgu38 = s.checkFgu42 = 1;
    s.checkFguType = 1;
    s.fguType = 1;
  }
  void Battery(int unit, int value) {
    SetPhone("BatteryUnit", std::to_string(unit));
    SetPhone("BatteryValue", std::to_string(value));
  }
};

}  // namespace

TEST_F(VoltageCheck, MillivoltReadingOf3800IsShownAs3799) {
  Battery(1, 3800);
  EXPECT_EQ(CheckAuxVoltage(*context, 0), 1);
  EXPECT_EQ(recorder.Detail(L"AUX Voltage 3.6"), L"3799");
  EXPECT_EQ(recorder.Color(L"AUX Voltage 3.6", kColumnDetail), kColorPass);
  EXPECT_EQ(recorder.Result(L"AUX Voltage 3.6"), L"PASS");
  EXPECT_EQ(LogText(), "AUX Voltage 3.6,Lo Lim:3740 Hi Lim: 3860,PASS,3799,mV\n");
  EXPECT_EQ(VoltageLine(), "3799,");
}

TEST_F(VoltageCheck, TenMillivoltUnitReadingsConvertThroughTheSameFloat) {
  Battery(0, 380);
  EXPECT_EQ(CheckAuxVoltage(*context, 1), 1);
  EXPECT_EQ(recorder.Detail(L"AUX Voltage 3.8"), L"3799");
  Battery(0, 375);
  EXPECT_EQ(CheckAuxVoltage(*context, 2), 1);
  EXPECT_EQ(recorder.Detail(L"AUX Voltage 4.2"), L"3750");
  Battery(1, 3801);
  EXPECT_EQ(CheckAuxVoltage(*context, 0), 1);
  EXPECT_EQ(recorder.Detail(L"AUX Voltage 3.6"), L"3801");
  EXPECT_EQ(VoltageLine(), "3799,3750,3801,");
}

TEST_F(VoltageCheck, LimitsAreInclusive) {
  Battery(1, 3740);
  EXPECT_EQ(CheckAuxVoltage(*context, 0), 1);
  context->settings.auxHi36 = 3801;
  Battery(1, 3801);
  EXPECT_EQ(CheckAuxVoltage(*context, 0), 1);
  EXPECT_EQ(recorder.Detail(L"AUX Voltage 3.6"), L"3801");
  Battery(1, 3802);
  EXPECT_EQ(CheckAuxVoltage(*context, 0), 0);
  Battery(1, 3739);
  EXPECT_EQ(CheckAuxVoltage(*context, 0), 0);
  EXPECT_EQ(recorder.Color(L"AUX Voltage 3.6", kColumnDetail), kColorFail);
  EXPECT_EQ(recorder.Result(L"AUX Voltage 3.6"), L"FAIL");

  SetPhone("FguVoltage", "3750");
  EXPECT_EQ(CheckFguVoltage(*context, 1), 1);
  SetPhone("FguVoltage", "3850");
  EXPECT_EQ(CheckFguVoltage(*context, 1), 1);
  SetPhone("FguVoltage", "3851");
  EXPECT_EQ(CheckFguVoltage(*context, 1), 0);
}

// Six groups with ranges that do not overlap: each reading passes in its own group's range only,
// and each log line names its group's own limits.
TEST_F(VoltageCheck, EachGroupJudgesAgainstItsOwnNameAndLimits) {
  CheckSettings& s = context->settings;
  int32_t CheckSettings::*const limits[6][2] = {
      {&CheckSettings::auxLo36, &CheckSettings::auxHi36},
      {&CheckSettings::auxLo38, &CheckSettings::auxHi38},
      {&CheckSettings::auxLo42, &CheckSettings::auxHi42},
      {&CheckSettings::fguLo36, &CheckSettings::fguHi36},
      {&CheckSettings::fguLo38, &CheckSettings::fguHi38},
      {&CheckSettings::fguLo42, &CheckSettings::fguHi42}};
  const char* names[6] = {"AUX Voltage 3.6", "AUX Voltage 3.8", "AUX Voltage 4.2",
                          "FGU Voltage 3.6", "FGU Voltage 3.8", "FGU Voltage 4.2"};
  for (int i = 0; i < 6; ++i) {
    s.*limits[i][0] = 3000 + 100 * i;
    s.*limits[i][1] = 3050 + 100 * i;
  }
  for (int i = 0; i < 6; ++i) {
    const int group = i % 3;
    for (int32_t reading : {3025 + 100 * i, 2925 + 100 * i, 3125 + 100 * i}) {
      if (i < 3) {
        Battery(1, reading);
      } else {
        SetPhone("FguVoltage", std::to_string(reading));
      }
      const int32_t passed =
          i < 3 ? CheckAuxVoltage(*context, group) : CheckFguVoltage(*context, group);
      EXPECT_EQ(passed, reading == 3025 + 100 * i) << names[i] << " " << reading;
    }
    const std::string line = std::string(names[i]) + ",Lo Lim:" + std::to_string(3000 + 100 * i) +
                             " Hi Lim: " + std::to_string(3050 + 100 * i) + ",";
    EXPECT_NE(LogText().find(line), std::string::npos) << line;
  }
}

TEST_F(VoltageCheck, FailedBatteryReadLeavesTheVoltageLineAlone) {
  std::strcpy(context->voltageLine, "SN,");
  FailPhone("KV_GetMsVoltage", 3);
  EXPECT_EQ(CheckAuxVoltage(*context, 1), 0);
  EXPECT_EQ(recorder.Detail(L"AUX Voltage 3.8"), L"KV_GetMsVoltage failed, Error Code: 3");
  EXPECT_EQ(recorder.Color(L"AUX Voltage 3.8", kColumnDetail), kColorFail);
  EXPECT_EQ(recorder.Result(L"AUX Voltage 3.8"), L"FAIL");
  EXPECT_EQ(
      LogText(),
      "AUX Voltage 3.8,Lo Lim:3740 Hi Lim: 3860,FAIL,KV_GetMsVoltage failed, Error Code: 3\n");
  EXPECT_EQ(VoltageLine(), "SN,");
}

TEST_F(VoltageCheck, FguReadingIsTakenAsMillivoltsAndJudged) {
  SetPhone("FguVoltage", "4190");
  EXPECT_EQ(CheckFguVoltage(*context, 2), 0);
  EXPECT_EQ(recorder.Detail(L"FGU Voltage 4.2"), L"4190");
  EXPECT_EQ(recorder.Color(L"FGU Voltage 4.2", kColumnDetail), kColorFail);
  EXPECT_EQ(LogText(), "FGU Voltage 4.2,Lo Lim:3750 Hi Lim: 3850,FAIL,4190,mV\n");
  EXPECT_EQ(VoltageLine(), "4190,");
  EXPECT_EQ(LastArgs("KV_apSendADC"), (std::vector<int32_t>{6}));
}

TEST_F(VoltageCheck, FailedFguReadAppendsNothingToTheVoltageLine) {
  FailPhone("KV_apSendADC", 4);
  EXPECT_EQ(CheckFguVoltage(*context, 0), 0);
  EXPECT_EQ(recorder.Detail(L"FGU Voltage 3.6"), L"KV_apSendADC failed, Error Code: 4");
  EXPECT_EQ(LogText(),
            "FGU Voltage 3.6,Lo Lim:3750 Hi Lim: 3850,FAIL,KV_apSendADC failed, Error Code: 4\n");
  EXPECT_EQ(VoltageLine(), "");
}

TEST_F(VoltageCheck, FguTypeLinesCarryAFixedExpectedOne) {
  SetPhone("FguType", "1");
  EXPECT_EQ(CheckFguType(*context), 1);
  EXPECT_EQ(recorder.Detail(L"FGU Type"), L"FGU Type: 1");
  EXPECT_EQ(recorder.Color(L"FGU Type", kColumnDetail), kColorPass);
  EXPECT_EQ(LogText(), "FGU Type,1,1,--,PASS,FGU Type: 1\n");
  EXPECT_EQ(VoltageLine(), "1,");
  EXPECT_EQ(LastArgs("KV_apSendADC"), (std::vector<int32_t>{5}));

  FlushTestLog(*context);
  context->settings.fguType = 2;
  SetPhone("FguType", "2");
  EXPECT_EQ(CheckFguType(*context), 1);
  EXPECT_EQ(LogText(), "FGU Type,1,2,--,PASS,FGU Type: 2\n");
}

TEST_F(VoltageCheck, WrongFguTypeFailsWithTheShorterLine) {
  SetPhone("FguType", "2");
  EXPECT_EQ(CheckFguType(*context), 0);
  EXPECT_EQ(recorder.Detail(L"FGU Type"), L"FGU Type: 2");
  EXPECT_EQ(recorder.Color(L"FGU Type", kColumnDetail), kColorFail);
  EXPECT_EQ(recorder.Result(L"FGU Type"), L"FAIL");
  EXPECT_EQ(LogText(), "FGU Type,1,FAIL,FGU Type: 2\n");
  EXPECT_EQ(VoltageLine(), "2,");
}

TEST_F(VoltageCheck, FailedFguTypeRead) {
  FailPhone("KV_apSendADC", 6);
  EXPECT_EQ(CheckFguType(*context), 0);
  EXPECT_EQ(LogText(), "FGU Type,1,FAIL,KV_apSendADC failed, Error Code: 6\n");
  EXPECT_EQ(VoltageLine(), "");
}

TEST_F(VoltageCheck, DisabledFguTypeTouchesNothing) {
  context->settings.checkFguType = 0;
  EXPECT_EQ(CheckFguType(*context), 1);
  EXPECT_TRUE(recorder.reports().empty());
  EXPECT_EQ(LogText(), "");
  EXPECT_EQ(VoltageLine(), "");
  EXPECT_EQ(KVSIM_GetCallCount("KV_apSendADC"), 0);
}

TEST_F(VoltageCheck, FullVoltageLineIsCutNotOverrun) {
  std::memset(context->voltageLine, 'v', sizeof(context->voltageLine) - 3);
  context->voltageLine[sizeof(context->voltageLine) - 3] = '\0';
  const KV_PHONE phone = context->phone;
  Battery(1, 3801);
  EXPECT_EQ(CheckAuxVoltage(*context, 0), 1);
  EXPECT_EQ(VoltageLine().size(), sizeof(context->voltageLine) - 1);
  EXPECT_EQ(VoltageLine().substr(VoltageLine().size() - 2), "38");
  EXPECT_EQ(context->phone, phone) << "the member after the line is untouched";
}
