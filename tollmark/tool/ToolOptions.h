// Command line of TollmarkTool: one command (show, init, check, update) with its options.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

enum class ToolCommand { kShow, kInit, kCheck, kUpdate };

struct ToolOptions {
  ToolCommand command = ToolCommand::kShow;
  int32_t language = 0;                  // --lang 0|1
  std::optional<int32_t> recordVersion;  // --record-version N: property 1 before the call
  std::optional<int32_t> uartPort;       // --uart PORT: open a serial link first
  bool usb = false;                      // --usb: open a USB link first
  std::optional<std::string> station;    // init --station, update STATION
  std::optional<std::string> current;    // check --current
  std::optional<std::string> required;   // check REQUIRED
  std::optional<std::string> message;    // update --message
  std::optional<std::string> text1;
  std::optional<std::string> text2;
  int32_t outcome = 1;        // update: pass = 1, fail = 0, or a number
  int32_t bufferSize = 1752;  // init --size
};

// Fills options from the arguments after the program name. Returns an empty string when they
// are usable, else what is wrong with them.
std::string ParseToolOptions(int argc, const char* const* argv, ToolOptions& options);

extern const char kToolUsage[];
