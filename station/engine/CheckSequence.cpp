// RunCheckSequence: every check in its fixed order, the test log flushed after each, the
// station's outcome written into the phone's record, and the run's verdict.
#include <cstring>
#include <iterator>

#include "station/engine/CheckContext.h"
#include "station/engine/Checks.h"
#include "station/engine/LogFiles.h"
#include "station/engine/Reporting.h"
#include "station/engine/StationRecordSteps.h"
#include "station/engine/SupplyControl.h"

namespace {

using Check = int32_t (*)(CheckContext&);

// Supply 1 settles this long after each voltage step before the phone is read.
constexpr uint32_t kSettleMilliseconds = 1000;

struct VoltageGroup {
  float volts;
  int32_t CheckSettings::*checkAux;
  int32_t CheckSettings::*checkFgu;
};

constexpr VoltageGroup kVoltageGroups[] = {
    {3.6f, &CheckSettings::checkAux36, &CheckSettings::checkFgu36},
    {3.8f, &CheckSettings::checkAux38, &CheckSettings::checkFgu38},
    {4.2f, &CheckSettings::checkAux42, &CheckSettings::checkFgu42},
};

// Runs one check and writes its lines to the test log; false when it failed.
bool RunAndFlush(CheckContext& context, Check check) {
  const int32_t verdict = check(context);
  FlushTestLog(context);
  return verdict != 0;
}

// One voltage group; false when a check of it ran and failed.
bool RunVoltageGroup(CheckContext& context, int group) {
  const VoltageGroup& step = kVoltageGroups[group];
  const bool aux = context.settings.*step.checkAux != 0;
  const bool fgu = context.settings.*step.checkFgu != 0;
  if (!aux && !fgu) {
    // The voltage log keeps one (empty) column for a group that was skipped.
    AppendVoltageLine(context, ",");
    return true;
  }
  if (SupplyExists(context, 0)) {
    SetSupplyVoltage(context, 0, step.volts, kMainOutput);
    Wait(context, kSettleMilliseconds);
  }
  bool passed = true;
  if (aux) {
    passed = CheckAuxVoltage(context, group) != 0 && passed;
    FlushTestLog(context);
  }
  if (fgu) {
    passed = CheckFguVoltage(context, group) != 0 && passed;
    FlushTestLog(context);
  }
  return passed;
}

void WriteVoltageLogLine(CheckContext& context) {
  EndVoltageLine(context);
  WriteVoltageLog(context, context.voltageLine);
  std::memset(context.voltageLine, 0, sizeof(context.voltageLine));
}

}  // namespace

int32_t RunCheckSequence(CheckContext& context) {
  std::memset(context.logText, 0, sizeof(context.logText));
  ClearLogTrouble(context);

  // The identity reads name the test-log file, so it is opened only after them; their lines
  // reach it with the first flush.
  bool passed = CheckImeis(context) != 0;
  passed = CheckSerialNumbers(context) != 0 && passed;
  if (context.settings.saveLog != 0) {
    OpenTestLog(context, context.logName);
  }
  FlushTestLog(context);

  for (Check check :
       {CheckBtAddress, CheckWifiAddress, CheckCalibrationFlags, CheckSimCard, CheckTCard}) {
    passed = RunAndFlush(context, check) && passed;
  }
  for (int group = 0; group < static_cast<int>(std::size(kVoltageGroups)); ++group) {
    passed = RunVoltageGroup(context, group) && passed;
  }
  passed = RunAndFlush(context, CheckFguType) && passed;
  if (context.settings.saveVoltageLog != 0) {
    WriteVoltageLogLine(context);
  }
  for (Check check : {CheckModemVersion, CheckApVersion, CheckNativeMmi}) {
    passed = RunAndFlush(context, check) && passed;
  }
  // The secure-boot line goes to the file with the next step's lines.
  passed = CheckSecureBoot(context) != 0 && passed;

  // The record gets this station's outcome before the currents are measured, so a phone that
  // fails only a current check (or the verification) is recorded as passed here.
  bool verified = true;
  if (context.settings.checkTollmark != 0) {
    verified = UpdateAndVerifyStationRecord(context, passed ? 1 : 0) != 0;
    FlushTestLog(context);
  }

  bool currentsPassed = true;
  for (Check check :
       {CheckChargeCurrent, CheckPowerOnCurrent, CheckDeepSleepCurrent, CheckPowerOffCurrent}) {
    currentsPassed = RunAndFlush(context, check) && currentsPassed;
  }
  CloseTestLog(context);

  FactoryResetStep(context);
  if (context.settings.powerOffAfterCheck != 0) {
    PowerOffStep(context);
  }
  return passed && verified && currentsPassed ? 1 : 0;
}
