#include "station/engine/core/CurrentSampling.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace {
constexpr float kHighestValidReading = 999999.0f;
}  // namespace

bool IsValidCurrentReading(float milliamperes) {
  return milliamperes >= 0.0f && milliamperes <= kHighestValidReading;
}

CurrentSamples SampleCurrents(int32_t count, int32_t initialResult,
                              const std::function<void(float& reading, int32_t& result)>& measure) {
  CurrentSamples samples;
  samples.counted = count;
  samples.result = initialResult;
  float reading = 0.0f;
  for (int32_t i = 0; i < count; ++i) {
    measure(reading, samples.result);
    if (!IsValidCurrentReading(reading)) {
      reading = 0.0f;
      --samples.counted;
    }
    samples.sum += reading;
    if (samples.result != 0) {
      break;
    }
  }
  return samples;
}

bool AverageCurrent(const CurrentSamples& samples, float* average) {
  if (samples.counted <= 0) {
    return false;
  }
  *average = samples.sum / static_cast<float>(samples.counted);
  return true;
}

float LeakCurrentRange(float milliamperes) {
  if (milliamperes < 10.0f) {
    return 0.02f;
  }
  if (milliamperes < 20.0f) {
    return 3.0f;
  }
  if (milliamperes < 1000.0f) {
    return 1.0f;
  }
  return 3.0f;
}

int32_t TruncateReading(float milliamperes) {
  if (std::isnan(milliamperes)) {
    return 0;
  }
  // 2147483520 is the largest float below 2^31.
  if (milliamperes >= 2147483520.0f) {
    return INT32_MAX;
  }
  if (milliamperes <= -2147483648.0f) {
    return INT32_MIN;
  }
  return static_cast<int32_t>(milliamperes);
}

void FormatCurrentValue(bool valid, float value, char* out, size_t outSize) {
  if (outSize == 0) {
    return;
  }
  if (!valid || std::isnan(value)) {
    std::snprintf(out, outSize, "%s", "No valid reading");
    return;
  }
  std::snprintf(out, outSize, "%.2f", static_cast<double>(value));
}

double ShownCurrentValue(float value) {
  char text[64] = {};
  std::snprintf(text, sizeof(text), "%.2f", static_cast<double>(value));
  return std::strtod(text, nullptr);
}
