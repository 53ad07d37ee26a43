#include "ScpiAnswers.h"

#include <charconv>
#include <cmath>

namespace bench {

namespace {

// SCPI's markers for "no reading": 9.9E37 (overflow) and 9.91E37 (not a number).
constexpr double kOverflowMarker = 9.9e37;

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

std::string_view Field(std::string_view text) {
  return TrimAnswer(text);
}

}  // namespace

std::string_view TrimAnswer(std::string_view answer) {
  while (!answer.empty() && IsBlank(answer.front())) {
    answer.remove_prefix(1);
  }
  while (!answer.empty() && IsBlank(answer.back())) {
    answer.remove_suffix(1);
  }
  return answer;
}

std::optional<double> ParseReading(std::string_view answer) {
  std::string_view text = TrimAnswer(answer);
  if (!text.empty() && text.front() == '+') {
    text.remove_prefix(1);
  }
  // Only decimal forms: from_chars would also take "inf", "nan" and, in hex, other digits.
  for (char c : text) {
    const bool allowed =
        (c >= '0' && c <= '9') || c == '.' || c == '-' || c == '+' || c == 'e' || c == 'E';
    if (!allowed) {
      return std::nullopt;
    }
  }
  double value = 0.0;
  const char* end = text.data() + text.size();
  auto [stop, error] = std::from_chars(text.data(), end, value);
  if (text.empty() || error != std::errc() || stop != end || !std::isfinite(value) ||
      std::fabs(value) >= kOverflowMarker) {
    return std::nullopt;
  }
  return value;
}

std::optional<int32_t> ParseErrorCode(std::string_view answer) {
  std::string_view text = TrimAnswer(answer);
  const size_t comma = text.find(',');
  if (comma == std::string_view::npos) {
    return std::nullopt;
  }
  std::string_view number = Field(text.substr(0, comma));
  if (!number.empty() && number.front() == '+') {
    number.remove_prefix(1);
  }
  int32_t code = 0;
  const char* end = number.data() + number.size();
  auto [stop, error] = std::from_chars(number.data(), end, code);
  if (number.empty() || error != std::errc() || stop != end) {
    return std::nullopt;
  }
  return code;
}

std::optional<Identity> ParseIdentity(std::string_view answer) {
  std::string_view text = TrimAnswer(answer);
  const size_t first = text.find(',');
  if (first == std::string_view::npos) {
    return std::nullopt;
  }
  const size_t second = text.find(',', first + 1);
  Identity identity;
  identity.maker = Field(text.substr(0, first));
  identity.model = Field(text.substr(
      first + 1, second == std::string_view::npos ? std::string_view::npos : second - first - 1));
  if (identity.maker.empty() || identity.model.empty()) {
    return std::nullopt;
  }
  return identity;
}

}  // namespace bench
