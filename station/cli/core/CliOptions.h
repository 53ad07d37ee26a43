// The command line of VarnexCli: the scanned codes and how the run behaves without a window.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "station/run/core/IdentityInput.h"

struct CliOptions {
  ScannedCodes codes;
  std::optional<std::wstring> configPath;  // another Varnex.ini instead of the one beside us
  bool help = false;
  bool noWait = false;         // waits are recorded and summed, not slept
  bool noPrompt = false;       // the operator prompt is answered at once
  bool brief = false;          // passed rows show only the first line of their detail
  bool json = false;           // the run's record is printed on one line before the verdict
  bool send = false;           // no run: the spooled records are delivered to the line service
  bool retryRejected = false;  // with --send: the records of results\rejected go first back
};

struct ParseResult {
  CliOptions options;
  std::wstring error;  // empty when the command line was understood
};

// Takes the arguments after the program name. Options accept "--name value" and "--name=value".
ParseResult ParseCliOptions(const std::vector<std::wstring>& args);

// The --help text.
const wchar_t* CliUsage();
