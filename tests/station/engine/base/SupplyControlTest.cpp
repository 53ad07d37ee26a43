#include "station/engine/SupplyControl.h"

#include "EngineFixture.h"
#include "SupplyEvents.h"
#include "station/engine/core/SupplyRamp.h"

namespace {

class SupplyControl : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    CheckSettings& s = context->settings;
    s.powerSupplyUsed = 1;
    s.supplyEnable[0] = 1;
    s.supplyEnable[1] = 1;
    s.supplyType[0] = 0;
    s.supplyType[1] = 2;
    s.gpibType[0] = 1;
    s.gpibType[1] = 1;
    s.gpibCard[0] = 0;
    s.gpibCard[1] = 1;
    s.gpibAddr[0] = 5;
    s.gpibAddr[1] = 22;
    s.supplyVoltage[0] = 3.8f;
    s.supplyVoltage[1] = 4.2f;
  }

  // Opens both supplies and forgets what that did, so a test sees only its own calls.
  void OpenBoth() {
    ASSERT_EQ(OpenSupply(*context, 0), 1);
    if (context->settings.supplyEnable[1] != 0) {
      ASSERT_EQ(OpenSupply(*context, 1), 1);
    }
    PBSIM_ClearEvents();
    waits.clear();
  }
};

std::vector<VoltageCall> Ramp(int32_t id, float target) {
  std::vector<VoltageCall> calls;
  for (float step : RampSteps(target)) {
    calls.push_back({id, kMainOutput, step});
  }
  calls.push_back({id, kMainOutput, target});
  return calls;
}

}  // namespace

TEST_F(SupplyControl, OpenCreatesTheModelOpensItAndSwitchesTheMainOutputOff) {
  ASSERT_EQ(OpenSupply(*context, 0), 1);
  ASSERT_EQ(OpenSupply(*context, 1), 1);
  EXPECT_NE(context->supply[0], nullptr);
  EXPECT_NE(context->supply[1], nullptr);

  const std::vector<PBSIM_EVENT> events = SupplyEvents();
  ASSERT_EQ(events.size(), 6u);
  EXPECT_EQ(events[0].kind, PBSIM_EVENT_CREATE);
  EXPECT_EQ(events[0].model, 0);
  EXPECT_EQ(events[1].kind, PBSIM_EVENT_OPEN);
  EXPECT_EQ(events[1].gpibAddr, 5);
  EXPECT_EQ(events[1].result, 0);
  EXPECT_EQ(events[2].kind, PBSIM_EVENT_SET_VOLTAGE);
  EXPECT_EQ(events[2].channel, kMainOutput);
  EXPECT_EQ(events[2].value, -1.0f);
  EXPECT_EQ(events[3].kind, PBSIM_EVENT_CREATE);
  EXPECT_EQ(events[3].model, 2);
  EXPECT_EQ(events[4].kind, PBSIM_EVENT_OPEN);
  EXPECT_EQ(events[4].gpibAddr, 22);
  EXPECT_EQ(events[5].supplyId, events[3].supplyId);
  EXPECT_EQ(events[5].value, -1.0f);
  EXPECT_NE(events[5].supplyId, events[2].supplyId);
  EXPECT_TRUE(waits.empty());
}

TEST_F(SupplyControl, DualSupplyWithoutSupplyTwoStartsWithBothOutputsOff) {
  context->settings.dualPower = 1;
  context->settings.supplyEnable[1] = 0;
  ASSERT_EQ(OpenSupply(*context, 0), 1);
  EXPECT_EQ(VoltageCalls(),
            (std::vector<VoltageCall>{{0, kMainOutput, -1.0f}, {0, kSecondOutput, -1.0f}}));

  // With a separate supply 2 the second output is not touched.
  context->settings.supplyEnable[1] = 1;
  PBSIM_ClearEvents();
  ASSERT_EQ(OpenSupply(*context, 0), 1);
  const std::vector<VoltageCall> calls = VoltageCalls();
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].channel, kMainOutput);
}

