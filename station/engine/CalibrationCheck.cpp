// The "Calibration Flag" row: reads the GSM, WCDMA and LTE test-flag words and lists every
// flag the masks require.
#include <cstring>
#include <string>

#include "devices/dutlink.h"
#include "station/config/CheckCatalogue.h"
#include "station/engine/CheckContext.h"
#include "station/engine/Checks.h"
#include "station/engine/Reporting.h"
#include "station/engine/core/CalibrationFlags.h"

namespace {

constexpr wchar_t kItemName[] = L"Calibration Flag";

// The LTE calibration read: the caller asks with 1/1 in the first two fields; the flag word
// comes back at offset 6 in the station's byte order.
struct LteCalibrationRecord {
  uint8_t bytes[64];
};

int32_t FailRead(CheckContext& context, const wchar_t* message) {
  ReportFailureDetail(context, message);
  ReportResult(context, false);
  return 0;
}

}  // namespace

int32_t CheckCalibrationFlags(CheckContext& context) {
  const CheckSettings& settings = context.settings;
  if (settings.checkCalibrationFlag == 0) {
    return 1;
  }
  BeginRow(context, kItemName);
  AppendLog(context, "Calibration Flag,---,");

  const CalFlagMasks masks = {static_cast<uint32_t>(settings.calFlagMask),
                              static_cast<uint32_t>(settings.calFlagMaskWcdma),
                              static_cast<uint32_t>(settings.calFlagMaskLte)};
  CalFlagWords words = {0, 0, 0};

  if (KV_gsmReadCalibrationParam(context.phone, 1, 1, 0, 11, 4, &words.gsm) != 0) {
    return FailRead(context, L"Read test flag failed! (adc_reserved[7])");
  }
  KV_DataEndianConv32(context.phone, &words.gsm, 4);

  // The WCDMA and LTE words are read only when their masks ask for a flag.
  if (masks.wcdma != 0) {
    if (KV_wcdmaLoadTestFlag(context.phone, &words.wcdma) != 0) {
      return FailRead(context, L"Read wcdma test flag failed!");
    }
    KV_DataEndianConv16(context.phone, &words.wcdma, 2);
  }
  if (masks.lte != 0) {
    LteCalibrationRecord record = {};
    const int32_t one = 1;
    const uint16_t oneShort = 1;
    std::memcpy(record.bytes, &one, sizeof(one));
    std::memcpy(record.bytes + 4, &oneShort, sizeof(oneShort));
    if (KV_LTEReadCalibrationParam(context.phone, record.bytes) != 0) {
      return FailRead(context, L"Read LTE test flag failed!");
    }
    std::memcpy(&words.lte, record.bytes + 6, sizeof(words.lte));
  }

  const CalFlagJudgement judgement = JudgeCalibrationFlags(masks, words, CalFlagNames);
  ReportDetail(context, judgement.detail.c_str(), judgement.passed ? kColorPass : kColorFail);
  const std::wstring logDetail = CalibrationDetailForLog(judgement.detail);
  ReportResult(context, judgement.passed);
  AppendLog(context, judgement.passed ? "PASS," : "FAIL,");
  AppendLogWide(context, logDetail.c_str());
  AppendLog(context, "\n");
  return judgement.passed ? 1 : 0;
}
