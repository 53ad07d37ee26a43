// The run record from what a run used and showed: the settings of the run (codes, enabled items,
// expected values), what its checks reported (RunCapture), and the station's own facts.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "station/config/CheckSettings.h"
#include "station/engine/core/RunCapture.h"
#include "station/results/core/RunRecord.h"

// Texts of the ANSI code page (the test log's path) to UTF-16: the platform's converter on the
// station, a test's own converter natively.
using AnsiDecoder = std::function<std::wstring(std::string_view)>;

struct RunFacts {
  std::string id;
  StationInfo station;
  std::wstring operatorName;  // as the accounts library names the operator (UTF-16)
  Timestamp started;
  Timestamp ended;
  int64_t durationMs = 0;
  Outcome outcome = Outcome::Abandoned;
  CheckSettings settings{};  // the run's own copy
  CapturedRun captured;
};

// One row per enabled check item in list order, each as the window showed it at the run's end
// (reported texts over the list's own item and expected value); the measuring rows with their
// number. Every text is converted to UTF-8, and the record fitted to the limits the line
// service holds it to (RecordFit.h).
RunRecord BuildRunRecord(const RunFacts& facts, const AnsiDecoder& decodeAnsi);
