#include "station/engine/CheckContext.h"

#include <windows.h>

#include "EngineFixture.h"
#include "SupplyEvents.h"
#include "station/engine/LogFiles.h"
#include "station/engine/SupplyControl.h"

namespace {

bool AllZero(const char* buffer, size_t size) {
  for (size_t i = 0; i < size; ++i) {
    if (buffer[i] != 0) {
      return false;
    }
  }
  return true;
}

class CheckContextLife : public EngineTest {
 protected:
  void OpenSupplies() {
    CheckSettings& s = context->settings;
    s.powerSupplyUsed = 1;
    s.supplyEnable[0] = 1;
    s.supplyEnable[1] = 1;
    s.supplyVoltage[0] = 3.8f;
    s.supplyVoltage[1] = 4.2f;
    ASSERT_EQ(OpenSupply(*context, 0), 1);
    ASSERT_EQ(OpenSupply(*context, 1), 1);
  }
  void OpenVoltageLogFolder() {
    CreateDirectoryA((ProgramFolder() + "\\Log").c_str(), nullptr);
    ASSERT_EQ(OpenVoltageLogAt(*context, LocalTime{2016, 8, 17, 10, 0, 1, 2}), 1);
  }
  // Destroys the context without a shutdown, as a window that never got to close would.
  void EndContext() {
    KV_ReleasePhone(context->phone);
    context.reset();
  }
  void TearDown() override {
    EngineTest::TearDown();
    DeleteFileA((ProgramFolder() + "\\Log\\voltage_10_00_ 1_002.csv").c_str());
    RemoveDirectoryA((ProgramFolder() + "\\Log").c_str());
  }
};

}  // namespace

TEST_F(CheckContextLife, NewContextHasOnlyItsFactory) {
  CheckContext fresh;
  EXPECT_NE(fresh.supplyFactory, nullptr);
  EXPECT_EQ(fresh.supply[0], nullptr);
  EXPECT_EQ(fresh.supply[1], nullptr);
  EXPECT_EQ(fresh.tollmarkObject, nullptr);
  EXPECT_EQ(fresh.testLog, nullptr);
  EXPECT_EQ(fresh.voltageLog, nullptr);
  EXPECT_EQ(fresh.window, nullptr);
  EXPECT_EQ(fresh.stations, nullptr);
  EXPECT_TRUE(AllZero(fresh.logText, sizeof fresh.logText));
  EXPECT_TRUE(AllZero(fresh.logName, sizeof fresh.logName));
  EXPECT_TRUE(AllZero(fresh.voltageLine, sizeof fresh.voltageLine));
  EXPECT_TRUE(AllZero(reinterpret_cast<const char*>(&fresh.settings), sizeof fresh.settings));
  EXPECT_TRUE(static_cast<bool>(fresh.sleep));
  EXPECT_TRUE(static_cast<bool>(fresh.promptOperator));
  // Constructing creates no supply object.
  EXPECT_EQ(PBSIM_GetSupplyCount(), 0);
}

TEST_F(CheckContextLife, DefaultSleepReallyWaits) {
  CheckContext fresh;
  const ULONGLONG start = GetTickCount64();
  fresh.sleep(60);
  EXPECT_GE(GetTickCount64() - start, 45u);
}

TEST_F(CheckContextLife, ShutdownReleasesSuppliesFactoryRecordObjectAndVoltageLog) {
  OpenSupplies();
  OpenVoltageLogFolder();
  context->settings.saveVoltageLog = 1;
  context->tollmarkObject = CreateTollmarkObject(context->phone);
  ASSERT_NE(context->tollmarkObject, nullptr);
  PBSIM_ClearEvents();

  ShutdownCheckContext(*context);
  EXPECT_EQ(context->supply[0], nullptr);
  EXPECT_EQ(context->supply[1], nullptr);
  EXPECT_EQ(context->supplyFactory, nullptr);
  EXPECT_EQ(context->tollmarkObject, nullptr);
  EXPECT_EQ(context->voltageLog, nullptr);
  EXPECT_EQ(EventsOfKind(PBSIM_EVENT_RELEASE).size(), 2u);
  EXPECT_EQ(EventsOfKind(PBSIM_EVENT_FACTORY_RELEASE).size(), 1u);
  EXPECT_EQ(PBSIM_GetSupplyCount(), 0);

  // A second shutdown (the window closing after an earlier one) finds nothing left to release.
  ShutdownCheckContext(*context);
  EXPECT_EQ(PBSIM_GetEventCount(), 3);
}

TEST_F(CheckContextLife, VoltageLogSwitchedOffStaysOpenUntilTheContextGoes) {
  OpenVoltageLogFolder();
  context->settings.saveVoltageLog = 0;
  ShutdownCheckContext(*context);
  ASSERT_NE(context->voltageLog, nullptr);
  // Still usable; the context's end closes it.
  EXPECT_EQ(WriteLogText(context->voltageLog, "late,\n"), 1);
  EndContext();
  FILE* file = std::fopen((ProgramFolder() + "\\Log\\voltage_10_00_ 1_002.csv").c_str(), "rb");
  ASSERT_NE(file, nullptr);
  char content[256] = {};
  std::fread(content, 1, sizeof content - 1, file);
  std::fclose(file);
  EXPECT_NE(std::string(content).find("late,\r\n"), std::string::npos);
}

TEST_F(CheckContextLife, ContextEndReleasesWhatNoShutdownReleased) {
  OpenSupplies();
  PBSIM_ClearEvents();
  EndContext();
  EXPECT_EQ(PBSIM_GetSupplyCount(), 0);
  EXPECT_EQ(EventsOfKind(PBSIM_EVENT_RELEASE).size(), 2u);
  EXPECT_EQ(EventsOfKind(PBSIM_EVENT_FACTORY_RELEASE).size(), 1u);
}

TEST_F(CheckContextLife, WithoutASleepFunctionTheStationReallyWaits) {
  OpenSupplies();
  context->sleep = nullptr;
  PBSIM_ClearEvents();
  PowerOffSupply(*context, 1);
  const std::vector<PBSIM_EVENT> events = EventsOfKind(PBSIM_EVENT_SET_VOLTAGE);
  ASSERT_EQ(events.size(), 2u);
  EXPECT_EQ(events[0].value, 0.01f);
  EXPECT_EQ(events[1].value, -1.0f);
  EXPECT_GE(events[1].timeMs - events[0].timeMs, 180u);
}
