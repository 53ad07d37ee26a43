#include "station/cli/core/CliOptions.h"

#include <string_view>

namespace {

struct ValueOption {
  const wchar_t* name;
  int codeIndex;  // index into ScannedCodes, or -1 for --config
};

constexpr ValueOption kValueOptions[] = {
    {L"--imei1", 0}, {L"--imei2", 1}, {L"--imei3", 2}, {L"--sn1", 3},
    {L"--sn2", 4},   {L"--bt", 5},    {L"--wifi", 6},  {L"--config", -1},
};

struct FlagOption {
  const wchar_t* name;
  bool CliOptions::*target;
};

constexpr FlagOption kFlagOptions[] = {
    {L"--help", &CliOptions::help},
    {L"-h", &CliOptions::help},
    {L"/?", &CliOptions::help},
    {L"--no-wait", &CliOptions::noWait},
    {L"--no-prompt", &CliOptions::noPrompt},
    {L"--yes", &CliOptions::noPrompt},
    {L"--brief", &CliOptions::brief},
    {L"--json", &CliOptions::json},
    {L"--send", &CliOptions::send},
    {L"--retry-rejected", &CliOptions::retryRejected},
};

}  // namespace

ParseResult ParseCliOptions(const std::vector<std::wstring>& args) {
  ParseResult result;
  for (size_t i = 0; i < args.size(); ++i) {
    std::wstring_view arg = args[i];
    std::wstring_view name = arg;
    std::optional<std::wstring> inlineValue;
    if (size_t eq = arg.find(L'='); arg.starts_with(L"--") && eq != std::wstring_view::npos) {
      name = arg.substr(0, eq);
      inlineValue = std::wstring(arg.substr(eq + 1));
    }

    bool known = false;
    for (const FlagOption& flag : kFlagOptions) {
      if (name == flag.name) {
        if (inlineValue) {
          result.error = std::wstring(name) + L" takes no value";
          return result;
        }
        result.options.*flag.target = true;
        known = true;
        break;
      }
    }
    if (known) {
      continue;
    }

    for (const ValueOption& option : kValueOptions) {
      if (name != option.name) {
        continue;
      }
      std::wstring value;
      if (inlineValue) {
        value = *inlineValue;
      } else if (i + 1 < args.size()) {
        value = args[++i];
      } else {
        result.error = std::wstring(name) + L" needs a value";
        return result;
      }
      if (option.codeIndex < 0) {
        if (value.empty()) {
          result.error = std::wstring(name) + L" needs a value";
          return result;
        }
        result.options.configPath = value;
      } else {
        result.options.codes[option.codeIndex] = value;
      }
      known = true;
      break;
    }
    if (!known) {
      result.error = L"unknown option " + std::wstring(arg) + L" (see --help)";
      return result;
    }
  }
  if (result.options.retryRejected && !result.options.send) {
    result.error = L"--retry-rejected goes with --send";
    return result;
  }
  // Delivering the spool is a job of its own: it never starts a run.
  if (result.options.send) {
    for (const auto& code : result.options.codes) {
      if (code) {
        result.error = L"--send takes no codes: it delivers the spool and runs no check";
        return result;
      }
    }
    if (result.options.json || result.options.configPath) {
      result.error = L"--send takes no other option";
      return result;
    }
  }
  return result;
}

const wchar_t* CliUsage() {
  return L"Usage: VarnexCli [options]\n"
         L"\n"
         L"Runs one check of the connected phone without the station window, with the\n"
         L"configuration of the station (Varnex.ini and Tollmark.ini beside this program),\n"
         L"and prints every row of the result list as it arrives.\n"
         L"\n"
         L"Scanned codes (needed for every enabled identity check without a fixed prefix):\n"
         L"  --imei1 CODE    IMEI1, 15 digits\n"
         L"  --imei2 CODE    IMEI2, 15 digits\n"
         L"  --imei3 CODE    IMEI3, 15 digits\n"
         L"  --sn1 CODE      SN1, \"SN Length1\" characters\n"
         L"  --sn2 CODE      SN2, \"SN Length2\" characters\n"
         L"  --bt CODE       Bluetooth address, 12 hex digits\n"
         L"  --wifi CODE     WLAN address, 12 hex digits\n"
         L"\n"
         L"Other options:\n"
         L"  --config PATH   read this Varnex.ini instead of the one beside the program\n"
         L"  --no-wait       record the engine's waits instead of sleeping them\n"
         L"                  (the wait for the phone to connect is still real)\n"
         L"  --no-prompt     answer the operator prompt of the current checks at once\n"
         L"  --yes           the same as --no-prompt\n"
         L"  --brief         passed rows keep a short detail on one line\n"
         L"  --json          also print the run's record (JSON, one line) before the verdict\n"
         L"  --send          run no check: deliver the records waiting in results\\spool to\n"
         L"                  the line service of VarnexLine.ini, then end\n"
         L"  --retry-rejected  with --send: first move the records of results\\rejected\n"
         L"                  back into the spool, to be sent again once their cause is mended\n"
         L"  --help, -h      show this text\n"
         L"\n"
         L"Options also take the form --name=value.\n"
         L"\n"
         L"Exit codes:\n"
         L"  0  the phone passed every check\n"
         L"  1  the phone failed\n"
         L"  2  the run could not start (bad option, missing code, supply or link failure);\n"
         L"     the reason is printed on the error output\n"
         L"With --send: 0 nothing is left waiting, 1 records stay in the spool (the service\n"
         L"did not take them now), 2 no usable VarnexLine.ini.\n";
}