TEST_F(SupplyControl, SupplyNotInUseOpensAsReadyAndCreatesNothing) {
  context->settings.powerSupplyUsed = 0;
  EXPECT_EQ(OpenSupply(*context, 0), 1);
  EXPECT_EQ(OpenSupply(*context, 1), 1);
  context->settings.powerSupplyUsed = 1;
  context->settings.supplyEnable[1] = 0;
  EXPECT_EQ(OpenSupply(*context, 1), 1);
  EXPECT_EQ(context->supply[0], nullptr);
  EXPECT_EQ(context->supply[1], nullptr);
  EXPECT_EQ(PBSIM_GetEventCount(), 0);
  EXPECT_EQ(PBSIM_GetSupplyCount(), 0);
  EXPECT_FALSE(SupplyInUse(*context, 1));
  EXPECT_TRUE(SupplyInUse(*context, 0));
}

TEST_F(SupplyControl, OpenReplacesTheObjectAndReleasesItWhenNoLongerInUse) {
  ASSERT_EQ(OpenSupply(*context, 0), 1);
  ASSERT_EQ(OpenSupply(*context, 0), 1);
  EXPECT_EQ(PBSIM_GetSupplyCount(), 1);
  const std::vector<PBSIM_EVENT> releases = EventsOfKind(PBSIM_EVENT_RELEASE);
  ASSERT_EQ(releases.size(), 1u);
  EXPECT_EQ(releases[0].supplyId, 0);

  context->settings.supplyEnable[0] = 0;
  EXPECT_EQ(OpenSupply(*context, 0), 1);
  EXPECT_EQ(context->supply[0], nullptr);
  EXPECT_EQ(PBSIM_GetSupplyCount(), 0);
}

TEST_F(SupplyControl, FailuresToCreateOrOpenReturnZero) {
  PBSIM_SetFailure("Create", 7);
  EXPECT_EQ(OpenSupply(*context, 0), 0);
  EXPECT_EQ(context->supply[0], nullptr);
  PBSIM_SetFailure("Create", 0);

  context->settings.supplyType[0] = 4;  // no such model
  EXPECT_EQ(OpenSupply(*context, 0), 0);
  EXPECT_EQ(context->supply[0], nullptr);
  context->settings.supplyType[0] = 0;

  PBSIM_ClearEvents();
  PBSIM_SetFailure("Open", 3);
  EXPECT_EQ(OpenSupply(*context, 0), 0);
  EXPECT_NE(context->supply[0], nullptr);  // kept until the next open replaces it
  EXPECT_TRUE(VoltageCalls().empty());
  PBSIM_SetFailure("Open", 0);

  // The bus card travels in the record too: an impossible card makes the open fail.
  context->settings.gpibCard[0] = 9;
  EXPECT_EQ(OpenSupply(*context, 0), 0);
  context->settings.gpibCard[0] = 0;
  EXPECT_EQ(OpenSupply(*context, 0), 1);
}

TEST_F(SupplyControl, PowerOnRampsSupplyOneInFloatSteps) {
  OpenBoth();
  PowerOnSupply(*context, 0);
  const std::vector<VoltageCall> calls = VoltageCalls();
  ASSERT_EQ(calls.size(), 10u);
  for (int i = 0; i < 9; ++i) {
    EXPECT_EQ(calls[i].supplyId, 0);
    EXPECT_EQ(calls[i].channel, kMainOutput);
    EXPECT_NEAR(calls[i].volts, 0.4f * static_cast<float>(i + 1), 1e-5f) << "step " << i;
  }
  EXPECT_EQ(calls[8].volts, 0x1.ccccd0p+1f);  // the summed 3.6, not 3.6f itself
  EXPECT_EQ(calls[9], (VoltageCall{0, kMainOutput, 3.8f}));
  EXPECT_EQ(waits, std::vector<uint32_t>(9, 40));
}

TEST_F(SupplyControl, TargetBelowTheFirstStepStillSeesIt) {
  context->settings.supplyVoltage[0] = 0.3f;
  OpenBoth();
  PowerOnSupply(*context, 0);
  EXPECT_EQ(VoltageCalls(),
            (std::vector<VoltageCall>{{0, kMainOutput, 0.4f}, {0, kMainOutput, 0.3f}}));
  EXPECT_EQ(waits, std::vector<uint32_t>{40});
}

