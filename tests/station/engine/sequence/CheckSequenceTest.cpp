#include <atomic>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include <windows.h>

#include "BenchFixture.h"
#include "devices/sim/dutlink_sim.h"
#include "station/engine/LogFiles.h"
#include "station/engine/StationRecordSteps.h"

namespace {

int gCreated = 0;
int gReleased = 0;

KVPH_OBJECT CountingCreate(KV_PHONE phone) {
  ++gCreated;
  return CreateTollmarkObject(phone);
}

int32_t CountingRelease(KVPH_OBJECT object) {
  ++gReleased;
  return ReleaseTollmarkObject(object);
}

KVPH_OBJECT NoObject(KV_PHONE) {
  return nullptr;
}

const std::vector<std::wstring> kFullRunRows = {L"IMEI1",
                                                L"IMEI2",
                                                L"IMEI3",
                                                L"SN1",
                                                L"SN2",
                                                L"BT Addr",
                                                L"WIFI Addr",
                                                L"Calibration Flag",
                                                L"SIM Card",
                                                L"T Card",
                                                L"AUX Voltage 3.6",
                                                L"FGU Voltage 3.6",
                                                L"AUX Voltage 3.8",
                                                L"FGU Voltage 3.8",
                                                L"AUX Voltage 4.2",
                                                L"FGU Voltage 4.2",
                                                L"FGU Type",
                                                L"Modem Version",
                                                L"AP Version",
                                                L"Native MMI Flag",
                                                L"SecureBoot Enable Flag",
                                                L"Toll Mark",
                                                L"Charge Current",
                                                L"Power On Current",
                                                L"Deep Sleep Current",
                                                L"Power Off Current"};

class Sequence : public BenchTest {
 protected:
  void SetUp() override {
    BenchTest::SetUp();
    gCreated = 0;
    gReleased = 0;
  }
  void TearDown() override {
    SetTollmarkObjectFunctions({nullptr, nullptr});
    if (context && context->voltageLog != nullptr) {
      CloseLogFile(context->voltageLog);
    }
    BenchTest::TearDown();
  }

  // The earlier stations of the line passed; this one has not been run.
  void LineBeforeThisStation() {
    PokeKv09({{"MMI", StationState::Passed},
              {"CAL", StationState::Passed},
              {"FT", StationState::Passed},
              {"VARNEX", StationState::Untested}});
    SetStations({{L"MMI", true}, {L"CAL", true}, {L"FT", true}, {L"VARNEX", true}});
  }

  // Every check on, expected values and limits of the simulated good phone.
  void EnableEverything() {
    CheckSettings& s = context->settings;
    s.checkImei1 = s.checkImei2 = s.checkImei3 = 1;
    wcscpy(s.imei1, L"860000000000011");
    wcscpy(s.imei2, L"860000000000029");
    wcscpy(s.imei3, L"860000000000037");
    s.checkSn1 = s.checkSn2 = 1;
    wcscpy(s.sn1, L"VX202612090001");
    wcscpy(s.sn2, L"VX202612090002");
    s.checkBtAddr = s.checkWifiAddr = 1;
    wcscpy(s.btAddr, L"00A0C6123456");
    wcscpy(s.wifiAddr, L"00A0C6123457");
    s.checkCalibrationFlag = 1;
    s.calFlagMask = 138936319;
    s.calFlagMaskWcdma = 4111;
    s.calFlagMaskLte = 61503;
    s.wcdmaUsed = s.lteUsed = 1;
    s.checkSimCard = s.checkTCard = 1;
    s.checkAux36 = s.checkFgu36 = 1;
    s.auxLo36 = s.fguLo36 = 3550;
    s.auxHi36 = s.fguHi36 = 3650;
    s.checkAux38 = s.checkFgu38 = 1;
    s.auxLo38 = s.fguLo38 = 3750;
    s.auxHi38 = s.fguHi38 = 3850;
    s.checkAux42 = s.checkFgu42 = 1;
    s.auxLo42 = s.fguLo42 = 4150;
    s.auxHi42 = s.fguHi42 = 4250;
    s.checkFguType = 1;
    s.fguType = 1;
    s.checkModemVersion = 1;
    // The phone's text is broken at its markers before the search, so the expected text is
    // one piece between them.
    wcscpy(s.modemVersion, L"VARNEX_W1.0");
    s.checkApVersion = 1;
    wcscpy(s.apVersion, L"VARNEX_AP_W1.0_20261201");
    s.checkNativeMmi = 1;
    s.checkSecureBoot = 1;
    s.checkChargeCurrent = s.checkPowerOnCurrent = 1;
    s.checkDeepSleepCurrent = s.checkPowerOffCurrent = 1;
    LineBeforeThisStation();
  }

