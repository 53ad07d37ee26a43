#include <cstdint>
#include <string>
#include <vector>

#include "BenchFixture.h"
#include "devices/sim/dutlink_sim.h"
#include "station/engine/Checks.h"

namespace {

class CurrentChecks : public BenchTest {
 protected:
  std::vector<float> RangesSet() const {
    std::vector<float> ranges;
    for (const PBSIM_EVENT& event : Events(PBSIM_EVENT_SET_CURRENT_RANGE)) {
      ranges.push_back(event.value);
    }
    return ranges;
  }
  int32_t LastChargeSwitch() const {
    int32_t args[4] = {};
    return KVSIM_GetLastArgs("KV_apChargeCmd", args, 4) > 0 ? args[0] : -1;
  }
  float OutputVoltage(int32_t supplyId, int32_t channel) const {
    float volts = 0.0f;
    EXPECT_EQ(PBSIM_GetOutputVoltage(supplyId, channel, &volts), 0);
    return volts;
  }
};

TEST_F(CurrentChecks, NegativeConfiguredDelaysWaitNothing) {
  // A hand-edited "-1" must not become an endless wait.
  UseSupplies(true);
  context->settings.checkChargeCurrent = 1;
  context->settings.checkPowerOnCurrent = 1;
  context->settings.checkDeepSleepCurrent = 1;
  context->settings.checkPowerOffCurrent = 1;
  context->settings.chargeCurrentDelay = -1;
  context->settings.powerOnCurrentDelay = -5;
  context->settings.standbyCurrentDelay = -1000;
  context->settings.leakCurrentDelay = INT32_MIN;

  CheckChargeCurrent(*context);
  CheckPowerOnCurrent(*context);
  CheckDeepSleepCurrent(*context);
  CheckPowerOffCurrent(*context);
  ASSERT_FALSE(waits.empty());
  for (uint32_t wait : waits) {
    EXPECT_LE(wait, 1000u);
  }
}

// --- Charge current --------------------------------------------------------------------------

TEST_F(CurrentChecks, ChargeCurrentMeasuredOnSupply2PassesWithinLimits) {
  UseSupplies(true);
  context->settings.checkChargeCurrent = 1;
  PBSIM_SetValue("Bench", "ChargeCurrent", "452.7");

  EXPECT_EQ(CheckChargeCurrent(*context), 1);
  EXPECT_EQ(recorder.Detail(L"Charge Current"), L"452");
  EXPECT_EQ(recorder.Color(L"Charge Current", kColumnDetail), kColorPass);
  EXPECT_EQ(recorder.Result(L"Charge Current"), L"PASS");
  EXPECT_EQ(LogText(), "Charge Current,Lo Lim:410 Hi Lim: 490,PASS,452,mA\n");
  EXPECT_EQ(waits, (std::vector<uint32_t>{1000, kChargeDelay}));
  EXPECT_EQ(KVSIM_GetCallCount("KV_apChargeCmd"), 2);
  EXPECT_EQ(LastChargeSwitch(), 0) << "charging must be switched off again";

  const auto measures = Events(PBSIM_EVENT_MEASURE_WITH_SETTING);
  ASSERT_EQ(measures.size(), 1u);
  EXPECT_EQ(measures[0].supplyId, 1);
  EXPECT_EQ(measures[0].channel, -1);
}

TEST_F(CurrentChecks, ChargeCurrentOutsideLimitsFailsInRed) {
  UseSupplies(true);
  context->settings.checkChargeCurrent = 1;
  PBSIM_SetValue("Bench", "ChargeCurrent", "491");

  EXPECT_EQ(CheckChargeCurrent(*context), 0);
  EXPECT_EQ(recorder.Detail(L"Charge Current"), L"491");
  EXPECT_EQ(recorder.Color(L"Charge Current", kColumnDetail), kColorFail);
  EXPECT_EQ(recorder.Result(L"Charge Current"), L"FAIL");
  EXPECT_EQ(LogText(), "Charge Current,Lo Lim:410 Hi Lim: 490,FAIL,491,mA\n");
}

TEST_F(CurrentChecks, ChargeCurrentWithoutSupply2ReadsZeroAndFails) {
  UseSupplies(false);
  context->settings.checkChargeCurrent = 1;

  EXPECT_EQ(CheckChargeCurrent(*context), 0);
  EXPECT_EQ(recorder.Detail(L"Charge Current"), L"0");
  EXPECT_EQ(recorder.Color(L"Charge Current", kColumnDetail), kColorFail);
  EXPECT_EQ(LogText(), "Charge Current,Lo Lim:410 Hi Lim: 490,FAIL,0,mA\n");
  EXPECT_TRUE(Events(PBSIM_EVENT_MEASURE_WITH_SETTING).empty());
}

TEST_F(CurrentChecks, DualPowerMeasuresSecondOutputOfSupply1) {
  UseSupplies(false, true);
  context->settings.checkChargeCurrent = 1;

  EXPECT_EQ(CheckChargeCurrent(*context), 1);
  const auto measures = Events(PBSIM_EVENT_MEASURE_WITH_SETTING);
  ASSERT_EQ(measures.size(), 1u);
  EXPECT_EQ(measures[0].supplyId, 0);
  EXPECT_EQ(measures[0].channel, 2);
  EXPECT_EQ(recorder.Detail(L"Charge Current"), L"450");
}

TEST_F(CurrentChecks, ChargeSwitchFailuresAreBothLoggedAndFail) {
  UseSupplies(true);
  context->settings.checkChargeCurrent = 1;
  KVSIM_SetFailure("KV_apChargeCmd", 3);

  EXPECT_EQ(CheckChargeCurrent(*context), 0);
  // The later detail replaces the earlier in the list; both lines stay in the log.
  EXPECT_EQ(recorder.Detail(L"Charge Current"), L"Close Charge Current fail!");
  EXPECT_EQ(recorder.Color(L"Charge Current", kColumnDetail), kColorFail);
  EXPECT_EQ(recorder.Result(L"Charge Current"), L"FAIL");
  EXPECT_EQ(LogText(),
            "Charge Current,Lo Lim:410 Hi Lim: 490,FAIL,Open Charge Current fail!\n"
            "FAIL,Close Charge Current fail!\n");
  EXPECT_TRUE(Events(PBSIM_EVENT_MEASURE_WITH_SETTING).empty());
  EXPECT_EQ(waits, (std::vector<uint32_t>{1000, kChargeDelay}));
}

TEST_F(CurrentChecks, ChargeSwitchOnFailureStillSwitchesOffAndFails) {
  UseSupplies(true);
  context->settings.checkChargeCurrent = 1;
  KVSIM_FailNext("KV_apChargeCmd", 3, 1);

  EXPECT_EQ(CheckChargeCurrent(*context), 0);
  EXPECT_EQ(recorder.Detail(L"Charge Current"), L"Open Charge Current fail!");
  EXPECT_EQ(LogText(), "Charge Current,Lo Lim:410 Hi Lim: 490,FAIL,Open Charge Current fail!\n");
  EXPECT_EQ(KVSIM_GetCallCount("KV_apChargeCmd"), 2);
  EXPECT_EQ(LastChargeSwitch(), 0);
}

TEST_F(CurrentChecks, DisabledChargeCheckStillBringsSupply1BackTo38) {
  UseSupplies(true);
  context->settings.checkChargeCurrent = 0;

  EXPECT_EQ(CheckChargeCurrent(*context), 1);
  const auto sets = Events(PBSIM_EVENT_SET_VOLTAGE);
  ASSERT_EQ(sets.size(), 1u);
  EXPECT_EQ(sets[0].supplyId, 0);
  EXPECT_EQ(sets[0].channel, -1);
  EXPECT_FLOAT_EQ(sets[0].value, 3.8f);
  EXPECT_EQ(waits, (std::vector<uint32_t>{1000}));
  EXPECT_TRUE(recorder.reports().empty());
  EXPECT_EQ(LogText(), "");
}

TEST_F(CurrentChecks, NoSupplyMeansNoSettlingWait) {
  context->settings.checkChargeCurrent = 0;
  EXPECT_EQ(CheckChargeCurrent(*context), 1);
  EXPECT_TRUE(waits.empty());
}

// --- Power-on current ------------------------------------------------------------------------

TEST_F(CurrentChecks, PowerOnCurrentPowersSupply2AndMeasuresSupply1) {
  UseSupplies(true);
  context->settings.checkPowerOnCurrent = 1;
  PBSIM_SetValue("Bench", "PowerOnCurrent", "231");

  EXPECT_EQ(CheckPowerOnCurrent(*context), 0);
  EXPECT_EQ(LogText(), "Power On Current,Lo Lim:120 Hi Lim: 200,FAIL,231,mA\n");
  EXPECT_EQ(recorder.Detail(L"Power On Current"), L"231");
  EXPECT_EQ(recorder.Color(L"Power On Current", kColumnDetail), kColorFail);
  EXPECT_EQ(waits, (std::vector<uint32_t>{500, kPowerOnDelay}));
  const auto sets = Events(PBSIM_EVENT_SET_VOLTAGE);
  ASSERT_EQ(sets.size(), 1u);
  EXPECT_EQ(sets[0].supplyId, 1);
  EXPECT_FLOAT_EQ(sets[0].value, 5.0f);
  const auto measures = Events(PBSIM_EVENT_MEASURE);
  ASSERT_EQ(measures.size(), 1u);
  EXPECT_EQ(measures[0].supplyId, 0);
  EXPECT_EQ(LastChargeSwitch(), 0);
}

TEST_F(CurrentChecks, PowerOnCurrentChargeOffFailureIsLoggedButReadingDecides) {
  UseSupplies(true);
  context->settings.checkPowerOnCurrent = 1;
  KVSIM_SetFailure("KV_apChargeCmd", 4);

  EXPECT_EQ(CheckPowerOnCurrent(*context), 1);
  EXPECT_EQ(recorder.Detail(L"Power On Current"), L"150");
  EXPECT_EQ(recorder.Result(L"Power On Current"), L"PASS");
  EXPECT_EQ(LogText(),
            "Power On Current,Lo Lim:120 Hi Lim: 200,FAIL,Charge off fail!\nPASS,150,mA\n");
}

TEST_F(CurrentChecks, PowerOnCurrentMeasureFailure) {
  UseSupplies(true);
  context->settings.checkPowerOnCurrent = 1;
  PBSIM_SetFailure("MeasureCurrent", 6);

  EXPECT_EQ(CheckPowerOnCurrent(*context), 0);
  EXPECT_EQ(recorder.Detail(L"Power On Current"), L"PowerOn Current measure fail!");
  EXPECT_EQ(recorder.Color(L"Power On Current", kColumnDetail), kColorFail);
  EXPECT_EQ(LogText(),
            "Power On Current,Lo Lim:120 Hi Lim: 200,FAIL,PowerOn Current measure fail!\n");
}

TEST_F(CurrentChecks, PowerOnCurrentWithoutSupply1ReadsZero) {
  context->settings.checkPowerOnCurrent = 1;
  context->settings.powerOnCurrentLo = 0;
  EXPECT_EQ(CheckPowerOnCurrent(*context), 1);
  EXPECT_EQ(recorder.Detail(L"Power On Current"), L"0");
}

// --- Deep-sleep current ----------------------------------------------------------------------

TEST_F(CurrentChecks, DeepSleepAveragesTenReadingsWithSupply2) {
  UseSupplies(true);
  context->settings.checkDeepSleepCurrent = 1;

  EXPECT_EQ(CheckDeepSleepCurrent(*context), 1);
  EXPECT_EQ(recorder.Detail(L"Deep Sleep Current"), L"1.60");
  EXPECT_EQ(recorder.Color(L"Deep Sleep Current", kColumnDetail), kColorPass);
  EXPECT_EQ(LogText(), "Deep Sleep Current,Lo Lim:1.00 Hi Lim: 2.30,PASS,1.60,mA\n");
  EXPECT_EQ(Events(PBSIM_EVENT_MEASURE).size(), 10u);
  EXPECT_EQ(prompts, 0);
  EXPECT_EQ(KVSIM_GetCallCount("KV_EnterDeepSleepMode"), 1);
  EXPECT_EQ(KVSIM_GetCallCount("KV_EndPhoneTest"), 1);
  // Supply 2 stepped down (200 ms), the configured delay, and powered on again at the end.
  EXPECT_EQ(waits, (std::vector<uint32_t>{200, kStandbyDelay}));
  EXPECT_FLOAT_EQ(OutputVoltage(1, -1), 5.0f);
}

TEST_F(CurrentChecks, DeepSleepWithoutSupply2PromptsTheOperator) {
  UseSupplies(false);
  context->settings.checkDeepSleepCurrent = 1;

  EXPECT_EQ(CheckDeepSleepCurrent(*context), 1);
  EXPECT_EQ(prompts, 1);
  EXPECT_EQ(waits, (std::vector<uint32_t>{kStandbyDelay}));
}

TEST_F(CurrentChecks, DeepSleepAllReadingsInvalidFails) {
  UseSupplies(true);
  context->settings.checkDeepSleepCurrent = 1;
  PBSIM_SetValue("Bench", "InvalidReadings", "10");

  EXPECT_EQ(CheckDeepSleepCurrent(*context), 0);
  EXPECT_EQ(recorder.Detail(L"Deep Sleep Current"), L"No valid reading");
  EXPECT_EQ(recorder.Color(L"Deep Sleep Current", kColumnDetail), kColorFail);
  EXPECT_EQ(recorder.Result(L"Deep Sleep Current"), L"FAIL");
  EXPECT_EQ(LogText(), "Deep Sleep Current,Lo Lim:1.00 Hi Lim: 2.30,FAIL,No valid reading,mA\n");
}

TEST_F(CurrentChecks, DeepSleepInvalidReadingsAreLeftOutOfTheAverage) {
  UseSupplies(true);
  context->settings.checkDeepSleepCurrent = 1;
  PBSIM_SetValue("Bench", "InvalidReadings", "9");

  EXPECT_EQ(CheckDeepSleepCurrent(*context), 1);
  EXPECT_EQ(recorder.Detail(L"Deep Sleep Current"), L"1.60");
}

TEST_F(CurrentChecks, DeepSleepMeasureFailureStopsSampling) {
  UseSupplies(true);
  context->settings.checkDeepSleepCurrent = 1;
  PBSIM_SetFailure("MeasureCurrent", 2);

  EXPECT_EQ(CheckDeepSleepCurrent(*context), 0);
  EXPECT_EQ(Events(PBSIM_EVENT_MEASURE).size(), 1u);
  EXPECT_EQ(recorder.Detail(L"Deep Sleep Current"), L"Standby Current measure fail!");
  EXPECT_EQ(LogText(),
            "Deep Sleep Current,Lo Lim:1.00 Hi Lim: 2.30,FAIL,Standby Current measure fail!\n");
}

TEST_F(CurrentChecks, DeepSleepCommandFailureDecidesOnlyWithoutSupply1) {
  context->settings.checkDeepSleepCurrent = 1;
  context->settings.deepSleepCurrentLo = 0.0f;
  KVSIM_SetFailure("KV_EnterDeepSleepMode", 9);
  EXPECT_EQ(CheckDeepSleepCurrent(*context), 0);
  EXPECT_EQ(recorder.Detail(L"Deep Sleep Current"), L"Standby Current measure fail!");
}

TEST_F(CurrentChecks, DeepSleepCommandFailureIsReplacedByTheMeasurementWithSupply1) {
  UseSupplies(true);
  context->settings.checkDeepSleepCurrent = 1;
  KVSIM_SetFailure("KV_EnterDeepSleepMode", 9);
  // The phone stays awake and draws its power-on current.
  context->settings.deepSleepCurrentHi = 500.0f;
  EXPECT_EQ(CheckDeepSleepCurrent(*context), 1);
  EXPECT_EQ(recorder.Detail(L"Deep Sleep Current"), L"150.00");
}

// --- Power-off current -----------------------------------------------------------------------

TEST_F(CurrentChecks, PowerOffCurrentInMicroamperes) {
  UseSupplies(true);
  context->settings.checkPowerOffCurrent = 1;

  EXPECT_EQ(CheckPowerOffCurrent(*context), 1);
  EXPECT_EQ(recorder.Detail(L"Power Off Current"), L"35.00");
  EXPECT_EQ(recorder.Color(L"Power Off Current", kColumnDetail), kColorPass);
  EXPECT_EQ(LogText(), "Power Off Current,Lo Lim:0 Hi Lim: 100,PASS,35.00,uA\n");
  EXPECT_EQ(Events(PBSIM_EVENT_MEASURE).size(), 31u);  // the first reading and 30 samples
  EXPECT_EQ(prompts, 0);
  // Supply 2 is powered on again when it is enabled; supply 1 is back at its voltage.
  EXPECT_FLOAT_EQ(OutputVoltage(1, -1), 5.0f);
  EXPECT_FLOAT_EQ(OutputVoltage(0, -1), 3.8f);
}

TEST_F(CurrentChecks, PowerOffCurrentSwitchingOrderAndWaits) {
  UseSupplies(true);
  context->settings.checkPowerOffCurrent = 1;
  EXPECT_EQ(CheckPowerOffCurrent(*context), 1);

  // Supply 1 off (0.01 V, 200 ms, off), supply 2 off, 500 ms, supply 1 ramped on (nine 40 ms
  // steps), supply 2 off again, then the leak delay.
  std::vector<uint32_t> expected{200, 200, 500};
  for (int i = 0; i < 9; ++i) {
    expected.push_back(40);
  }
  expected.push_back(200);
  expected.push_back(kLeakDelay);
  EXPECT_EQ(waits, expected);
  const auto sets = Events(PBSIM_EVENT_SET_VOLTAGE);
  ASSERT_GE(sets.size(), 4u);
  EXPECT_EQ(sets[0].supplyId, 0);
  EXPECT_FLOAT_EQ(sets[0].value, 0.01f);
  EXPECT_FLOAT_EQ(sets[1].value, -1.0f);
  EXPECT_EQ(sets[2].supplyId, 1);
}

TEST_F(CurrentChecks, PowerOffCurrentRangeFollowsTheFirstReading) {
  struct Case {
    const char* leakMilliamperes;
    float range;
  };
  for (const Case& c : {Case{"5", 0.02f}, Case{"15", 3.0f}, Case{"25", 1.0f}, Case{"1000", 3.0f},
                        Case{"0.035", 0.02f}}) {
    SCOPED_TRACE(c.leakMilliamperes);
    TearDown();
    SetUp();
    UseSupplies(true);
    context->settings.checkPowerOffCurrent = 1;
    context->settings.powerOffCurrentHi = 10000000;
    PBSIM_SetValue("Bench", "LeakCurrent", c.leakMilliamperes);

    EXPECT_EQ(CheckPowerOffCurrent(*context), 1);
    const std::vector<float> ranges = RangesSet();
    ASSERT_EQ(ranges.size(), 2u);
    EXPECT_FLOAT_EQ(ranges[0], c.range);
    EXPECT_FLOAT_EQ(ranges[1], 3.0f) << "the range goes back to 3.0 A";
  }
}

TEST_F(CurrentChecks, PowerOffCurrentAboveLimitFails) {
  UseSupplies(true);
  context->settings.checkPowerOffCurrent = 1;
  PBSIM_SetValue("Bench", "LeakCurrent", "5");

  EXPECT_EQ(CheckPowerOffCurrent(*context), 0);
  EXPECT_EQ(recorder.Detail(L"Power Off Current"), L"5000.00");
  EXPECT_EQ(recorder.Color(L"Power Off Current", kColumnDetail), kColorFail);
  EXPECT_EQ(LogText(), "Power Off Current,Lo Lim:0 Hi Lim: 100,FAIL,5000.00,uA\n");
}

TEST_F(CurrentChecks, PowerOffCurrentFirstMeasureFailureSkipsTheRangeAndSamples) {
  UseSupplies(true);
  context->settings.checkPowerOffCurrent = 1;
  PBSIM_SetFailure("MeasureCurrent", 3);

  EXPECT_EQ(CheckPowerOffCurrent(*context), 0);
  EXPECT_EQ(recorder.Detail(L"Power Off Current"), L"Leak Current measure fail!");
  EXPECT_EQ(LogText(), "Power Off Current,Lo Lim:0 Hi Lim: 100,FAIL,Leak Current measure fail!\n");
  EXPECT_TRUE(RangesSet().empty());
  EXPECT_EQ(Events(PBSIM_EVENT_MEASURE).size(), 1u);
  EXPECT_FLOAT_EQ(OutputVoltage(1, -1), 5.0f) << "supply 2 is powered on again";
}

TEST_F(CurrentChecks, PowerOffCurrentAllSamplesInvalidFails) {
  UseSupplies(true);
  context->settings.checkPowerOffCurrent = 1;
  PBSIM_SetValue("Bench", "InvalidReadings", "31");

  EXPECT_EQ(CheckPowerOffCurrent(*context), 0);
  EXPECT_EQ(recorder.Detail(L"Power Off Current"), L"No valid reading");
  const std::vector<float> ranges = RangesSet();
  ASSERT_EQ(ranges.size(), 2u);
  EXPECT_FLOAT_EQ(ranges[0], 0.02f) << "an invalid first reading counts as 0";
}

TEST_F(CurrentChecks, OperatorIsAskedOnceWhenDeepSleepRanWithoutSupply2) {
  UseSupplies(false);
  context->settings.checkDeepSleepCurrent = 1;
  context->settings.checkPowerOffCurrent = 1;

  CheckDeepSleepCurrent(*context);
  CheckPowerOffCurrent(*context);
  EXPECT_EQ(prompts, 1);
}

TEST_F(CurrentChecks, PowerOffAloneWithoutSupply2PromptsOnce) {
  UseSupplies(false);
  context->settings.checkPowerOffCurrent = 1;
  CheckPowerOffCurrent(*context);
  EXPECT_EQ(prompts, 1);
}

TEST_F(CurrentChecks, DualPowerSwitchesTheSecondOutputInsteadOfPrompting) {
  UseSupplies(false, true);
  context->settings.checkDeepSleepCurrent = 1;
  context->settings.checkPowerOffCurrent = 1;
  CheckDeepSleepCurrent(*context);
  CheckPowerOffCurrent(*context);
  EXPECT_EQ(prompts, 0);
  // After the power-off check the second output stays off: supply 2 is not enabled.
  EXPECT_FLOAT_EQ(OutputVoltage(0, 2), -1.0f);
}

TEST_F(CurrentChecks, DisabledChecksDoNothing) {
  UseSupplies(true);
  EXPECT_EQ(CheckPowerOnCurrent(*context), 1);
  EXPECT_EQ(CheckDeepSleepCurrent(*context), 1);
  EXPECT_EQ(CheckPowerOffCurrent(*context), 1);
  EXPECT_EQ(PBSIM_GetEventCount(), 0);
  EXPECT_TRUE(waits.empty());
  EXPECT_EQ(prompts, 0);
  EXPECT_TRUE(recorder.reports().empty());
  EXPECT_EQ(KVSIM_GetCallCount("KV_EnterDeepSleepMode"), 0);
}

}  // namespace
