#include "SimText.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace sim {

namespace {

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

char Lower(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

int DigitValue(char c, int base) {
  int value = -1;
  if (c >= '0' && c <= '9') {
    value = c - '0';
  } else if (Lower(c) >= 'a' && Lower(c) <= 'f') {
    value = Lower(c) - 'a' + 10;
  }
  return value < base ? value : -1;
}

}  // namespace

std::string_view Trim(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) {
    text.remove_prefix(1);
  }
  while (!text.empty() && IsBlank(text.back())) {
    text.remove_suffix(1);
  }
  return text;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) {
    return false;
  }
  for (size_t i = 0; i < a.size(); ++i) {
    if (Lower(a[i]) != Lower(b[i])) {
      return false;
    }
  }
  return true;
}

std::optional<int64_t> ParseInteger(std::string_view text) {
  text = Trim(text);
  bool negative = false;
  if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  int base = 10;
  if (text.size() > 2 && text[0] == '0' && Lower(text[1]) == 'x') {
    base = 16;
    text.remove_prefix(2);
  }
  if (text.empty()) {
    return std::nullopt;
  }
  // Enough for any 32-bit value with room to spare; longer texts are refused, not wrapped.
  constexpr uint64_t kLimit = uint64_t{1} << 40;
  uint64_t value = 0;
  for (char c : text) {
    int digit = DigitValue(c, base);
    if (digit < 0) {
      return std::nullopt;
    }
    value = value * static_cast<uint64_t>(base) + static_cast<uint64_t>(digit);
    if (value > kLimit) {
      return std::nullopt;
    }
  }
  int64_t signedValue = static_cast<int64_t>(value);
  return negative ? -signedValue : signedValue;
}

std::optional<double> ParseDecimal(std::string_view text) {
  text = Trim(text);
  if (text.empty() || text.size() > 64) {
    return std::nullopt;
  }
  char copy[65] = {};
  std::memcpy(copy, text.data(), text.size());
  // Only plain decimal notation; strtod would also take hex floats, "inf" and "nan".
  for (char c : text) {
    if (!((c >= '0' && c <= '9') || c == '.' || c == '-' || c == '+' || c == 'e' || c == 'E')) {
      return std::nullopt;
    }
  }
  char* end = nullptr;
  errno = 0;
  double value = std::strtod(copy, &end);
  if (end != copy + text.size() || errno == ERANGE || !std::isfinite(value)) {
    return std::nullopt;
  }
  return value;
}

std::string Unescape(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c != '\\' || i + 1 == text.size()) {
      out.push_back(c);
      continue;
    }
    char next = text[i + 1];
    switch (next) {
      case 'r':
        out.push_back('\r');
        break;
      case 'n':
        out.push_back('\n');
        break;
      case 't':
        out.push_back('\t');
        break;
      case '\\':
      case '"':
      case '=':
        out.push_back(next);
        break;
      default:
        out.push_back(c);
        out.push_back(next);
        break;
    }
    ++i;
  }
  return out;
}

size_t CopyTerminated(std::string_view text, char* buffer, size_t size) {
  if (buffer == nullptr || size == 0) {
    return 0;
  }
  size_t n = text.size() < size - 1 ? text.size() : size - 1;
  std::memcpy(buffer, text.data(), n);
  buffer[n] = '\0';
  return n;
}

}  // namespace sim
