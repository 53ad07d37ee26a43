// The query parameters of the read routes, checked: a bad one is refused naming it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "line/core/LineRules.h"

namespace httplib {
struct Request;
}

namespace line {

struct ParamError {
  std::string text;  // "<param>: <what is wrong>"
};

// Each throws ParamError.
std::string TextParam(const httplib::Request& request, const char* name);
std::optional<int64_t> TimeParam(const httplib::Request& request, const char* name);
int64_t LimitParam(const httplib::Request& request, int64_t fallback, int64_t most);
Bucket BucketParam(const httplib::Request& request);
int32_t OffsetParam(const httplib::Request& request);  // "tz", minutes east of UTC

// The time range [from, to) of a request; `span` back from `to` (default now) without `from`.
struct TimeRange {
  int64_t fromMs;
  int64_t toMs;
};
TimeRange RangeParams(const httplib::Request& request, int64_t nowMs, int64_t spanMs);

}  // namespace line
