// The line link as the station window shows it in one short line: "Line: 3 waiting",
// "Line: sent", "Line: sent, 1 rejected".
#pragma once

#include <cstdint>
#include <string>

struct LinkState {
  bool configured = false;  // VarnexLine.ini gives a usable service
  int32_t waiting = 0;      // records in the spool
  int32_t sent = 0;         // delivered since the program started
  int32_t rejected = 0;     // records waiting in results\rejected for the engineer
  // Why the last try failed ("no connection", "HTTP 503"), or, not configured, what is wrong
  // with VarnexLine.ini; empty when all is well.
  std::wstring problem;
};

std::wstring LinkStateText(const LinkState& state);
