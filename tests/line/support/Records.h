// Records for the line tests: a full, valid record (the shape a station sends) and a short way
// to describe the runs of a hand-computed set.
#pragma once

#include <cstdint>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "line/core/RunRecord.h"

namespace line::test {

// The clock of the tests' services and record checks: a week after the hand-computed runs.
inline constexpr int64_t kNowMs = 1797379200000;  // 2026-12-16T00:00:00Z

struct RunSpec {
  std::string station = "ST-A";
  std::string started = "2026-12-09T10:05:00.000+08:00";
  std::string outcome = "PASS";
  bool counted = true;
  std::string imei1 = "860000000000011";
  std::string sn1 = "VX202612090001";
  std::vector<std::string> failing;  // items whose row says FAIL
  std::string id;                    // made from a counter when empty
};

// A record with 26 rows (the station's catalogue), values and limits on the measuring rows.
nlohmann::json RecordJson(const RunSpec& spec = {});

// The same record read back as the service reads it (fails the test when it is refused).
RunRecord Run(const RunSpec& spec = {});

// A fresh UUID v4 each call.
std::string NewId();

}  // namespace line::test
