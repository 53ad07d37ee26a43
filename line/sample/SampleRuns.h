// Records of a believable line for the demo and the benchmarks: the 26 rows of a full check
// with the demo station's limits, good phones, phones failing one or two checks (SIM card,
// currents, calibration flags, ...), retests of failed phones, and now and then a run that
// timed out or lost its link.
#pragma once

#include <cstdint>
#include <functional>
#include <random>
#include <string>
#include <vector>

namespace line {

struct SampleStation {
  std::string name;
  std::string line;
  std::string host;
  double failRate = 0.03;  // of a phone's first attempt
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

  // The demo line's stations.
  static std::vector<SampleStation> DemoStations(int count);

 private:
  std::string Uuid();
  std::string NewPhone();

  std::mt19937_64 random_;
  uint64_t phones_ = 0;
};

}  // namespace line
