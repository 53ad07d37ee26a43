#include "line/server/QueryParams.h"

#include "contract/RecordLimits.h"
#include "devices/admit/core/Hex.h"
#include "line/core/Timestamp.h"

namespace line {
namespace {

std::string Decode(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    uint8_t byte = 0;
    if (text[i] == '%' && admit::FromHex(text.substr(i + 1, 2), &byte, 1)) {
      out += static_cast<char>(byte);
      i += 2;
    } else {
      out += text[i] == '+' ? ' ' : text[i];
    }
  }
  return out;
}

}  // namespace

QueryParams::QueryParams(std::string_view query) {
  while (!query.empty()) {
    size_t end = query.find('&');
    std::string_view pair = query.substr(0, end);
    size_t equals = pair.find('=');
    std::string name = Decode(pair.substr(0, equals));
    std::string value = equals == std::string_view::npos ? "" : Decode(pair.substr(equals + 1));
    values_.emplace(std::move(name), std::move(value));
    query = end == std::string_view::npos ? std::string_view() : query.substr(end + 1);
  }
}

std::string QueryParams::Text(const char* name, size_t most) const {
  auto found = values_.find(name);
  if (found == values_.end()) {
    return {};
  }
  const std::string& value = found->second;
  if (value.size() > most) {
    throw ParamError{std::string(name) + ": longer than " + std::to_string(most) + " bytes"};
  }
  // A NUL would end the text early in a store's driver: "a%00b" would ask for "a".
  for (char c : value) {
    auto byte = static_cast<unsigned char>(c);
    if (byte < 0x80 && record_limits::IsRefusedControl(byte)) {
      throw ParamError{std::string(name) + ": holds a control character"};
    }
  }
  return value;
}

std::optional<int64_t> QueryParams::Time(const char* name) const {
  std::string value = Text(name);
  if (value.empty()) {
    return std::nullopt;
  }
  std::optional<int64_t> time = ParseTimestamp(value);
  if (!time) {
    throw ParamError{std::string(name) + ": not a time like 2026-12-09T10:00:00Z"};
  }
  return time;
}

int64_t QueryParams::Limit(int64_t fallback, int64_t most) const {
  return Count("limit", fallback, 1, most);
}

int64_t QueryParams::Count(const char* name, int64_t fallback, int64_t least, int64_t most) const {
  std::string value = Text(name);
  if (value.empty()) {
    return fallback;
  }
  std::string refusal = std::string(name) + ": not a number from " + std::to_string(least) +
                        " to " + std::to_string(most);
  int64_t count = 0;
  for (char c : value) {
    if (c < '0' || c > '9' || count > most) {
      throw ParamError{refusal};
    }
    count = count * 10 + (c - '0');
  }
  if (count < least || count > most) {
    throw ParamError{refusal};
  }
  return count;
}

std::string QueryParams::Required(const char* name, size_t most) const {
  std::string value = Text(name, most);
  if (value.empty()) {
    throw ParamError{std::string(name) + ": missing"};
  }
  return value;
}

Bucket QueryParams::BucketParam() const {
  std::string value = Text("bucket");
  std::optional<Bucket> bucket = ParseBucket(value.empty() ? "hour" : value);
  if (!bucket) {
    throw ParamError{"bucket: not hour or day"};
  }
  return *bucket;
}

int32_t QueryParams::Offset() const {
  std::string value = Text("tz");
  if (value.empty()) {
    return 0;
  }
  // An unencoded "+08:00" in an address arrives as " 08:00".
  if (value[0] == ' ') {
    value[0] = '+';
  }
  std::optional<int32_t> offset = ParseUtcOffset(value);
  if (!offset) {
    throw ParamError{"tz: not an offset like +08:00 or Z"};
  }
  return *offset;
}

TimeRange RangeParams(const QueryParams& params, int64_t nowMs, int64_t spanMs, int64_t longestMs) {
  int64_t to = params.Time("to").value_or(nowMs);
  int64_t from = params.Time("from").value_or(to - spanMs);
  if (from > to) {
    throw ParamError{"from: later than to"};
  }
  if (to - from > longestMs) {
    throw ParamError{"from: more than " + std::to_string(longestMs / kDayMs) + " days before to"};
  }
  return {from, to};
}

}  // namespace line
