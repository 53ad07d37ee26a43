// What the sender does with the service's answer to a record, and how long it waits before it
// tries again.
#pragma once

#include <cstdint>

enum class Delivery {
  Stored,    // 200 (the same record was already there) or 201: the record goes to sent\ .
  Rejected,  // 400, 409 or 413: the service will never take it; it goes to rejected\ .
  Retry,     // anything else, or no answer: it stays in the spool and is sent again later.
};

Delivery ClassifyAnswer(int32_t httpStatus);

// The wait before the next try after `failures` failed tries in a row: doubling from 2 s up to
// 5 min, of which a random part (`unitRandom` in [0, 1)) of up to a half is taken off, so that
// the stations of a line do not all come back at the same moment. 0 for no failure.
uint32_t RetryDelayMs(uint32_t failures, double unitRandom);

inline constexpr uint32_t kFirstRetryMs = 2000;
inline constexpr uint32_t kLongestRetryMs = 5 * 60 * 1000;
