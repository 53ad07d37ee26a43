#include "station/config/ProfileText.h"

#include <cfloat>
#include <cstdio>
#include <cstdlib>

namespace {

bool IsBlank(wchar_t c) {
  return c == L' ' || c == L'\t' || c == L'\n' || c == L'\r' || c == L'\v' || c == L'\f';
}

bool IsDigit(wchar_t c) {
  return c >= L'0' && c <= L'9';
}

// The longest stretch of a text-float value that is looked at.
constexpr size_t kFloatChars = 63;

}  // namespace

int32_t TextToInt(const wchar_t* text) {
  if (text == nullptr) {
    return 0;
  }
  const wchar_t* p = text;
  while (IsBlank(*p)) {
    ++p;
  }
  bool negative = false;
  if (*p == L'-' || *p == L'+') {
    negative = *p == L'-';
    ++p;
  }
  // Magnitude kept at most one past INT32_MAX, so the negative end fits as well.
  constexpr int64_t kLimit = int64_t{INT32_MAX} + 1;
  int64_t magnitude = 0;
  while (IsDigit(*p)) {
    magnitude = magnitude * 10 + (*p - L'0');
    if (magnitude > kLimit) {
      magnitude = kLimit;
    }
    ++p;
  }
  if (negative) {
    return static_cast<int32_t>(-magnitude);
  }
  return static_cast<int32_t>(magnitude > INT32_MAX ? INT32_MAX : magnitude);
}

float TextToFloat(const wchar_t* text) {
  if (text == nullptr) {
    return 0.0f;
  }
  // Copy the number's own characters, checked for form, into a narrow buffer; strtod then
  // only ever sees a plain decimal number (never "inf", "nan" or hex forms).
  char number[kFloatChars + 1];
  size_t n = 0;
  size_t i = 0;
  auto at = [&](size_t k) -> wchar_t { return k < kFloatChars ? text[k] : L'\0'; };
  while (IsBlank(at(i))) {
    ++i;
  }
  if (at(i) == L'-' || at(i) == L'+') {
    number[n++] = static_cast<char>(at(i++));
  }
  size_t digits = 0;
  while (IsDigit(at(i))) {
    number[n++] = static_cast<char>(at(i++));
    ++digits;
  }
  if (at(i) == L'.') {
    number[n++] = '.';
    ++i;
    while (IsDigit(at(i))) {
      number[n++] = static_cast<char>(at(i++));
      ++digits;
    }
  }
  if (digits == 0) {
    return 0.0f;
  }
  if (at(i) == L'e' || at(i) == L'E') {
    size_t j = i + 1;
    if (at(j) == L'-' || at(j) == L'+') {
      ++j;
    }
    if (IsDigit(at(j))) {
      while (i < j) {
        number[n++] = static_cast<char>(at(i++));
      }
      while (IsDigit(at(i))) {
        number[n++] = static_cast<char>(at(i++));
      }
    }
  }
  number[n] = '\0';
  double value = std::strtod(number, nullptr);
  if (value > FLT_MAX) {
    value = FLT_MAX;
  } else if (value < -FLT_MAX) {
    value = -FLT_MAX;
  }
  return static_cast<float>(value);
}

size_t WidenAscii(const char* text, wchar_t* out, size_t capacity) {
  if (out == nullptr || capacity == 0) {
    return 0;
  }
  size_t n = 0;
  if (text != nullptr) {
    for (; n + 1 < capacity && text[n] != '\0'; ++n) {
      out[n] = static_cast<wchar_t>(static_cast<unsigned char>(text[n]));
    }
  }
  out[n] = L'\0';
  return n;
}

size_t CopyText(const wchar_t* text, size_t sourceCapacity, wchar_t* out, size_t capacity) {
  if (out == nullptr || capacity == 0) {
    return 0;
  }
  size_t n = 0;
  if (text != nullptr) {
    for (; n + 1 < capacity && n < sourceCapacity && text[n] != L'\0'; ++n) {
      out[n] = text[n];
    }
  }
  out[n] = L'\0';
  return n;
}

size_t FormatInt(int32_t value, wchar_t* out, size_t capacity) {
  char text[16];
  std::snprintf(text, sizeof text, "%d", static_cast<int>(value));
  return WidenAscii(text, out, capacity);
}

size_t FormatFloat(float value, wchar_t* out, size_t capacity) {
  // The float range needs 39 digits, a point and six decimals.
  char text[64];
  std::snprintf(text, sizeof text, "%f", static_cast<double>(value));
  return WidenAscii(text, out, capacity);
}

size_t FormatFloatTwo(float value, wchar_t* out, size_t capacity) {
  char text[64];
  std::snprintf(text, sizeof text, "%.2f", static_cast<double>(value));
  return WidenAscii(text, out, capacity);
}
