// The phone's own battery (AUX) and fuel-gauge (FGU) voltage readings, judged against limits,
// and the fuel-gauge type. The sequence sets the supply before each voltage group.
#include <cstdio>
#include <cstring>
#include <iterator>

#include "devices/dutlink.h"
#include "station/engine/CheckContext.h"
#include "station/engine/Checks.h"
#include "station/engine/Reporting.h"
#include "station/engine/core/VoltageWord.h"

namespace {

constexpr int32_t kAdcFguVoltage = 6;
constexpr int32_t kAdcFguType = 5;
constexpr size_t kAdcRecordSize = 48;

struct VoltageGroup {
  const wchar_t* auxName;
  const char* auxLogName;
  const wchar_t* fguName;
  const char* fguLogName;
  int32_t CheckSettings::*auxLo;
  int32_t CheckSettings::*auxHi;
  int32_t CheckSettings::*fguLo;
  int32_t CheckSettings::*fguHi;
};

constexpr VoltageGroup kGroups[3] = {
    {L"AUX Voltage 3.6", "AUX Voltage 3.6", L"FGU Voltage 3.6", "FGU Voltage 3.6",
     &CheckSettings::auxLo36, &CheckSettings::auxHi36, &CheckSettings::fguLo36,
     &CheckSettings::fguHi36},
    {L"AUX Voltage 3.8", "AUX Voltage 3.8", L"FGU Voltage 3.8", "FGU Voltage 3.8",
     &CheckSettings::auxLo38, &CheckSettings::auxHi38, &CheckSettings::fguLo38,
     &CheckSettings::fguHi38},
    {L"AUX Voltage 4.2", "AUX Voltage 4.2", L"FGU Voltage 4.2", "FGU Voltage 4.2",
     &CheckSettings::auxLo42, &CheckSettings::auxHi42, &CheckSettings::fguLo42,
     &CheckSettings::fguHi42},
};

// The first field of the second reply record; the first record is only handed over.
int32_t AskAdc(CheckContext& context, int32_t request, int32_t& value) {
  uint8_t request48[kAdcRecordSize] = {};
  uint8_t reply48[kAdcRecordSize] = {};
  const int32_t result = KV_apSendADC(context.phone, request, request48, reply48);
  std::memcpy(&value, reply48, sizeof(value));
  return result;
}

void FailCall(CheckContext& context, const wchar_t* function, int32_t code) {
  wchar_t detail[96] = {};
  std::swprintf(detail, std::size(detail), L"%ls failed, Error Code: %d", function, code);
  ReportFailureDetail(context, detail);
}

// Shared by the AUX and FGU checks once the reading is in millivolts.
bool JudgeMillivolts(CheckContext& context, int32_t millivolts, int32_t low, int32_t high) {
  char value[16] = {};
  std::snprintf(value, sizeof(value), "%d,", millivolts);
  AppendVoltageLine(context, value);
  const bool passed = WithinLimits(millivolts, low, high);
  ReportMeasurement(context, millivolts, low, high, "mV");
  ReportDetailF(context, passed ? kColorPass : kColorFail, L"%d", millivolts);
  AppendLog(context, passed ? "PASS," : "FAIL,");
  AppendLogF(context, "%d,mV\n", millivolts);
  return passed;
}

void BeginVoltageRow(CheckContext& context, const wchar_t* name, const char* logName, int32_t low,
                     int32_t high) {
  BeginRow(context, name);
  AppendLog(context, logName);
  AppendLog(context, ",");
  AppendLogF(context, "Lo Lim:%d Hi Lim: %d", low, high);
  AppendLog(context, ",");
}

bool ValidGroup(int group) {
  return group >= 0 && group < 3;
}

}  // namespace

int32_t CheckAuxVoltage(CheckContext& context, int group) {
  if (!ValidGroup(group)) {
    return 1;
  }
  const VoltageGroup& g = kGroups[group];
  const int32_t low = context.settings.*g.auxLo;
  const int32_t high = context.settings.*g.auxHi;
  BeginVoltageRow(context, g.auxName, g.auxLogName, low, high);

  uint32_t word = 0;
  const int32_t result = KV_GetMsVoltage(context.phone, &word);
  bool passed = false;
  if (result != 0) {
    FailCall(context, L"KV_GetMsVoltage", result);
  } else {
    passed = JudgeMillivolts(context, MillivoltsFromBatteryWord(word), low, high);
  }
  ReportResult(context, passed);
  return passed ? 1 : 0;
}

int32_t CheckFguVoltage(CheckContext& context, int group) {
  if (!ValidGroup(group)) {
    return 1;
  }
  const VoltageGroup& g = kGroups[group];
  const int32_t low = context.settings.*g.fguLo;
  const int32_t high = context.settings.*g.fguHi;
  BeginVoltageRow(context, g.fguName, g.fguLogName, low, high);

  int32_t millivolts = 0;
  const int32_t result = AskAdc(context, kAdcFguVoltage, millivolts);
  bool passed = false;
  if (result != 0) {
    FailCall(context, L"KV_apSendADC", result);
  } else {
    passed = JudgeMillivolts(context, millivolts, low, high);
  }
  ReportResult(context, passed);
  return passed ? 1 : 0;
}

int32_t CheckFguType(CheckContext& context) {
  if (context.settings.checkFguType == 0) {
    return 1;
  }
  BeginRow(context, L"FGU Type");
  // The expected-value field is a fixed "1", whatever type is configured.
  AppendLog(context, "FGU Type,");
  AppendLog(context, "1,");

  int32_t type = 0;
  const int32_t result = AskAdc(context, kAdcFguType, type);
  bool passed = false;
  if (result != 0) {
    FailCall(context, L"KV_apSendADC", result);
  } else {
    char value[16] = {};
    std::snprintf(value, sizeof(value), "%d,", type);
    AppendVoltageLine(context, value);
    passed = type == context.settings.fguType;
    ReportMeasurement(context, type, context.settings.fguType, context.settings.fguType, "");
    wchar_t detail[32] = {};
    std::swprintf(detail, std::size(detail), L"FGU Type: %d", type);
    ReportDetail(context, detail, passed ? kColorPass : kColorFail);
    if (passed) {
      AppendLogF(context, "%d,--,PASS,", type);
    } else {
      AppendLog(context, "FAIL,");
    }
    AppendLogWide(context, detail);
    AppendLog(context, "\n");
  }
  ReportResult(context, passed);
  return passed ? 1 : 0;
}
