#include "line/core/ControlChart.h"

#include <cmath>

namespace line {
namespace {

// Whether, in the `window` points ending at `last`, at least `needed` lie beyond `sigmas` σ on
// one side of the centre.
bool Beyond(const std::vector<double>& values, size_t last, size_t window, size_t needed,
            double center, double sigma, double sigmas) {
  if (last + 1 < window) {
    return false;
  }
  size_t above = 0;
  size_t below = 0;
  for (size_t i = last + 1 - window; i <= last; ++i) {
    above += values[i] > center + sigmas * sigma;
    below += values[i] < center - sigmas * sigma;
  }
  return above >= needed || below >= needed;
}

bool OneSide(const std::vector<double>& values, size_t last, size_t run, double center) {
  if (last + 1 < run) {
    return false;
  }
  size_t above = 0;
  size_t below = 0;
  for (size_t i = last + 1 - run; i <= last; ++i) {
    above += values[i] > center;
    below += values[i] < center;
  }
  return above == run || below == run;
}

}  // namespace

ControlChart ChartOf(const std::vector<double>& values) {
  ControlChart chart;
  if (values.empty()) {
    return chart;
  }
  double sum = 0;
  for (double value : values) {
    sum += value;
  }
  double ranges = 0;
  bool equal = true;
  for (size_t i = 1; i < values.size(); ++i) {
    ranges += std::fabs(values[i] - values[i - 1]);
    equal = equal && values[i] == values[0];
  }
  // Equal values are their own mean, not one a rounding step off that puts them on a side.
  double center = equal ? values[0] : sum / static_cast<double>(values.size());
  chart.center = center;
  if (values.size() < 2) {
    return chart;
  }
  double mrBar = equal ? 0 : ranges / static_cast<double>(values.size() - 1);
  chart.mrBar = mrBar;
  chart.ucl = center + 2.66 * mrBar;
  chart.lcl = center - 2.66 * mrBar;
  double sigma = mrBar / 1.128;
  for (size_t i = 0; i < values.size(); ++i) {
    if (sigma > 0 && std::fabs(values[i] - center) > 3 * sigma) {
      chart.signals.push_back({i, 1});
    }
    if (sigma > 0 && Beyond(values, i, 3, 2, center, sigma, 2)) {
      chart.signals.push_back({i, 2});
    }
    if (sigma > 0 && Beyond(values, i, 5, 4, center, sigma, 1)) {
      chart.signals.push_back({i, 3});
    }
    if (OneSide(values, i, 8, center)) {
      chart.signals.push_back({i, 4});
    }
  }
  return chart;
}

}  // namespace line
