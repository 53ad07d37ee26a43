// The four current checks: charge, power-on, deep-sleep and power-off (leak) current. They run
// last in the sequence because they change the phone's state: asleep, link closed, then off.
#include <cstdio>
#include <cwchar>
#include <iterator>

#include "station/engine/CheckContext.h"
#include "station/engine/Checks.h"
#include "station/engine/Reporting.h"
#include "station/engine/SupplyControl.h"
#include "station/engine/core/CurrentSampling.h"

namespace {

constexpr int kSupply1 = 0;
constexpr int kSupply2 = 1;
constexpr float kChargeCheckVolts = 3.8f;
constexpr uint32_t kSettleMilliseconds = 1000;
constexpr uint32_t kSwitchPauseMilliseconds = 500;
constexpr int32_t kChargeMeasureSetting = 1000;
constexpr int32_t kDeepSleepSamples = 10;
constexpr int32_t kLeakSamples = 30;
constexpr float kDefaultCurrentRange = 3.0f;

// A configured delay as a wait: a negative value from a hand-edited file waits nothing instead
// of turning into an endless wait.
uint32_t ConfiguredDelay(int32_t milliseconds) {
  return milliseconds > 0 ? static_cast<uint32_t>(milliseconds) : 0;
}

// Shows a judged value: the detail in green or red and "PASS,<value><unitTail>" in the log.
int32_t ReportJudged(CheckContext& context, bool passed, const char* value, const char* unitTail) {
  wchar_t detail[64] = {};
  AnsiToWide(value, detail, static_cast<int>(std::size(detail)));
  ReportDetail(context, detail, passed ? kColorPass : kColorFail);
  AppendLog(context, passed ? "PASS," : "FAIL,");
  AppendLog(context, value);
  AppendLog(context, unitTail);
  return passed ? 1 : 0;
}

int32_t JudgeMilliamperes(CheckContext& context, int32_t reading, int32_t lower, int32_t upper) {
  ReportMeasurement(context, reading, lower, upper, "mA");
  char value[16] = {};
  std::snprintf(value, sizeof(value), "%d", reading);
  return ReportJudged(context, lower <= reading && reading <= upper, value, ",mA\n");
}

void BeginCurrentRow(CheckContext& context, const wchar_t* row, int32_t lower, int32_t upper) {
  BeginRow(context, row);
  AppendLogWide(context, row);
  AppendLogF(context, ",Lo Lim:%d Hi Lim: %d,", lower, upper);
}

int32_t SwitchCharging(CheckContext& context, uint32_t on) {
  return KV_apChargeCmd(context.phone, &on);
}

// Supply 2 is fed by its own instrument or by supply 1's second output.
bool HasChargerSupply(const CheckContext& context) {
  return context.settings.supplyEnable[1] != 0 || context.settings.dualPower != 0;
}

// Repeated readings on supply 1's main output; without the object the readings stay 0 and
// `result` keeps what the caller had.
CurrentSamples SampleSupply1(CheckContext& context, int32_t count, int32_t result) {
  return SampleCurrents(count, result, [&context](float& reading, int32_t& last) {
    if (SupplyExists(context, kSupply1)) {
      last = MeasureSupplyCurrent(context, kSupply1, &reading, kMainOutput);
    }
  });
}

}  // namespace

int32_t CheckChargeCurrent(CheckContext& context) {
  // Supply 1 is brought back from the voltage checks whether or not this check is enabled.
  if (SupplyExists(context, kSupply1)) {
    SetSupplyVoltage(context, kSupply1, kChargeCheckVolts, kMainOutput);
    Wait(context, kSettleMilliseconds);
  }
  const CheckSettings& settings = context.settings;
  if (settings.checkChargeCurrent == 0) {
    return 1;
  }
  BeginCurrentRow(context, L"Charge Current", settings.chargeCurrentLo, settings.chargeCurrentHi);

  const int32_t switchedOn = SwitchCharging(context, 1);
  Wait(context, ConfiguredDelay(settings.chargeCurrentDelay));
  float reading = 0.0f;
  if (switchedOn == 0) {
    // The measurement's own result is not looked at; a missing object leaves 0.
    if (settings.dualPower != 0) {
      MeasureSupplyCurrentWithSetting(context, kSupply1, kChargeMeasureSetting, &reading,
                                      kSecondOutput);
    } else {
      MeasureSupplyCurrentWithSetting(context, kSupply2, kChargeMeasureSetting, &reading,
                                      kMainOutput);
    }
  } else {
    ReportFailureDetail(context, L"Open Charge Current fail!");
  }
  const int32_t milliamperes = TruncateReading(reading);

  int32_t verdict = 0;
  if (SwitchCharging(context, 0) != 0) {
    ReportFailureDetail(context, L"Close Charge Current fail!");
  } else if (switchedOn == 0) {
    verdict = JudgeMilliamperes(context, milliamperes, settings.chargeCurrentLo,
                                settings.chargeCurrentHi);
  }
  ReportResult(context, verdict != 0);
  return verdict;
}

