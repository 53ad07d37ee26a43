// Times of the line: the record's local times with their offset, turned into UTC milliseconds
// for storing, bucketing and comparing, and UTC texts for the service's answers.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace line {

// "2026-12-09T10:15:02.123+08:00" (or "Z" for UTC; zero to nine fraction digits) as
// milliseconds since 1970-01-01T00:00:00Z. Anything else, an impossible date or time
// included, is nullopt.
std::optional<int64_t> ParseTimestamp(std::string_view text);

// "2026-12-09T02:15:02.123Z".
std::string FormatUtc(int64_t epochMs);

// "2026-12-09T10:15:02.123+08:00": the local time at `offsetMinutes` east of UTC, as a
// station writes it.
std::string FormatLocal(int64_t epochMs, int32_t offsetMinutes);

inline constexpr int64_t kHourMs = 3600 * 1000;
inline constexpr int64_t kDayMs = 24 * kHourMs;

// The start of the hour or day that holds `epochMs`; days begin at midnight of the given
// offset from UTC (minutes east).
int64_t HourStart(int64_t epochMs);
int64_t DayStart(int64_t epochMs, int32_t offsetMinutes);

// The system clock in milliseconds since 1970-01-01T00:00:00Z.
int64_t NowMs();

// Minutes east of UTC as "+08:00", "-05:30", or "Z" for 0.
std::string FormatOffset(int32_t offsetMinutes);

// "+08:00", "-05:30" or "Z" as minutes east of UTC.
std::optional<int32_t> ParseUtcOffset(std::string_view text);

}  // namespace line
