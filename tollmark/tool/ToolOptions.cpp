#include "tollmark/tool/ToolOptions.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

const char kToolUsage[] =
    "Usage: TollmarkTool [options] show\n"
    "       TollmarkTool [options] init [--station NAME] [--text1 TEXT] [--text2 TEXT]"
    " [--size BYTES]\n"
    "       TollmarkTool [options] check [--current NAME] REQUIRED\n"
    "       TollmarkTool [options] update STATION pass|fail|NUMBER [--message TEXT]"
    " [--text1 TEXT] [--text2 TEXT]\n"
    "Options: --lang 0|1 (message language: 0 English, 1 Chinese)\n"
    "         --record-version N (1 KV05, 2 KV09, other KV15; default: read the magic)\n"
    "         --uart PORT | --usb (open the phone link first)\n";

namespace {

bool ParseNumber(const char* text, int32_t& value) {
  char* end = nullptr;
  errno = 0;
  const long parsed = std::strtol(text, &end, 10);
  if (errno != 0 || end == text || *end != '\0' || parsed < INT32_MIN || parsed > INT32_MAX) {
    return false;
  }
  value = static_cast<int32_t>(parsed);
  return true;
}

struct ValueOption {
  const char* name;
  std::optional<std::string> ToolOptions::*field;
};

constexpr ValueOption kTextOptions[] = {{"--station", &ToolOptions::station},
                                        {"--current", &ToolOptions::current},
                                        {"--message", &ToolOptions::message},
                                        {"--text1", &ToolOptions::text1},
                                        {"--text2", &ToolOptions::text2}};

}  // namespace

std::string ParseToolOptions(int argc, const char* const* argv, ToolOptions& options) {
  std::vector<const char*> positional;
  for (int i = 0; i < argc; ++i) {
    const char* arg = argv[i];
    if (std::strncmp(arg, "--", 2) != 0) {
      positional.push_back(arg);
      continue;
    }
    if (std::strcmp(arg, "--usb") == 0) {
      options.usb = true;
      continue;
    }
    if (i + 1 >= argc) {
      return std::string("missing value after ") + arg;
    }
    const char* value = argv[++i];
    bool known = false;
    for (const ValueOption& option : kTextOptions) {
      if (std::strcmp(arg, option.name) == 0) {
        options.*option.field = value;
        known = true;
      }
    }
    if (known) {
      continue;
    }
    int32_t number = 0;
    if (std::strcmp(arg, "--lang") == 0 || std::strcmp(arg, "--record-version") == 0 ||
        std::strcmp(arg, "--uart") == 0 || std::strcmp(arg, "--size") == 0) {
      if (!ParseNumber(value, number)) {
        return std::string("not a number: ") + arg + " " + value;
      }
      if (std::strcmp(arg, "--lang") == 0) {
        options.language = number;
      } else if (std::strcmp(arg, "--record-version") == 0) {
        options.recordVersion = number;
      } else if (std::strcmp(arg, "--uart") == 0) {
        options.uartPort = number;
      } else {
        options.bufferSize = number;
      }
      continue;
    }
    return std::string("unknown option ") + arg;
  }
  if (options.usb && options.uartPort) {
    return "choose either --uart or --usb";
  }
  if (positional.empty()) {
    return "no command given";
  }
  const std::string command = positional[0];
  const size_t operands = positional.size() - 1;
  if (command == "show" && operands == 0) {
    options.command = ToolCommand::kShow;
  } else if (command == "init" && operands == 0) {
    options.command = ToolCommand::kInit;
  } else if (command == "check" && operands == 1) {
    options.command = ToolCommand::kCheck;
    options.required = positional[1];
  } else if (command == "update" && operands == 2) {
    options.command = ToolCommand::kUpdate;
    options.station = positional[1];
    const std::string outcome = positional[2];
    if (outcome == "pass") {
      options.outcome = 1;
    } else if (outcome == "fail") {
      options.outcome = 0;
    } else if (!ParseNumber(positional[2], options.outcome)) {
      return "outcome must be pass, fail or a number: " + outcome;
    }
  } else {
    return "unknown command or wrong number of operands: " + command;
  }
  return std::string();
}
