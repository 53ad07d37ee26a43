// SIM card and T card presence, judged only by the text of the modem's reply.
#include <cstring>

#include "devices/dutlink.h"
#include "station/engine/CheckContext.h"
#include "station/engine/Checks.h"
#include "station/engine/Reporting.h"
#include "station/engine/core/CardReplies.h"

namespace {

constexpr int32_t kReplySize = 4096;
constexpr int32_t kReplyTimeoutMs = 3000;

struct Reply {
  char ansi[kReplySize + 1];
  wchar_t wide[kReplySize];
};

// Sends the query; the library's result and count are not used, so a failed call simply
// leaves an empty reply. The buffer is terminated even when the library fills it whole.
void Ask(CheckContext& context, const char* command, Reply& reply) {
  std::memset(reply.ansi, 0, sizeof(reply.ansi));
  uint32_t count = 0;
  KV_SendATCommand(context.phone, command, 1, reply.ansi, kReplySize, &count, kReplyTimeoutMs);
  reply.ansi[kReplySize] = '\0';
  AnsiToWide(reply.ansi, reply.wide, kReplySize);
}

}  // namespace

int32_t CheckSimCard(CheckContext& context) {
  if (context.settings.checkSimCard == 0) {
    return 1;
  }
  BeginRow(context, L"SIM Card");
  AppendLog(context, "SIM Card,");
  Reply reply;
  Ask(context, "AT+CPIN?", reply);
  bool passed = false;
  switch (JudgeSimReply(reply.wide)) {
    case SimCardState::kNotInserted:
      ReportDetail(context, reply.wide, kColorFail);
      AppendLog(context, "--,FAIL,\n");
      break;
    case SimCardState::kPresent:
      passed = true;
      AppendLog(context, "---,PASS,\n");
      break;
    case SimCardState::kNoStatus:
      ReportDetail(context, reply.wide, kColorFail);
      AppendLog(context, "---,FAIL,\n");
      break;
  }
  ReportResult(context, passed);
  return passed ? 1 : 0;
}

int32_t CheckTCard(CheckContext& context) {
  if (context.settings.checkTCard == 0) {
    return 1;
  }
  BeginRow(context, L"T Card");
  AppendLog(context, "T Card,");
  Reply reply;
  Ask(context, "AT+TFSTAT?", reply);
  bool passed = false;
  switch (JudgeTCardReply(reply.wide)) {
    case TCardState::kNoStatus:
      ReportDetail(context, reply.wide, kColorFail);
      AppendLog(context, "--,FAIL,\n");
      break;
    case TCardState::kPresent:
      passed = true;
      AppendLog(context, "---,PASS,\n");
      break;
    case TCardState::kAbsent:
    case TCardState::kUnknown:
      ReportDetail(context, reply.wide, kColorFail);
      AppendLog(context, "---,FAIL,\n");
      break;
  }
  ReportResult(context, passed);
  return passed ? 1 : 0;
}
