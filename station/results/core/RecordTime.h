// The record's times: ISO 8601 local time to the millisecond with the offset from UTC,
// "2026-12-09T14:03:07.123+08:00".
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "station/results/core/RunRecord.h"

std::string FormatTimestamp(const Timestamp& time);
// Reads what FormatTimestamp writes ("Z" is taken for +00:00); nothing for any other text or a
// date or time that does not exist.
std::optional<Timestamp> ParseTimestamp(std::string_view text);
// "2026-12-09": the day folder of a record.
std::string DateText(const Timestamp& time);