TEST_F(SupplyControl, PowerOnSupplyTwoSetsItsVoltageAtOnce) {
  OpenBoth();
  PowerOnSupply(*context, 1);
  EXPECT_EQ(VoltageCalls(), (std::vector<VoltageCall>{{1, kMainOutput, 4.2f}}));
  EXPECT_TRUE(waits.empty());
}

TEST_F(SupplyControl, DualPowerFeedsTheSecondOutputWithSupplyTwosVoltage) {
  context->settings.dualPower = 1;
  context->settings.supplyEnable[1] = 0;
  OpenBoth();

  PowerOnSupply(*context, 0);
  std::vector<VoltageCall> expected = Ramp(0, 3.8f);
  expected.push_back({0, kSecondOutput, 4.2f});
  EXPECT_EQ(VoltageCalls(), expected);

  // Supply 2 is disabled, yet powering it on still feeds the dual supply's second output.
  PBSIM_ClearEvents();
  waits.clear();
  PowerOnSupply(*context, 1);
  EXPECT_EQ(VoltageCalls(), (std::vector<VoltageCall>{{0, kSecondOutput, 4.2f}}));
  EXPECT_TRUE(waits.empty());
  float volts = 0;
  ASSERT_EQ(PBSIM_GetOutputVoltage(0, kSecondOutput, &volts), 0);
  EXPECT_EQ(volts, 4.2f);
}

TEST_F(SupplyControl, PowerOffStepsDownThenSwitchesOff) {
  OpenBoth();
  PowerOffSupply(*context, 0);
  EXPECT_EQ(VoltageCalls(),
            (std::vector<VoltageCall>{{0, kMainOutput, 0.01f}, {0, kMainOutput, -1.0f}}));
  EXPECT_EQ(waits, std::vector<uint32_t>{200});

  PBSIM_ClearEvents();
  waits.clear();
  PowerOffSupply(*context, 1);
  EXPECT_EQ(VoltageCalls(),
            (std::vector<VoltageCall>{{1, kMainOutput, 0.01f}, {1, kMainOutput, -1.0f}}));
  EXPECT_EQ(waits, std::vector<uint32_t>{200});
}

TEST_F(SupplyControl, DualPowerOffSwitchesTheSecondOutputToo) {
  context->settings.dualPower = 1;
  context->settings.supplyEnable[1] = 0;
  OpenBoth();

  PowerOffSupply(*context, 1);
  EXPECT_EQ(VoltageCalls(),
            (std::vector<VoltageCall>{{0, kSecondOutput, 0.01f}, {0, kSecondOutput, -1.0f}}));
  EXPECT_EQ(waits, std::vector<uint32_t>{200});

  PBSIM_ClearEvents();
  waits.clear();
  PowerOffSupply(*context, 0);
  EXPECT_EQ(VoltageCalls(), (std::vector<VoltageCall>{{0, kMainOutput, 0.01f},
                                                      {0, kMainOutput, -1.0f},
                                                      {0, kSecondOutput, 0.01f},
                                                      {0, kSecondOutput, -1.0f}}));
  EXPECT_EQ(waits, (std::vector<uint32_t>{200, 200}));
}

TEST_F(SupplyControl, SuppliesNotInUseOrAbsentAreLeftAlone) {
  OpenBoth();
  context->settings.powerSupplyUsed = 0;
  context->settings.dualPower = 1;  // needs the supplies in use as well
  PowerOnSupply(*context, 0);
  PowerOnSupply(*context, 1);
  PowerOffSupply(*context, 0);
  PowerOffSupply(*context, 1);
  EXPECT_EQ(PBSIM_GetEventCount(), 0);
  EXPECT_TRUE(waits.empty());

  // In use but never opened: nothing to call and nothing to wait for.
  EngineTest::TearDown();
  EngineTest::SetUp();
  context->settings.powerSupplyUsed = 1;
  context->settings.supplyEnable[0] = 1;
  context->settings.supplyEnable[1] = 1;
  context->settings.dualPower = 1;
  context->settings.supplyVoltage[0] = 3.8f;
  PowerOnSupply(*context, 0);
  PowerOffSupply(*context, 0);
  PowerOffSupply(*context, 1);
  EXPECT_EQ(PBSIM_GetEventCount(), 0);
  EXPECT_TRUE(waits.empty());
  // Out-of-range indexes do nothing.
  EXPECT_EQ(OpenSupply(*context, 2), 0);
  PowerOnSupply(*context, -1);
  PowerOffSupply(*context, 2);
  EXPECT_FALSE(SupplyExists(*context, 5));
  EXPECT_EQ(PBSIM_GetEventCount(), 0);
}

