#include "line/server/QueryParams.h"

#include <httplib.h>

#include "line/core/Timestamp.h"

namespace line {
namespace {

constexpr size_t kMaxParamBytes = 128;

}  // namespace

std::string TextParam(const httplib::Request& request, const char* name) {
  std::string value = request.get_param_value(name);
  if (value.size() > kMaxParamBytes) {
    throw ParamError{std::string(name) + ": longer than " + std::to_string(kMaxParamBytes) +
                     " bytes"};
  }
  return value;
}

std::optional<int64_t> TimeParam(const httplib::Request& request, const char* name) {
  std::string value = TextParam(request, name);
  if (value.empty()) {
    return std::nullopt;
  }
  std::optional<int64_t> time = ParseTimestamp(value);
  if (!time) {
    throw ParamError{std::string(name) + ": not a time like 2026-12-09T10:00:00Z"};
  }
  return time;
}

int64_t LimitParam(const httplib::Request& request, int64_t fallback, int64_t most) {
  std::string value = TextParam(request, "limit");
  if (value.empty()) {
    return fallback;
  }
  int64_t limit = 0;
  for (char c : value) {
    if (c < '0' || c > '9' || limit > most) {
      throw ParamError{"limit: not a number from 1 to " + std::to_string(most)};
    }
    limit = limit * 10 + (c - '0');
  }
  if (limit < 1 || limit > most) {
    throw ParamError{"limit: not a number from 1 to " + std::to_string(most)};
  }
  return limit;
}

Bucket BucketParam(const httplib::Request& request) {
  std::string value = TextParam(request, "bucket");
  std::optional<Bucket> bucket = ParseBucket(value.empty() ? "hour" : value);
  if (!bucket) {
    throw ParamError{"bucket: not hour or day"};
  }
  return *bucket;
}

int32_t OffsetParam(const httplib::Request& request) {
  std::string value = TextParam(request, "tz");
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

TimeRange RangeParams(const httplib::Request& request, int64_t nowMs, int64_t spanMs) {
  int64_t to = TimeParam(request, "to").value_or(nowMs);
  int64_t from = TimeParam(request, "from").value_or(to - spanMs);
  if (from > to) {
    throw ParamError{"from: later than to"};
  }
  return {from, to};
}

}  // namespace line
