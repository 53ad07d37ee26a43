#include "station/cli/CliSend.h"

#include <string>

#include "station/cli/CliRun.h"
#include "station/cli/Console.h"
#include "station/results/LineConfig.h"
#include "station/results/LineSender.h"
#include "station/results/RecordSpool.h"
#include "station/results/core/Utf8.h"

namespace {

constexpr int kExitLeftWaiting = 1;

}  // namespace

int SendSpooledRecords() {
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
  const RecordSpool spool;
  int sent = 0;
  int rejected = 0;
  const bool empty = DeliverSpool(spool, *config.settings, [&](const DeliveryStep& step) {
    switch (step.kind) {
      case DeliveryStep::Kind::Stored:
        ++sent;
        PrintOut(L"sent " + AsciiToWide(step.id));
        break;
      case DeliveryStep::Kind::Rejected:
        ++rejected;
        PrintErr(L"rejected " + AsciiToWide(step.id) + L": " + step.note);
        break;
      case DeliveryStep::Kind::Failed:
        PrintErr(L"not sent " + AsciiToWide(step.id) + L": " + step.note);
        break;
    }
    return true;
  });
  const size_t waiting = spool.List().size();
  PrintOut(L"sent: " + std::to_wstring(sent) + L", rejected: " + std::to_wstring(rejected) +
           L", waiting: " + std::to_wstring(waiting));
  return empty && waiting == 0 ? kExitPassed : kExitLeftWaiting;
}