TEST_F(SupplyControl, DirectOperationsReachTheObjectOrDoNothing) {
  OpenBoth();
  EXPECT_TRUE(SupplyExists(*context, 0));
  SetSupplyVoltage(*context, 0, 4.2f, kMainOutput);
  SetSupplyCurrentRange(*context, 0, 0.02f, kMainOutput);
  float reading = -5.0f;
  EXPECT_EQ(MeasureSupplyCurrentWithSetting(*context, 1, 1000, &reading, kMainOutput), 0);
  EXPECT_EQ(MeasureSupplyCurrent(*context, 0, &reading, kMainOutput), 0);
  EXPECT_GE(reading, 0.0f);

  const std::vector<PBSIM_EVENT> events = SupplyEvents();
  ASSERT_EQ(events.size(), 4u);
  EXPECT_EQ(events[0].kind, PBSIM_EVENT_SET_VOLTAGE);
  EXPECT_EQ(events[0].value, 4.2f);
  EXPECT_EQ(events[1].kind, PBSIM_EVENT_SET_CURRENT_RANGE);
  EXPECT_EQ(events[1].value, 0.02f);
  EXPECT_EQ(events[2].kind, PBSIM_EVENT_MEASURE_WITH_SETTING);
  EXPECT_EQ(events[2].supplyId, 1);
  EXPECT_EQ(events[3].kind, PBSIM_EVENT_MEASURE);
  EXPECT_EQ(events[3].value, reading);

  // A failing measurement passes its code through.
  PBSIM_SetFailure("MeasureCurrent", 9);
  EXPECT_EQ(MeasureSupplyCurrent(*context, 0, &reading, kMainOutput), 9);
  PBSIM_SetFailure("MeasureCurrent", 0);

  // Absent: result 0 and the reading untouched.
  context->settings.supplyEnable[1] = 0;
  ASSERT_EQ(OpenSupply(*context, 1), 1);
  PBSIM_ClearEvents();
  reading = 123.0f;
  EXPECT_FALSE(SupplyExists(*context, 1));
  EXPECT_EQ(MeasureSupplyCurrent(*context, 1, &reading, kMainOutput), 0);
  EXPECT_EQ(MeasureSupplyCurrentWithSetting(*context, 1, 1000, &reading, kMainOutput), 0);
  EXPECT_EQ(reading, 123.0f);
  SetSupplyVoltage(*context, 1, 3.0f, kMainOutput);
  SetSupplyCurrentRange(*context, 1, 3.0f, kMainOutput);
  EXPECT_EQ(PBSIM_GetEventCount(), 0);
}

TEST_F(SupplyControl, ReleaseAllReleasesBothObjectsThenTheFactory) {
  OpenBoth();
  ReleaseAllSupplies(*context);
  const std::vector<PBSIM_EVENT> events = SupplyEvents();
  ASSERT_EQ(events.size(), 3u);
  EXPECT_EQ(events[0].kind, PBSIM_EVENT_RELEASE);
  EXPECT_EQ(events[0].supplyId, 0);
  EXPECT_EQ(events[1].kind, PBSIM_EVENT_RELEASE);
  EXPECT_EQ(events[1].supplyId, 1);
  EXPECT_EQ(events[2].kind, PBSIM_EVENT_FACTORY_RELEASE);
  EXPECT_EQ(context->supply[0], nullptr);
  EXPECT_EQ(context->supply[1], nullptr);
  EXPECT_EQ(context->supplyFactory, nullptr);
  EXPECT_EQ(PBSIM_GetSupplyCount(), 0);

  // Without a factory nothing can be created any more; nothing is released twice.
  EXPECT_EQ(OpenSupply(*context, 0), 0);
  ReleaseAllSupplies(*context);
  EXPECT_EQ(PBSIM_GetEventCount(), 3);
}
