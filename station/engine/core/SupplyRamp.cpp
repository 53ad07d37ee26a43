#include "station/engine/core/SupplyRamp.h"

std::vector<float> RampSteps(float target) {
  std::vector<float> steps;
  float x = kRampStep;
  do {
    steps.push_back(x);
    // Stored back as a float each time: the supply sees exactly these accumulated values.
    x = static_cast<float>(x + kRampStep);
  } while (x < target && static_cast<int>(steps.size()) < kMaxRampSteps);
  return steps;
}
