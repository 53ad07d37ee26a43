// VarnexLine.ini beside the executable: where the station's run records go.
//
//   [Line]
//   ServiceUrl=http://line-server:8080
//   Line=Line 3
//   StationName=FT-07        ; default: the computer's name
//   Token=...                ; the station's token from the line service
//   Timeout=15               ; seconds for connecting, sending and the answer (1..300)
//
// Without the file the station only spools. The token is kept for the request header and never
// written to a log or shown.
#pragma once

#include <optional>
#include <string>

#include "station/results/RunRecorder.h"
#include "station/results/core/LineSettings.h"

inline constexpr wchar_t kLineConfigName[] = L"VarnexLine.ini";

struct LineConfig {
  bool present = false;                  // the file exists
  std::optional<LineSettings> settings;  // usable settings for the sender
  std::wstring problem;      // the file is there but unusable: which key, never the token's value
  std::wstring stationName;  // the record's station name, even without a usable service
  std::wstring line;
};

// `path` empty: VarnexLine.ini beside the executable.
LineConfig ReadLineConfig(const std::wstring& path = {});

// The station as its records name it: names from the configuration, the computer's name, the
// program and its version.
StationIdentity IdentityFor(const wchar_t* program, const LineConfig& config);
