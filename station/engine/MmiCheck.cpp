// The "Native MMI Flag" row: the phone's own MMI self-test results, whole phone and PCBA.
#include <cstring>
#include <string>

#include "devices/dutlink.h"
#include "station/config/CheckCatalogue.h"
#include "station/engine/CheckContext.h"
#include "station/engine/Checks.h"
#include "station/engine/Reporting.h"
#include "station/engine/core/MmiReport.h"

namespace {

constexpr uint16_t kWholePhone = 0;
constexpr uint16_t kPcba = 1;

// One read into a zeroed record; false when the library reports a failure, which is shown.
bool ReadStage(CheckContext& context, uint16_t selector, uint8_t (&record)[kMmiRecordSize]) {
  std::memset(record, 0, sizeof(record));
  std::memcpy(record, &selector, sizeof(selector));
  const int32_t result = KV_apReadMMI(context.phone, record);
  if (result != 0) {
    ReportDetailF(context, kColorFail, L"Read Native MMI failed, Error Code: %d", result);
    return false;
  }
  return true;
}

}  // namespace

int32_t CheckNativeMmi(CheckContext& context) {
  if (context.settings.checkNativeMmi == 0) {
    return 1;
  }
  BeginRow(context, L"Native MMI Flag");
  bool passed = true;
  bool anyFinalPassed = false;
  std::wstring report;
  uint8_t record[kMmiRecordSize];

  if (ReadStage(context, kWholePhone, record)) {
    passed =
        AppendMmiBlock(report, L"========= Whole Phone =========", record, MmiItemNames) && passed;
    anyFinalPassed = MmiFinalPassed(record);
  } else {
    passed = false;
  }
  if (ReadStage(context, kPcba, record)) {
    passed = AppendMmiBlock(report, L"========= PCBA =========", record, MmiItemNames) && passed;
    anyFinalPassed = MmiFinalPassed(record) || anyFinalPassed;
  } else {
    passed = false;
  }
  // A stage whose final result is not supported does not fail the phone, but two such stages
  // say nothing about it: a record the library handed back unfilled reads exactly so.
  passed = passed && anyFinalPassed;

  // The list always receives the item lines, also empty when both reads failed; the colour
  // stays as the failure left it (black when no read failed).
  ReportDetail(context, report.c_str(), context.rowReport.color);
  ReportResult(context, passed);
  return passed ? 1 : 0;
}
