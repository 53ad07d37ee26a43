#include "line/sample/SampleRuns.h"

#include <algorithm>
#include <cstdio>
#include <nlohmann/json.hpp>

#include "line/core/Timestamp.h"

namespace line {
namespace {

using Json = nlohmann::json;

// How failures spread over the items, most frequent first (a line's usual Pareto).
struct FailureMode {
  const char* item;
  int weight;
};
constexpr FailureMode kFailureModes[] = {
    {"SIM Card", 30},        {"Charge Current", 20}, {"Calibration Flag", 14},
    {"AUX Voltage 4.2", 10}, {"Native MMI Flag", 9}, {"Deep Sleep Current", 6},
    {"AP Version", 5},       {"T Card", 4},          {"Power Off Current", 2},
};

struct Limits {
  double low;
  double high;
  const char* unit;
  bool decimals;
};

std::string Fixed(double value, bool decimals) {
  char text[32];
  std::snprintf(text, sizeof text, decimals ? "%.2f" : "%.0f", value);
  return text;
}

std::string LimitsText(const Limits& limits) {
  std::string text = "Lo Lim:" + Fixed(limits.low, limits.decimals) +
                     " Hi Lim: " + Fixed(limits.high, limits.decimals);
  if (*limits.unit != '\0') {
    text += std::string(" ") + limits.unit;
  }
  return text;
}

}  // namespace

SampleRuns::SampleRuns(uint32_t seed) : random_(seed) {}

std::vector<SampleStation> SampleRuns::DemoStations(int count) {
  std::vector<SampleStation> stations;
  for (int i = 1; i <= count; ++i) {
    char name[32];
    char host[32];
    std::snprintf(name, sizeof name, "VARNEX-%02d", i);
    std::snprintf(host, sizeof host, "LINE1-PC%02d", i);
    // One station is off: its fail ratio raises the alarm.
    stations.push_back({name, "LINE-1", host, i == 3 ? 0.02 : 0.0015 + 0.001 * (i % 3),
                        i == 2   ? SampleOddity::kChargeCurrentDrift
                        : i == 4 ? SampleOddity::kWideAuxLimits
                        : i == 5 ? SampleOddity::kOldApVersion
                                 : SampleOddity::kNone});
  }
  return stations;
}

std::string SampleRuns::Uuid() {
  uint64_t high = random_();
  uint64_t low = random_();
  high = (high & 0xFFFFFFFFFFFF0FFFULL) | 0x0000000000004000ULL;
  low = (low & 0x3FFFFFFFFFFFFFFFULL) | 0x8000000000000000ULL;
  char text[40];
  std::snprintf(text, sizeof text, "%08x-%04x-%04x-%04x-%012llx", static_cast<unsigned>(high >> 32),
                static_cast<unsigned>((high >> 16) & 0xFFFF), static_cast<unsigned>(high & 0xFFFF),
                static_cast<unsigned>(low >> 48),
                static_cast<unsigned long long>(low & 0xFFFFFFFFFFFFULL));
  return text;
}

std::string SampleRuns::NewPhone() {
  char imei[24];
  std::snprintf(imei, sizeof imei, "86%013llu", static_cast<unsigned long long>(++phones_));
  return imei;
}

// 0 before the last day of the history, 1 at its end and for a record made outside one.
double SampleRuns::DriftShare(int64_t startedMs) const {
  if (!historyEndMs_) {
    return 1.0;
  }
  double share = 1.0 - static_cast<double>(*historyEndMs_ - startedMs) / kDayMs;
  return std::clamp(share, 0.0, 1.0);
}

std::string SampleRuns::Record(const SampleStation& station, int64_t startedMs,
                               int32_t offsetMinutes, bool pass, const std::string& phone) {
  std::string imei1 = phone.empty() ? NewPhone() : phone;
  std::string serial = imei1.substr(imei1.size() - 8);
  std::string imei2 = "87" + imei1.substr(2);  // the second slot's IMEI, from its own range
  std::string sn1 = "VX2026" + serial;
  std::string sn2 = "VY2026" + serial;
  char bt[16];
  std::snprintf(bt, sizeof bt, "00A0C7%06llX",
                static_cast<unsigned long long>(std::stoull(serial) & 0xFFFFFF));
  std::string wifi = std::string("00A0C6") + (bt + 6);

  std::uniform_real_distribution<double> unit(0.0, 1.0);
  std::normal_distribution<double> noise(0.0, 1.0);
  int64_t durationMs = 14000 + static_cast<int64_t>(unit(random_) * 4000);

  // A run that did not get to its checks: the station did not count it.
  std::string outcome = pass ? "PASS" : "FAIL";
  bool counted = true;
  if (!pass && unit(random_) < 0.1) {
    outcome = unit(random_) < 0.5 ? "TIMEOUT" : "LINK_FAILED";
    counted = false;
    durationMs = 3000 + static_cast<int64_t>(unit(random_) * 500);
  }
  std::vector<std::string> failing;
  if (outcome == "FAIL") {
    int total = 0;
    for (const FailureMode& mode : kFailureModes) {
      total += mode.weight;
    }
    int pick = static_cast<int>(unit(random_) * total);
    for (const FailureMode& mode : kFailureModes) {
      if ((pick -= mode.weight) < 0) {
        failing.push_back(mode.item);
        break;
      }
    }
    if (failing.empty()) {
      failing.push_back(kFailureModes[0].item);
    }
    // A current that is off often pulls a second one with it.
    if (failing[0] == "Charge Current" && unit(random_) < 0.3) {
      failing.push_back("Power On Current");
    }
  }
  auto fails = [&failing](const char* item) {
    for (const std::string& f : failing) {
      if (f == item) {
        return true;
      }
    }
    return false;
  };

  Json rows = Json::array();
  auto text = [&](const char* item, const std::string& expected, const std::string& detail,
                  const std::string& failDetail) {
    bool bad = fails(item);
    rows.push_back({{"item", item},
                    {"expected", expected},
                    {"result", bad ? "FAIL" : "PASS"},
                    {"detail", bad ? failDetail : detail}});
  };
  // A drifting value is not held inside the limits: past them it fails its row and the run.
  auto number = [&](const char* item, const Limits& limits, double centre, double spread,
                    bool drifting = false) {
    double value = centre + noise(random_) * spread;
    if (fails(item)) {
      value = limits.high + (limits.high - limits.low) * (0.2 + unit(random_));
    } else if (!drifting) {
      value = std::min(std::max(value, limits.low), limits.high);
    }
    value = limits.decimals ? std::round(value * 100) / 100 : std::round(value);
    bool bad = fails(item) || value < limits.low || value > limits.high;
    if (bad && outcome == "PASS") {
      outcome = "FAIL";
    }
    rows.push_back({{"item", item},
                    {"expected", LimitsText(limits)},
                    {"result", bad ? "FAIL" : "PASS"},
                    {"detail", Fixed(value, limits.decimals)},
                    {"value", value},
                    {"unit", limits.unit},
                    {"low", limits.low},
                    {"high", limits.high}});
  };

  if (counted) {
    text("IMEI1", imei1, "IMEI1: " + imei1, "");
    text("IMEI2", imei2, "IMEI2: " + imei2, "");
    text("IMEI3", "8600000", "IMEI3: " + imei1, "");
    text("SN1", sn1, "SN1: " + sn1, "");
    text("SN2", sn2, "SN2: " + sn2, "");
    text("BT Addr", bt, std::string("BT Addr: ") + bt, "");
    text("WIFI Addr", "00A0C6", "WIFI Addr: " + wifi, "");
    text("Calibration Flag", "---", "All calibration flags set",
         "MMI CIT: not calibrated\r\nFINAL EDGE: not calibrated");
    text("SIM Card", "---", "SIM Card Inserted", "No SIM Card!");
    text("T Card", "---", "T Card Inserted", "No T Card!");
    double aux = station.oddity == SampleOddity::kWideAuxLimits ? 100 : 50;
    number("AUX Voltage 3.6", {3600 - aux, 3600 + aux, "mV", false}, 3600, 8);
    number("FGU Voltage 3.6", {3550, 3650, "mV", false}, 3598, 8);
    number("AUX Voltage 3.8", {3800 - aux, 3800 + aux, "mV", false}, 3801, 8);
    number("FGU Voltage 3.8", {3750, 3850, "mV", false}, 3799, 8);
    number("AUX Voltage 4.2", {4200 - aux, 4200 + aux, "mV", false}, 4199, 9);
    number("FGU Voltage 4.2", {4150, 4250, "mV", false}, 4201, 8);
    rows.push_back({{"item", "FGU Type"},
                    {"expected", "1"},
                    {"result", "PASS"},
                    {"detail", "FGU Type: 1"},
                    {"value", 1},
                    {"unit", ""},
                    {"low", 1},
                    {"high", 1}});
    text("Modem Version", "Project: VARNEX_W1.0", "Mobile Version: Project: VARNEX_W1.0", "");
    std::string apVersion = "VARNEX_AP_W1.0_20261201";
    std::string otherApVersion = "VARNEX_AP_W0.9_20261001";
    if (station.oddity == SampleOddity::kOldApVersion) {
      std::swap(apVersion, otherApVersion);
    }
    text("AP Version", apVersion, "AP Version: " + apVersion, "AP Version: " + otherApVersion);
    text("Native MMI Flag", "---", "LCD: PASS\r\nSingle touch: PASS\r\nKeyPad: PASS",
         "LCD: PASS\r\nSingle touch: FAIL\r\nKeyPad: PASS");
    text("Toll Mark", "---", "MMI station: PASS\r\nCAL station: PASS\r\nFT station: PASS", "");
    text("SecureBoot Enable Flag", "1", "SecureBoot Enable: 1", "SecureBoot Enable: 0");
    bool drifts = station.oddity == SampleOddity::kChargeCurrentDrift;
    number("Charge Current", {410, 490, "mA", false},
           452 + (drifts ? 20 * DriftShare(startedMs) : 0), 12, drifts);
    number("Power On Current", {120, 200, "mA", false}, 158, 10);
    number("Deep Sleep Current", {1.0, 2.3, "mA", true}, 1.6, 0.15);
    number("Power Off Current", {0, 100, "uA", false}, 35, 8);
  }

  int64_t endedMs = startedMs + durationMs;
  Json record = {{"schema", "varnex.run/1"},
                 {"id", Uuid()},
                 {"station",
                  {{"name", station.name},
                   {"line", station.line},
                   {"host", station.host},
                   {"program", "Varnex"},
                   {"version", "1.0.0.1"}}},
                 {"operator", "op" + station.name.substr(station.name.size() - 2)},
                 {"started", FormatLocal(startedMs, offsetMinutes)},
                 {"ended", FormatLocal(endedMs, offsetMinutes)},
                 {"durationMs", durationMs},
                 {"codes",
                  {{"imei1", imei1},
                   {"imei2", imei2},
                   {"imei3", ""},
                   {"sn1", sn1},
                   {"sn2", sn2},
                   {"bt", bt},
                   {"wifi", wifi}}},
                 {"outcome", outcome},
                 {"counted", counted},
                 {"rows", std::move(rows)}};
  if (counted) {
    record["testLog"] = "C:\\Varnex\\result\\" +
                        FormatLocal(startedMs, offsetMinutes).substr(0, 10) + "\\" + imei1 + ".csv";
  }
  return record.dump();
}

void SampleRuns::History(
    const std::vector<SampleStation>& stations, int64_t fromMs, int64_t toMs, double perHour,
    int32_t offsetMinutes,
    const std::function<void(const SampleStation&, const std::string&)>& sink) {
  historyEndMs_ = toMs;
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  // A run takes its time (up to 18 s); the rest of the mean gap between phones is random.
  double meanGap = 3600000.0 / perHour;
  int64_t busy = static_cast<int64_t>(std::min(18000.0, meanGap / 2));
  std::exponential_distribution<double> gap(1.0 / (meanGap - static_cast<double>(busy)));
  for (const SampleStation& station : stations) {
    std::vector<std::pair<int64_t, std::string>> retests;  // failed phones coming back
    int64_t at = fromMs + static_cast<int64_t>(gap(random_));
    while (at < toMs) {
      // Output dips at night, as lines run fewer phones on the late shift.
      int64_t hour = (at / kHourMs + offsetMinutes / 60) % 24;
      if (hour < 6 && unit(random_) < 0.5) {
        at += busy + static_cast<int64_t>(gap(random_));
        continue;
      }
      std::string phone;
      double failRate = station.failRate;
      if (!retests.empty() && retests.front().first <= at) {
        phone = retests.front().second;
        retests.erase(retests.begin());
        failRate = 0.3;  // a retest fails again less often than not
      } else {
        phone = NewPhone();
      }
      bool pass = unit(random_) >= failRate;
      sink(station, Record(station, at, offsetMinutes, pass, phone));
      if (!pass && failRate < 0.3) {
        retests.emplace_back(at + 5 * 60000, phone);
      }
      at += busy + static_cast<int64_t>(gap(random_));
    }
  }
}

}  // namespace line
