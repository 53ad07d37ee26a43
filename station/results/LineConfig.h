// VarnexLine.ini beside the executable: where the station's run records go.
//
//   [Line]
//   ServiceUrl=https://line-server:8443
//   Line=Line 3              ; at most 128 bytes (UTF-8), as StationName
//   StationName=FT-07        ; default: the computer's name
//   Token=...                ; the station's token from the line service
//   Timeout=15               ; seconds for connecting, sending and the answer (1..300)
//
// Without the file the station only spools. The token is kept for the request header and never
// written to a log or shown.
#pragma once

#include <optional>
#include <string>

#include "station/results/core/LineSettings.h"
#include "station/results/core/RunRecord.h"

inline constexpr wchar_t kLineConfigName[] = L"VarnexLine.ini";

struct LineConfig {
  bool present = false;                  // the file exists
  std::optional<LineSettings> settings;  // usable settings for the sender
  std::wstring problem;  // the file is there but unusable: which key, never the token's value
  StationInfo station;   // the records' station name and line, even without a usable service
};

// `path` empty: VarnexLine.ini beside the executable.
LineConfig ReadLineConfig(const std::wstring& path = {});

// The station as its records name it: names from the configuration, the computer's name, the
// program and its version.
StationInfo IdentityFor(const char* program, const LineConfig& config);
