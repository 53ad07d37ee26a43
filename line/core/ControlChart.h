// The individuals control chart of a station's item: its centre, the control limits from the
// mean moving range, and the points where one of the four Western Electric patterns completes.
#pragma once

#include <cstddef>
#include <optional>
#include <vector>

namespace line {

struct ChartSignal {
  size_t index = 0;  // the point that completes the pattern
  int rule = 0;      // 1 to 4
  bool operator==(const ChartSignal&) const = default;
};

struct ControlChart {
  std::optional<double> center;  // the mean; none without points
  std::optional<double> mrBar;   // none with fewer than two points
  std::optional<double> ucl;     // center ± 2.66 × mrBar
  std::optional<double> lcl;
  std::vector<ChartSignal> signals;  // by index, then rule
};

// σ = mrBar / 1.128. Rule 1: a point beyond 3σ. Rule 2: two of three consecutive points beyond
// 2σ on one side. Rule 3: four of five beyond 1σ on one side. Rule 4: eight consecutive points on
// one side of the centre. "Beyond" is strict; a point on the centre is on neither side. Every
// point at which a pattern is complete signals.
ControlChart ChartOf(const std::vector<double>& values);

}  // namespace line
