// A record within the limits the line service holds every record to (contract/RecordLimits.h),
// so that the station never spools a record the service refuses for its size or characters.
#pragma once

#include <cstddef>

#include "contract/RecordLimits.h"
#include "station/results/core/RunRecord.h"

// Room kept free below the service's size limit for what the station may add to a spooled
// record later (the former name of an adopted record).
inline constexpr size_t kRecordReserveBytes = 1024;
inline constexpr size_t kRecordBudgetBytes = record_limits::kMaxRecordBytes - kRecordReserveBytes;

// Fits every field: names and codes to 128 bytes, texts to 16 KiB, at most 512 rows, numbers
// the service takes (a magnitude below 1e-300 becomes 0; a row whose value or limits are not
// finite or beyond 1e300 keeps its texts without the number), durationMs within 0 .. 2^53. When
// the spooled file would still exceed kRecordBudgetBytes, the free texts (expected, detail,
// test log) are cut further, all to one common length, and rows go from the end only if that
// is not enough.
void FitRecordToLimits(RunRecord& record);