int32_t CheckPowerOnCurrent(CheckContext& context) {
  const CheckSettings& settings = context.settings;
  if (settings.checkPowerOnCurrent == 0) {
    return 1;
  }
  BeginCurrentRow(context, L"Power On Current", settings.powerOnCurrentLo,
                  settings.powerOnCurrentHi);
  // A failed switch is logged, but the reading alone decides.
  if (SwitchCharging(context, 0) != 0) {
    ReportFailureDetail(context, L"Charge off fail!");
  }
  Wait(context, kSwitchPauseMilliseconds);
  PowerOnSupply(context, kSupply2);
  Wait(context, ConfiguredDelay(settings.powerOnCurrentDelay));

  float reading = 0.0f;
  int32_t verdict = 0;
  if (MeasureSupplyCurrent(context, kSupply1, &reading, kMainOutput) != 0) {
    ReportFailureDetail(context, L"PowerOn Current measure fail!");
  } else {
    verdict = JudgeMilliamperes(context, TruncateReading(reading), settings.powerOnCurrentLo,
                                settings.powerOnCurrentHi);
  }
  ReportResult(context, verdict != 0);
  return verdict;
}

int32_t CheckDeepSleepCurrent(CheckContext& context) {
  const CheckSettings& settings = context.settings;
  if (settings.checkDeepSleepCurrent == 0) {
    return 1;
  }
  BeginRow(context, L"Deep Sleep Current");
  AppendLogF(context, "Deep Sleep Current,Lo Lim:%.2f Hi Lim: %.2f,",
             static_cast<double>(settings.deepSleepCurrentLo),
             static_cast<double>(settings.deepSleepCurrentHi));

  // Without supply 1 the sleep command's result is what decides a measurement failure.
  const int32_t sleepResult = KV_EnterDeepSleepMode(context.phone);
  KV_EndPhoneTest(context.phone);
  if (HasChargerSupply(context)) {
    PowerOffSupply(context, kSupply2);
  } else if (context.promptOperator) {
    context.promptOperator();
  }
  Wait(context, ConfiguredDelay(settings.standbyCurrentDelay));

  const CurrentSamples samples = SampleSupply1(context, kDeepSleepSamples, sleepResult);
  int32_t verdict = 0;
  if (samples.result != 0) {
    ReportFailureDetail(context, L"Standby Current measure fail!");
  } else {
    float average = 0.0f;
    const bool valid = AverageCurrent(samples, &average);
    char value[32] = {};
    FormatCurrentValue(valid, average, value, sizeof(value));
    const bool inside =
        valid && settings.deepSleepCurrentLo <= average && average <= settings.deepSleepCurrentHi;
    if (valid) {
      ReportMeasurement(context, ShownCurrentValue(average),
                        ShownCurrentValue(settings.deepSleepCurrentLo),
                        ShownCurrentValue(settings.deepSleepCurrentHi), "mA");
    }
    verdict = ReportJudged(context, inside, value, ",mA\n");
  }
  ReportResult(context, verdict != 0);
  if (settings.supplyEnable[1] != 0) {
    PowerOnSupply(context, kSupply2);
  }
  return verdict;
}

int32_t CheckPowerOffCurrent(CheckContext& context) {
  const CheckSettings& settings = context.settings;
  if (settings.checkPowerOffCurrent == 0) {
    return 1;
  }
  BeginCurrentRow(context, L"Power Off Current", settings.powerOffCurrentLo,
                  settings.powerOffCurrentHi);

  // Taking the battery supply away and back switches the phone off.
  PowerOffSupply(context, kSupply1);
  if (HasChargerSupply(context)) {
    PowerOffSupply(context, kSupply2);
  } else if (settings.checkDeepSleepCurrent == 0 && context.promptOperator) {
    // The deep-sleep check has already asked for the cable in this run.
    context.promptOperator();
  }
  Wait(context, kSwitchPauseMilliseconds);
  PowerOnSupply(context, kSupply1);
  if (HasChargerSupply(context)) {
    // Powering supply 1 on also set its second output in dual-power mode.
    PowerOffSupply(context, kSupply2);
  }
  Wait(context, ConfiguredDelay(settings.leakCurrentDelay));

  float first = 0.0f;
  const int32_t firstResult = MeasureSupplyCurrent(context, kSupply1, &first, kMainOutput);
  if (!IsValidCurrentReading(first)) {
    first = 0.0f;
  }
  int32_t verdict = 0;
  if (firstResult != 0) {
    ReportFailureDetail(context, L"Leak Current measure fail!");
  } else {
    if (SupplyExists(context, kSupply1)) {
      SetSupplyCurrentRange(context, kSupply1, LeakCurrentRange(first), kMainOutput);
    }
    const CurrentSamples samples = SampleSupply1(context, kLeakSamples, 0);
    if (SupplyExists(context, kSupply1)) {
      SetSupplyCurrentRange(context, kSupply1, kDefaultCurrentRange, kMainOutput);
    }
    if (samples.result != 0) {
      ReportFailureDetail(context, L"Leak Current measure fail!");
    } else {
      float average = 0.0f;
      const bool valid = AverageCurrent(samples, &average);
      const float microamperes = average * 1000.0f;
      char value[32] = {};
      FormatCurrentValue(valid, microamperes, value, sizeof(value));
      const bool inside = valid && static_cast<float>(settings.powerOffCurrentLo) <= microamperes &&
                          microamperes <= static_cast<float>(settings.powerOffCurrentHi);
      if (valid) {
        ReportMeasurement(context, ShownCurrentValue(microamperes), settings.powerOffCurrentLo,
                          settings.powerOffCurrentHi, "uA");
      }
      verdict = ReportJudged(context, inside, value, ",uA\n");
    }
  }
  if (settings.supplyEnable[1] != 0) {
    PowerOnSupply(context, kSupply2);
  }
  ReportResult(context, verdict != 0);
  return verdict;
}
