// The parameters of a request's address (and of a form's body), decoded and checked: a bad one
// is refused naming it.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "line/core/LineRules.h"

namespace line {

struct ParamError {
  std::string text;  // "<param>: <what is wrong>"
};

// "a=1&b=x%20y" (also a form body): '+' is a blank, %XX a byte; the first of repeated names.
class QueryParams {
 public:
  explicit QueryParams(std::string_view query);

  // Each throws ParamError. Texts are at most `most` bytes and hold no control character.
  std::string Text(const char* name, size_t most = 128) const;
  bool Has(const char* name) const { return values_.count(name) > 0; }
  std::optional<int64_t> Time(const char* name) const;
  int64_t Limit(int64_t fallback, int64_t most) const;
  // A whole number from `least` to `most`; `fallback` when not given.
  int64_t Count(const char* name, int64_t fallback, int64_t least, int64_t most) const;
  // A text that must be given.
  std::string Required(const char* name, size_t most = 128) const;
  Bucket BucketParam() const;
  int32_t Offset() const;  // "tz", minutes east of UTC

 private:
  std::map<std::string, std::string, std::less<>> values_;
};

// The time range [from, to) of a request; `span` back from `to` (default now) without `from`;
// refused when longer than `longest`.
struct TimeRange {
  int64_t fromMs;
  int64_t toMs;
};
TimeRange RangeParams(const QueryParams& params, int64_t nowMs, int64_t spanMs, int64_t longestMs);

}  // namespace line
