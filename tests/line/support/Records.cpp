#include "tests/line/support/Records.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdio>

namespace line::test {
namespace {

constexpr const char* kItems[] = {"IMEI1",
                                  "IMEI2",
                                  "IMEI3",
                                  "SN1",
                                  "SN2",
                                  "BT Addr",
                                  "WIFI Addr",
                                  "Calibration Flag",
                                  "SIM Card",
                                  "T Card",
                                  "AUX Voltage 3.6",
                                  "FGU Voltage 3.6",
                                  "AUX Voltage 3.8",
                                  "FGU Voltage 3.8",
                                  "AUX Voltage 4.2",
                                  "FGU Voltage 4.2",
                                  "FGU Type",
                                  "Modem Version",
                                  "AP Version",
                                  "Native MMI Flag",
                                  "Toll Mark",
                                  "SecureBoot Enable Flag",
                                  "Charge Current",
                                  "Power On Current",
                                  "Deep Sleep Current",
                                  "Power Off Current"};

}  // namespace

std::string NewId() {
  static std::atomic<uint64_t> counter{0};
  uint64_t n = ++counter;
  char id[40];
  std::snprintf(id, sizeof id, "00000000-0000-4000-8000-%012llx",
                static_cast<unsigned long long>(n));
  return id;
}

nlohmann::json RecordJson(const RunSpec& spec) {
  nlohmann::json rows = nlohmann::json::array();
  for (const char* item : kItems) {
    bool fails = std::find(spec.failing.begin(), spec.failing.end(), item) != spec.failing.end();
    nlohmann::json row = {{"item", item},
                          {"expected", "---"},
                          {"result", fails ? "FAIL" : "PASS"},
                          {"detail", fails ? "failed" : "ok"}};
    if (std::string(item).find("Voltage") != std::string::npos) {
      row["expected"] = "Lo Lim:3550 Hi Lim: 3650";
      row["value"] = 3599;
      row["unit"] = "mV";
      row["low"] = 3550;
      row["high"] = 3650;
    }
    rows.push_back(row);
  }
  return {{"schema", "varnex.run/1"},
          {"id", spec.id.empty() ? NewId() : spec.id},
          {"station",
           {{"name", spec.station},
            {"line", "LINE-1"},
            {"host", "PC-" + spec.station},
            {"program", "Varnex"},
            {"version", "1.0.0.1"}}},
          {"operator", "alice"},
          {"started", spec.started},
          {"ended", spec.started},
          {"durationMs", 15382},
          {"codes",
           {{"imei1", spec.imei1},
            {"imei2", spec.imei1.empty() ? "" : spec.imei1.substr(0, 14) + "9"},
            {"imei3", ""},
            {"sn1", spec.sn1},
            {"sn2", ""},
            {"bt", "00A0C6123456"},
            {"wifi", ""}}},
          {"outcome", spec.outcome},
          {"counted", spec.counted},
          {"rows", rows},
          {"testLog", "C:\\Varnex\\result\\log.csv"}};
}

RunRecord Run(const RunSpec& spec) {
  RecordCheck check = ReadRunRecord(RecordJson(spec).dump(), kNowMs);
  EXPECT_TRUE(check.record) << check.error;
  return check.record ? *check.record : RunRecord{};
}

}  // namespace line::test
