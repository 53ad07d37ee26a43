// Secure-boot flag check, and the two closing steps: factory reset and power off.
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <iterator>
#include <vector>

#include "devices/dutlink.h"
#include "station/engine/CheckContext.h"
#include "station/engine/Checks.h"
#include "station/engine/Reporting.h"

namespace {

constexpr char kFactoryResetCommand[] = "AT+KVDIAG=\"AT+ETSRESET\"";
static_assert(sizeof(kFactoryResetCommand) - 1 == 23);
constexpr size_t kReplySize = 4096;
constexpr int32_t kFactoryResetReplySize = 4000;
constexpr int32_t kReplyTimeoutMs = 3000;

}  // namespace

int32_t CheckSecureBoot(CheckContext& context) {
  if (context.settings.checkSecureBoot == 0) {
    return 1;
  }
  BeginRow(context, L"SecureBoot Enable Flag");
  AppendLog(context, "SecureBoot Enable Flag,");
  AppendLog(context, "1");
  AppendLog(context, ",");

  uint8_t flag = 0;
  const int32_t result = KV_ReadEnableSecureBoot(context.phone, &flag, 1);
  bool passed = false;
  wchar_t detail[96] = {};
  if (result != 0) {
    std::swprintf(detail, std::size(detail), L"KV_ReadEnableSecureBoot failed, Error Code: %d",
                  result);
    ReportDetail(context, detail, kColorFail);
    AppendLog(context, "FAIL,");
  } else {
    passed = flag == 1;
    std::swprintf(detail, std::size(detail), L"SecureBoot Enable: %d", flag);
    ReportDetail(context, detail, passed ? kColorPass : kColorFail);
    AppendLogF(context, "%d,--,%s,", flag, passed ? "PASS" : "FAIL");
  }
  AppendLogWide(context, detail);
  AppendLog(context, "\n");
  ReportResult(context, passed);
  return passed ? 1 : 0;
}

int32_t FactoryResetStep(CheckContext& context) {
  if (context.settings.factoryReset == 0) {
    return 1;
  }
  // The reply buffer is larger than the size handed over; neither reply nor count is used.
  std::vector<char> reply(kReplySize, '\0');
  uint32_t count = 0;
  const int32_t result = KV_SendATCommand(context.phone, kFactoryResetCommand, 1, reply.data(),
                                          kFactoryResetReplySize, &count, kReplyTimeoutMs);
  return result == 0 ? 1 : 0;
}

int32_t PowerOffStep(CheckContext& context) {
  return KV_PowerOff(context.phone) == 0 ? 1 : 0;
}
