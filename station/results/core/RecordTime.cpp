#include "station/results/core/RecordTime.h"

#include <cstdio>
#include <cstdlib>

namespace {

constexpr int kLongestOffsetMinutes = 14 * 60;

bool IsLeapYear(int year) {
  return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(int year, int month) {
  constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

// Reads exactly `digits` decimal digits at `at`.
bool Digits(std::string_view text, size_t at, size_t digits, int& value) {
  if (at + digits > text.size()) {
    return false;
  }
  value = 0;
  for (size_t i = at; i < at + digits; ++i) {
    if (text[i] < '0' || text[i] > '9') {
      return false;
    }
    value = value * 10 + (text[i] - '0');
  }
  return true;
}

bool Is(std::string_view text, size_t at, char c) {
  return at < text.size() && text[at] == c;
}

bool Valid(const Timestamp& t) {
  return t.year >= 1 && t.month >= 1 && t.month <= 12 && t.day >= 1 &&
         t.day <= DaysInMonth(t.year, t.month) && t.hour <= 23 && t.minute <= 59 &&
         t.second <= 59 && t.millisecond <= 999 &&
         std::abs(t.offsetMinutes) <= kLongestOffsetMinutes;
}

}  // namespace

std::string FormatTimestamp(const Timestamp& time) {
  const int offset = std::abs(time.offsetMinutes);
  char text[96];  // room for any int in every field
  std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03d%c%02d:%02d", time.year,
                time.month, time.day, time.hour, time.minute, time.second, time.millisecond,
                time.offsetMinutes < 0 ? '-' : '+', offset / 60, offset % 60);
  return text;
}

std::optional<Timestamp> ParseTimestamp(std::string_view text) {
  Timestamp t;
  if (!Digits(text, 0, 4, t.year) || !Is(text, 4, '-') || !Digits(text, 5, 2, t.month) ||
      !Is(text, 7, '-') || !Digits(text, 8, 2, t.day) || !Is(text, 10, 'T') ||
      !Digits(text, 11, 2, t.hour) || !Is(text, 13, ':') || !Digits(text, 14, 2, t.minute) ||
      !Is(text, 16, ':') || !Digits(text, 17, 2, t.second) || !Is(text, 19, '.') ||
      !Digits(text, 20, 3, t.millisecond)) {
    return std::nullopt;
  }
  if (text.size() == 24 && text[23] == 'Z') {
    t.offsetMinutes = 0;
  } else {
    int hours = 0;
    int minutes = 0;
    if (text.size() != 29 || (text[23] != '+' && text[23] != '-') || !Digits(text, 24, 2, hours) ||
        !Is(text, 26, ':') || !Digits(text, 27, 2, minutes) || minutes > 59) {
      return std::nullopt;
    }
    t.offsetMinutes = (text[23] == '-' ? -1 : 1) * (hours * 60 + minutes);
  }
  if (!Valid(t)) {
    return std::nullopt;
  }
  return t;
}

std::string DateText(const Timestamp& time) {
  char text[16];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d", time.year % 10000, time.month % 100,
                time.day % 100);
  return text;
}
