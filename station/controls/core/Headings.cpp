#include "station/controls/core/Headings.h"

#include <limits>

namespace controls {

int32_t LeadingInteger(std::wstring_view text) {
  size_t at = 0;
  while (at < text.size() && (text[at] == L' ' || text[at] == L'\t' || text[at] == L'\n' ||
                              text[at] == L'\r' || text[at] == L'\v' || text[at] == L'\f')) {
    ++at;
  }
  bool negative = false;
  if (at < text.size() && (text[at] == L'+' || text[at] == L'-')) {
    negative = text[at] == L'-';
    ++at;
  }
  int64_t value = 0;
  constexpr int64_t kLimit = int64_t{std::numeric_limits<int32_t>::max()} + 1;
  while (at < text.size() && text[at] >= L'0' && text[at] <= L'9') {
    value = value * 10 + (text[at] - L'0');
    if (value > kLimit) {
      value = kLimit;
    }
    ++at;
  }
  if (negative) {
    value = -value;
  }
  if (value > std::numeric_limits<int32_t>::max()) {
    value = std::numeric_limits<int32_t>::max();
  }
  return static_cast<int32_t>(value);
}

std::vector<ColumnHeading> ParseHeadings(std::wstring_view text) {
  std::vector<ColumnHeading> columns;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find(L';', start);
    if (end == std::wstring_view::npos) {
      end = text.size();
    }
    std::wstring_view pair = text.substr(start, end - start);
    size_t comma = pair.find(L',');
    if (comma == std::wstring_view::npos) {
      break;
    }
    columns.push_back(
        {std::wstring(pair.substr(0, comma)), LeadingInteger(pair.substr(comma + 1))});
    start = end + 1;
  }
  return columns;
}

}  // namespace controls
