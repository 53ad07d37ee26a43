// What a run record may hold: one table that the station's record builder and the line
// service's record reader both use, so that a station never produces a record the service
// refuses for its size or its characters. Plain C++ without a platform header: the station
// (MinGW) and the service (Linux) include it alike.
#pragma once

#include <cstddef>
#include <cstdint>

namespace record_limits {

// The whole record as sent, by any transfer encoding.
inline constexpr size_t kMaxRecordBytes = 256 * 1024;
// Names: station, line, host, program, version, operator, outcome, a row's item, result and
// unit, and the two times as written.
inline constexpr size_t kMaxNameBytes = 128;
// Each of the scanned codes (imei1 ... wifi).
inline constexpr size_t kMaxCodeBytes = 128;
// Free texts: a row's expected value and detail, the test log's path.
inline constexpr size_t kMaxTextBytes = 16 * 1024;
inline constexpr size_t kMaxRows = 512;

// A number (value, low, high) survives the trip through any JSON reader and any store when it
// is 0 or its magnitude lies in [kSmallestMagnitude, kLargestMagnitude].
inline constexpr double kSmallestMagnitude = 1e-300;
inline constexpr double kLargestMagnitude = 1e300;
constexpr bool NumberFits(double value) {
  double magnitude = value < 0 ? -value : value;
  return value == 0 || (magnitude >= kSmallestMagnitude && magnitude <= kLargestMagnitude);
}

// durationMs: a whole number that every JSON reader holds exactly.
inline constexpr int64_t kMaxDurationMs = int64_t{1} << 53;

// A run may start at most this long after the service's clock: a station whose clock is ahead
// further than that has it wrong.
inline constexpr int64_t kMostAheadMs = 24 * 60 * 60 * 1000;

// Texts carry no control character but TAB, CR and LF: no C0 control (NUL included), no DEL,
// no C1 control (U+0080 to U+009F). Takes a Unicode code point.
constexpr bool IsRefusedControl(uint32_t codePoint) {
  if (codePoint == '\t' || codePoint == '\r' || codePoint == '\n') {
    return false;
  }
  return codePoint < 0x20 || (codePoint >= 0x7F && codePoint <= 0x9F);
}

}  // namespace record_limits
