// One check run without the station window, as a Start of the station would do it.
#pragma once

#include "station/cli/core/CliOptions.h"

// Exit codes of VarnexCli.
inline constexpr int kExitPassed = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitNotStarted = 2;

// Loads the configuration, checks the codes, brings the supplies and the phone up, runs the
// check sequence and ends the run. Returns one of the exit codes above.
int RunCli(const CliOptions& options);
