#include "station/cli/CliSend.h"

#include <string>

#include "station/cli/CliRun.h"
#include "station/cli/Console.h"
#include "station/results/LineConfig.h"
#include "station/results/LineHttp.h"
#include "station/results/RecordSpool.h"
#include "station/results/StationFacts.h"
#include "station/results/core/Adoption.h"
#include "station/results/core/DeliveryLoop.h"

namespace {

constexpr int kExitLeftWaiting = 1;

}  // namespace

int SendSpooledRecords(bool retryRejected) {
  const LineConfig config = ReadLineConfig();
  if (!config.present) {
    PrintErr(std::wstring(L"VarnexCli: no ") + kLineConfigName +
             L" beside the program: the records stay in the spool");
    return kExitNotStarted;
  }
  if (!config.settings) {
    PrintErr(L"VarnexCli: " + config.problem);
    return kExitNotStarted;
  }
  if (const std::string warning = PlainTextWarning(config.settings->service); !warning.empty()) {
    PrintErr(Utf8ToUtf16(warning));
  }
  const RecordSpool spool;
  if (retryRejected) {
    PrintOut(L"back in the spool: " + std::to_wstring(spool.RetryRejected()));
  }
  if (const int adopted = AdoptEarlyRecords(spool, config.station); adopted > 0) {
    PrintOut(L"adopted as " + Utf8ToUtf16(config.station.name) + L": " + std::to_wstring(adopted));
  }
  int sent = 0;
  int rejected = 0;
  DeliveryLoop loop(HttpLineLink(*config.settings));
  loop.Pass(spool, [&](const DeliveryStep& step) {
    const std::wstring id = Utf8ToUtf16(step.id);
    const std::wstring note = Utf8ToUtf16(step.note);
    switch (step.kind) {
      case DeliveryStep::Kind::Stored:
        ++sent;
        PrintOut(L"sent " + id);
        break;
      case DeliveryStep::Kind::SetAside:
        ++rejected;
        PrintErr(L"rejected " + id + L": " + note);
        break;
      case DeliveryStep::Kind::Waits:
      case DeliveryStep::Kind::Kept:
        PrintErr(L"not sent " + id + L": " + note);
        break;
    }
    return true;
  });
  const size_t waiting = spool.List().size();
  PrintOut(L"sent: " + std::to_wstring(sent) + L", rejected: " + std::to_wstring(rejected) +
           L", waiting: " + std::to_wstring(waiting));
  return waiting == 0 ? kExitPassed : kExitLeftWaiting;
}