  std::vector<float> MainOutputSteps() const {
    std::vector<float> volts;
    for (const PBSIM_EVENT& event : Events(PBSIM_EVENT_SET_VOLTAGE)) {
      if (event.supplyId == 0 && event.channel == -1) {
        volts.push_back(event.value);
      }
    }
    return volts;
  }

  std::string RunWithTestLog(const char* serial) {
    KVSIM_SetValue("Phone", "SN1", serial);
    RemoveTestLogs(ProgramFolder(), serial);
    context->settings.saveLog = 1;
    lastVerdict = RunCheckSequence(*context);
    const std::vector<std::string> logs = ReadTestLogs(ProgramFolder(), serial);
    EXPECT_EQ(logs.size(), 1u);
    return logs.empty() ? std::string() : logs.back();
  }

  int32_t lastVerdict = -1;
};

TEST_F(Sequence, NothingEnabledPassesWithoutRows) {
  EXPECT_EQ(RunCheckSequence(*context), 1);
  EXPECT_TRUE(recorder.reports().empty());
  EXPECT_TRUE(waits.empty());
  EXPECT_EQ(gCreated, 0);
  EXPECT_EQ(context->tollmarkObject, nullptr);
  EXPECT_EQ(LogText(), "");
}

TEST_F(Sequence, NothingEnabledWithSaveLogWritesOnlyTheHeader) {
  const std::string log = RunWithTestLog("F1EMPTY0001");
  EXPECT_EQ(lastVerdict, 1);
  EXPECT_EQ(log, "Item,Expected Value,Result,Test Detail\r\n");
  EXPECT_EQ(context->testLog, nullptr) << "the test log is closed at the end of the run";
}

TEST_F(Sequence, FullRunOnAGoodPhonePassesInTheFixedOrder) {
  UseSupplies(true);
  EnableEverything();
  const std::string log = RunWithTestLog("VX202612090001");

  EXPECT_EQ(lastVerdict, 1);
  EXPECT_EQ(ResultRows(), kFullRunRows);
  for (const std::wstring& row : kFullRunRows) {
    EXPECT_EQ(recorder.Result(row), L"PASS") << std::string(row.begin(), row.end());
  }
  // The file's lines come in the same order (the MMI check writes no line).
  size_t at = 0;
  for (const std::wstring& row : kFullRunRows) {
    if (row == L"Native MMI Flag") {
      continue;
    }
    std::string item(1, '\n');
    item.append(row.begin(), row.end());
    item.push_back(',');
    const size_t found = log.find(item, at);
    EXPECT_NE(found, std::string::npos) << item;
    if (found != std::string::npos) {
      at = found;
    }
  }
  // 3.6, 3.8 and 4.2 V for the voltage groups, back to 3.8 V before the charge current.
  const std::vector<float> steps = MainOutputSteps();
  ASSERT_GE(steps.size(), 4u);
  EXPECT_FLOAT_EQ(steps[0], 3.6f);
  EXPECT_FLOAT_EQ(steps[1], 3.8f);
  EXPECT_FLOAT_EQ(steps[2], 4.2f);
  EXPECT_FLOAT_EQ(steps[3], 3.8f);
  EXPECT_EQ(Kv09State(3), StationState::Passed);
}

TEST_F(Sequence, TestLogFileHoldsTheExactLinesOfAKnownPhone) {
  UseSupplies(true);
  CheckSettings& s = context->settings;
  s.checkSn1 = 1;
  wcscpy(s.sn1, L"F1KNOWN0001");
  s.checkSecureBoot = 1;
  s.checkChargeCurrent = s.checkPowerOnCurrent = 1;
  s.checkDeepSleepCurrent = s.checkPowerOffCurrent = 1;
  PokeKv09({{"BOARD", StationState::Passed}, {"VARNEX", StationState::Untested}});
  SetStations({{L"BOARD", true}, {L"VARNEX", true}});

  const std::string log = RunWithTestLog("F1KNOWN0001");
  EXPECT_EQ(lastVerdict, 1);
  // Text mode turns each line feed into CR LF, also the one after a station's own CR LF.
  EXPECT_EQ(log,
            "Item,Expected Value,Result,Test Detail\r\n"
            "SN1,F1KNOWN0001,PASS,F1KNOWN0001\r\n"
            "SecureBoot Enable Flag,1,1,--,PASS,SecureBoot Enable: 1\r\n"
            "Toll Mark,---,PASS,BOARD station: PASS\r\r\n\r\n"
            "PASS,VARNEX station: PASS\r\r\n\r\n"
            "Charge Current,Lo Lim:410 Hi Lim: 490,PASS,450,mA\r\n"
            "Power On Current,Lo Lim:120 Hi Lim: 200,PASS,150,mA\r\n"
            "Deep Sleep Current,Lo Lim:1.00 Hi Lim: 2.30,PASS,1.60,mA\r\n"
            "Power Off Current,Lo Lim:0 Hi Lim: 100,PASS,35.00,uA\r\n");
}

TEST_F(Sequence, VoltageLogLineKeepsAColumnForEachSkippedGroup) {
  UseSupplies(true);
  KVSIM_SetValue("Phone", "SN1", "F1VOLT0001");
  KVSIM_SetValue("Phone", "FguVoltage", "4195");
  CheckSettings& s = context->settings;
  s.checkFgu42 = 1;
  s.fguLo42 = 4150;
  s.fguHi42 = 4250;
  s.saveVoltageLog = 1;
  const std::string path = ProgramFolder() + "\\F1VoltageLine.csv";
  context->voltageLog = std::fopen(path.c_str(), "w");
  ASSERT_NE(context->voltageLog, nullptr);

  EXPECT_EQ(RunCheckSequence(*context), 1);
  EXPECT_EQ(VoltageLine(), "") << "the line is emptied once written";
  CloseLogFile(context->voltageLog);
  EXPECT_EQ(ReadFileBytes(path), "F1VOLT0001,,,4195,\r\n");
  // Supply 1 went to 4.2 V once (after one settling wait), then back to 3.8 V.
  EXPECT_EQ(MainOutputSteps(), (std::vector<float>{4.2f, 3.8f}));
  ASSERT_GE(waits.size(), 2u);
  EXPECT_EQ(waits.front(), 1000u);
  EXPECT_EQ(waits.back(), 1000u);
}

TEST_F(Sequence, VoltageLogLineEndsWithTheFuelGaugeTypeOfItsOwnPhone) {
  UseSupplies(true);
  CheckSettings& s = context->settings;
  s.checkAux36 = 1;
  s.auxLo36 = 3550;
  s.auxHi36 = 3650;
  s.checkFguType = 1;
  s.fguType = 3;
  s.saveVoltageLog = 1;
  const std::string path = ProgramFolder() + "\\F1FguTypeLine.csv";
  context->voltageLog = std::fopen(path.c_str(), "w");
  ASSERT_NE(context->voltageLog, nullptr);

  KVSIM_SetValue("Phone", "BatteryValue", "3625");
  KVSIM_SetValue("Phone", "SN1", "F1TYPE0001");
  KVSIM_SetValue("Phone", "FguType", "3");
  EXPECT_EQ(RunCheckSequence(*context), 1);
  // A phone whose type fails still has its type in its own line, not in the next phone's.
  KVSIM_SetValue("Phone", "SN1", "F1TYPE0002");
  KVSIM_SetValue("Phone", "FguType", "2");
  EXPECT_EQ(RunCheckSequence(*context), 0);
  EXPECT_EQ(recorder.Result(L"FGU Type"), L"FAIL");
  CloseLogFile(context->voltageLog);
  EXPECT_EQ(ReadFileBytes(path), "F1TYPE0001,3625,,,3,\r\nF1TYPE0002,3625,,,2,\r\n");
  DeleteFileA(path.c_str());
}

TEST_F(Sequence, VoltageLineIsNotWrittenWithoutSaveVoltageLog) {
  KVSIM_SetValue("Phone", "SN1", "F1VOLT0002");
  EXPECT_EQ(RunCheckSequence(*context), 1);
  EXPECT_EQ(VoltageLine(), "F1VOLT0002,,,,") << "kept for nobody, emptied by the next SN step";
}

TEST_F(Sequence, WithoutSupplyTheVoltageChecksRunWithoutSettling) {
  CheckSettings& s = context->settings;
  s.checkAux36 = 1;
  s.auxLo36 = 0;
  s.auxHi36 = 10000;
  EXPECT_EQ(RunCheckSequence(*context), 1);
  EXPECT_EQ(recorder.Result(L"AUX Voltage 3.6"), L"PASS");
  EXPECT_TRUE(waits.empty());
}

TEST_F(Sequence, AllCurrentChecksOffStillSetsSupply1To38AndWaits) {
  UseSupplies(true);
  EXPECT_EQ(RunCheckSequence(*context), 1);
  EXPECT_EQ(MainOutputSteps(), (std::vector<float>{3.8f}));
  EXPECT_EQ(waits, (std::vector<uint32_t>{1000}));
  EXPECT_TRUE(recorder.reports().empty());
}

TEST_F(Sequence, FailingOnlyACurrentIsRecordedAsPassedButFailsTheRun) {
  UseSupplies(true);
  context->settings.checkSecureBoot = 1;
  context->settings.checkDeepSleepCurrent = 1;
  PBSIM_SetValue("Bench", "DeepSleepCurrent", "5");
  LineBeforeThisStation();

  EXPECT_EQ(RunCheckSequence(*context), 0);
  EXPECT_EQ(recorder.Result(L"Deep Sleep Current"), L"FAIL");
  EXPECT_EQ(recorder.Result(L"Toll Mark"), L"PASS");
  EXPECT_EQ(Kv09State(3), StationState::Passed);
  EXPECT_EQ(Kv09LastMessage(), "PASS") << "no message with a pass";
}

TEST_F(Sequence, FailingSimCardWritesWriteFailThenStillVerifies) {
  context->settings.checkSimCard = 1;
  KVSIM_SetValue("AT", "AT+CPIN?", "+CME ERROR: 10\r\n");
  LineBeforeThisStation();

  EXPECT_EQ(RunCheckSequence(*context), 0);
  EXPECT_EQ(recorder.Result(L"SIM Card"), L"FAIL");
  EXPECT_EQ(Kv09State(3), StationState::Failed);
  EXPECT_EQ(Kv09LastMessage(), "Write Fail");
  // This station is selected too, so its own failure shows in the verification.
  EXPECT_EQ(
      recorder.Detail(L"Toll Mark"),
      L"MMI station: PASS\r\nCAL station: PASS\r\nFT station: PASS\r\nVARNEX station: FAIL\r\n");
  EXPECT_EQ(recorder.Result(L"Toll Mark"), L"FAIL");
}

TEST_F(Sequence, FailedVerificationFailsTheRunButNotTheRecord) {
  PokeKv09({{"MMI", StationState::Failed}, {"VARNEX", StationState::Untested}});
  SetStations({{L"MMI", true}, {L"VARNEX", false}});

  EXPECT_EQ(RunCheckSequence(*context), 0);
  EXPECT_EQ(Kv09State(1), StationState::Passed);
  EXPECT_EQ(recorder.Detail(L"Toll Mark"), L"MMI station: FAIL\r\n");
}

TEST_F(Sequence, TwoRunsHoldOneRecordObject) {
  LineBeforeThisStation();
  SetTollmarkObjectFunctions({CountingCreate, CountingRelease});
  EXPECT_EQ(RunCheckSequence(*context), 1);
  EXPECT_EQ(RunCheckSequence(*context), 1);
  EXPECT_EQ(gCreated - gReleased, 1);
  EXPECT_NE(context->tollmarkObject, nullptr);
}

TEST_F(Sequence, RecordObjectThatCannotBeCreatedFailsTheRun) {
  UseSupplies(true);
  context->settings.checkChargeCurrent = 1;
  LineBeforeThisStation();
  SetTollmarkObjectFunctions({NoObject, nullptr});

  EXPECT_EQ(RunCheckSequence(*context), 0);
  EXPECT_EQ(recorder.Result(L"Toll Mark"), L"FAIL");
  EXPECT_EQ(recorder.Detail(L"Toll Mark"), L"Create Tollmark object failed!");
  // The currents are still measured.
  EXPECT_EQ(recorder.Result(L"Charge Current"), L"PASS");
  EXPECT_EQ(Kv09State(3), StationState::Untested);
}

TEST_F(Sequence, NoStationSelectedLeavesTheRecordAlone) {
  PokeKv09({{"VARNEX", StationState::Untested}});
  SetStations({{L"VARNEX", false}});
  SetTollmarkObjectFunctions({CountingCreate, CountingRelease});

  EXPECT_EQ(RunCheckSequence(*context), 1);
  EXPECT_EQ(gCreated, 0);
  EXPECT_FALSE(recorder.HasCell(L"Toll Mark", kColumnResult));
  EXPECT_EQ(KVSIM_GetCallCount("KV_FastWriteProductInfo"), 0);
  EXPECT_EQ(Kv09State(0), StationState::Untested);
}

TEST_F(Sequence, FactoryResetAndPowerOffComeLastAndDoNotCount) {
  context->settings.factoryReset = 1;
  context->settings.powerOffAfterCheck = 1;
  KVSIM_SetFailure("KV_SendATCommand", 7);
  KVSIM_SetFailure("KV_PowerOff", 7);

  EXPECT_EQ(RunCheckSequence(*context), 1);
  EXPECT_EQ(KVSIM_GetCallCount("KV_SendATCommand"), 1);
  EXPECT_EQ(KVSIM_GetCallCount("KV_PowerOff"), 1);
  // The phone is reset to factory state before it is switched off.
  EXPECT_LT(KVSIM_GetLastCallSerial("KV_SendATCommand"), KVSIM_GetLastCallSerial("KV_PowerOff"));
  EXPECT_TRUE(recorder.reports().empty());
}

TEST_F(Sequence, PowerOffOnlyWhenConfigured) {
  EXPECT_EQ(RunCheckSequence(*context), 1);
  EXPECT_EQ(KVSIM_GetCallCount("KV_PowerOff"), 0);
  EXPECT_EQ(KVSIM_GetCallCount("KV_SendATCommand"), 0);
}

TEST_F(Sequence, EveryFailingCheckFailsTheRunWithoutStoppingIt) {
  // A failing first check must not keep the later ones from running.
  context->settings.checkImei1 = 1;
  wcscpy(context->settings.imei1, L"999999999999999");
  context->settings.checkSecureBoot = 1;
  UseSupplies(true);
  context->settings.checkPowerOffCurrent = 1;

  EXPECT_EQ(RunCheckSequence(*context), 0);
  EXPECT_EQ(recorder.Result(L"IMEI1"), L"FAIL");
  EXPECT_EQ(ResultRows(),
            (std::vector<std::wstring>{L"IMEI1", L"SecureBoot Enable Flag", L"Power Off Current"}));
}

TEST_F(Sequence, PhoneAndSuppliesFailingEverythingStillGiveEveryRow) {
  UseSupplies(true);
  EnableEverything();
  for (const char* function : {"KV_GetMsVersion",
                               "KV_GetAPVersion",
                               "KV_FastReadNvInfo",
                               "KV_ReadSN",
                               "KV_gsmReadCalibrationParam",
                               "KV_wcdmaLoadTestFlag",
                               "KV_LTEReadCalibrationParam",
                               "KV_DataEndianConv32",
                               "KV_DataEndianConv16",
                               "KV_SendATCommand",
                               "KV_GetMsVoltage",
                               "KV_apSendADC",
                               "KV_apChargeCmd",
                               "KV_EnterDeepSleepMode",
                               "KV_PowerOff",
                               "KV_ReadEnableSecureBoot",
                               "KV_apReadMMI",
                               "KV_ReadProductFlash",
                               "KV_WriteProductFlash",
                               "KV_FastReadProductInfo",
                               "KV_FastWriteProductInfo"}) {
    ASSERT_EQ(KVSIM_SetFailure(function, 5), 0) << function;
  }
  for (const char* operation :
       {"SetVoltage", "MeasureCurrent", "MeasureCurrentWithSetting", "SetCurrentRange"}) {
    ASSERT_EQ(PBSIM_SetFailure(operation, 5), 0) << operation;
  }
  context->settings.factoryReset = 1;
  context->settings.powerOffAfterCheck = 1;

  EXPECT_EQ(RunCheckSequence(*context), 0);
  EXPECT_EQ(ResultRows(), kFullRunRows);
  for (const std::wstring& row : kFullRunRows) {
    EXPECT_EQ(recorder.Result(row), L"FAIL") << std::string(row.begin(), row.end());
  }
}

TEST_F(Sequence, RunsOnAWorkerWhileTheWindowThreadHandlesTheRows) {
  // As in the station: the rows are sent from the worker and handled by the window's thread.
  UseSupplies(true);
  EnableEverything();
  std::atomic<bool> done{false};
  int32_t verdict = -1;
  std::thread worker([&] {
    verdict = RunCheckSequence(*context);
    done = true;
  });
  const DWORD deadline = GetTickCount() + 60000;
  while (!done && GetTickCount() < deadline) {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      DispatchMessageW(&message);
    }
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
  }
  ASSERT_TRUE(done) << "the run did not finish";
  worker.join();
  EXPECT_EQ(verdict, 1);
  EXPECT_EQ(ResultRows(), kFullRunRows);
}

}  // namespace
