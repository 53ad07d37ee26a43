#include "station/results/core/DeliveryRules.h"

#include <algorithm>

Delivery ClassifyAnswer(int32_t httpStatus) {
  switch (httpStatus) {
    case 200:
    case 201:
      return Delivery::Stored;
    case 400:
    case 409:
    case 413:
      return Delivery::Rejected;
    default:
      return Delivery::Retry;
  }
}

uint32_t RetryDelayMs(uint32_t failures, double unitRandom) {
  if (failures == 0) {
    return 0;
  }
  uint64_t delay = kFirstRetryMs;
  for (uint32_t i = 1; i < failures && delay < kLongestRetryMs; ++i) {
    delay *= 2;
  }
  delay = std::min<uint64_t>(delay, kLongestRetryMs);
  const double random = std::clamp(unitRandom, 0.0, 1.0);
  const auto jitter = static_cast<uint64_t>(static_cast<double>(delay / 2) * random);
  return static_cast<uint32_t>(delay - std::min(jitter, delay / 2));
}
