// Records of a believable line for the demo and the benchmarks: the 26 rows of a full check
// with the demo station's limits, good phones, phones failing one or two checks (SIM card,
// currents, calibration flags, ...), retests of failed phones, and now and then a run that
// timed out or lost its link. A few demo stations depart from the rest of the line, so the
// line's statistics have something to show.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace line {

// How a station departs from the rest of the line.
enum class SampleOddity {
  kNone,
  kChargeCurrentDrift,  // "Charge Current" climbs toward its high limit over the last day
  kWideAuxLimits,       // judges the AUX voltages against wider limits
  kOldApVersion,        // still expects the older AP version and passes phones showing it
};

struct SampleStation {
  std::string name;
  std::string line;
  std::string host;
  double failRate = 0.03;  // of a phone's first attempt
  SampleOddity oddity = SampleOddity::kNone;
};

class SampleRuns {
 public:
  explicit SampleRuns(uint32_t seed);

  // One run's record, started at `startedMs` (UTC) on a station whose clock runs
  // `offsetMinutes` east of UTC. A failing run fails `failing` (empty: chosen at random).
  std::string Record(const SampleStation& station, int64_t startedMs, int32_t offsetMinutes,
                     bool pass, const std::string& phone = {});

  // A line's history from `fromMs` to `toMs`: each station checks about `perHour` phones an
  // hour; a phone that fails is checked again a few minutes later. Calls `sink` with each
  // record in start order per station.
  void History(const std::vector<SampleStation>& stations, int64_t fromMs, int64_t toMs,
               double perHour, int32_t offsetMinutes,
               const std::function<void(const SampleStation&, const std::string&)>& sink);

  // The demo line's stations: the third fails often, the second drifts, the fourth judges
  // with wider limits and the fifth expects an older software version.
  static std::vector<SampleStation> DemoStations(int count);

 private:
  std::string Uuid();
  std::string NewPhone();
  double DriftShare(int64_t startedMs) const;

  // The end of the history being made: a drift climbs during the day before it.
  std::optional<int64_t> historyEndMs_;

  std::mt19937_64 random_;
  uint64_t phones_ = 0;
};

}  // namespace line
