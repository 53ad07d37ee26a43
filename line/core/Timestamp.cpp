#include "line/core/Timestamp.h"

#include <chrono>
#include <cstdio>

namespace line {
namespace {

// Reads exactly `count` digits at `pos`.
bool Digits(std::string_view text, size_t pos, size_t count, int32_t& out) {
  if (pos + count > text.size()) {
    return false;
  }
  int32_t value = 0;
  for (size_t i = pos; i < pos + count; ++i) {
    if (text[i] < '0' || text[i] > '9') {
      return false;
    }
    value = value * 10 + (text[i] - '0');
  }
  out = value;
  return true;
}

int64_t FloorDiv(int64_t a, int64_t b) {
  int64_t q = a / b;
  return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

}  // namespace

std::optional<int32_t> ParseUtcOffset(std::string_view text) {
  if (text == "Z") {
    return 0;
  }
  int32_t hours = 0;
  int32_t minutes = 0;
  if (text.size() != 6 || (text[0] != '+' && text[0] != '-') || text[3] != ':' ||
      !Digits(text, 1, 2, hours) || !Digits(text, 4, 2, minutes) || hours > 23 || minutes > 59) {
    return std::nullopt;
  }
  int32_t total = hours * 60 + minutes;
  return text[0] == '-' ? -total : total;
}

std::optional<int64_t> ParseTimestamp(std::string_view text) {
  int32_t year, month, day, hour, minute, second;
  if (!Digits(text, 0, 4, year) || text.size() < 19 || text[4] != '-' ||
      !Digits(text, 5, 2, month) || text[7] != '-' || !Digits(text, 8, 2, day) || text[10] != 'T' ||
      !Digits(text, 11, 2, hour) || text[13] != ':' || !Digits(text, 14, 2, minute) ||
      text[16] != ':' || !Digits(text, 17, 2, second)) {
    return std::nullopt;
  }
  size_t pos = 19;
  int64_t millis = 0;
  if (pos < text.size() && text[pos] == '.') {
    size_t digits = 0;
    ++pos;
    while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9') {
      if (digits < 3) {
        millis = millis * 10 + (text[pos] - '0');
      }
      ++digits;
      ++pos;
    }
    if (digits == 0 || digits > 9) {
      return std::nullopt;
    }
    for (size_t i = digits; i < 3; ++i) {
      millis *= 10;
    }
  }
  std::optional<int32_t> offset = ParseUtcOffset(text.substr(pos));
  if (!offset) {
    return std::nullopt;
  }
  using namespace std::chrono;
  year_month_day date{std::chrono::year{year}, std::chrono::month{static_cast<unsigned>(month)},
                      std::chrono::day{static_cast<unsigned>(day)}};
  if (year < 1970 || !date.ok() || hour > 23 || minute > 59 || second > 59) {
    return std::nullopt;
  }
  int64_t days = sys_days{date}.time_since_epoch().count();
  int64_t seconds = days * 86400 + hour * 3600 + minute * 60 + second - *offset * 60;
  return seconds * 1000 + millis;
}

namespace {

std::string Format(int64_t epochMs, int32_t offsetMinutes, bool utc) {
  using namespace std::chrono;
  int64_t local = epochMs + int64_t{offsetMinutes} * 60000;
  int64_t days = FloorDiv(local, kDayMs);
  int64_t inDay = local - days * kDayMs;
  year_month_day date{sys_days{std::chrono::days{days}}};
  std::string zone = utc ? "Z" : offsetMinutes == 0 ? "+00:00" : FormatOffset(offsetMinutes);
  char text[48];
  std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02d:%02d:%02d.%03d%s", int{date.year()},
                unsigned{date.month()}, unsigned{date.day()}, static_cast<int>(inDay / kHourMs),
                static_cast<int>(inDay / 60000 % 60), static_cast<int>(inDay / 1000 % 60),
                static_cast<int>(inDay % 1000), zone.c_str());
  return text;
}

}  // namespace

std::string FormatOffset(int32_t offsetMinutes) {
  if (offsetMinutes == 0) {
    return "Z";
  }
  int32_t magnitude = offsetMinutes < 0 ? -offsetMinutes : offsetMinutes;
  char text[16];
  std::snprintf(text, sizeof text, "%c%02d:%02d", offsetMinutes < 0 ? '-' : '+',
                magnitude / 60 % 100, magnitude % 60);
  return text;
}

std::string FormatUtc(int64_t epochMs) {
  return Format(epochMs, 0, true);
}

std::string FormatLocal(int64_t epochMs, int32_t offsetMinutes) {
  return Format(epochMs, offsetMinutes, false);
}

int64_t NowMs() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}

int64_t HourStart(int64_t epochMs) {
  return FloorDiv(epochMs, kHourMs) * kHourMs;
}

int64_t DayStart(int64_t epochMs, int32_t offsetMinutes) {
  int64_t shift = int64_t{offsetMinutes} * 60000;
  return FloorDiv(epochMs + shift, kDayMs) * kDayMs - shift;
}

}  // namespace line
