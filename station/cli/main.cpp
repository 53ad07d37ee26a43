// VarnexCli.exe: one check run of the connected phone without the station window.
#include <string>
#include <vector>

#include <windows.h>

#include "station/cli/CliRun.h"
#include "station/cli/CliSend.h"
#include "station/cli/Console.h"
#include "station/cli/core/CliOptions.h"

int wmain(int argc, wchar_t** argv) {
  std::vector<std::wstring> args(argv + 1, argv + argc);
  ParseResult parsed = ParseCliOptions(args);
  if (!parsed.error.empty()) {
    PrintErr(L"VarnexCli: " + parsed.error);
    return kExitNotStarted;
  }
  if (parsed.options.help) {
    PrintOut(CliUsage());
    return kExitPassed;
  }
  if (parsed.options.send) {
    return SendSpooledRecords(parsed.options.retryRejected);
  }
  return RunCli(parsed.options);
}
