// The column headings of a result list, written as one text of name-comma-width pairs
// separated by ";": "Item,120;Expected Value,200;Result,65;Test Detail,185".
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace controls {

struct ColumnHeading {
  std::wstring name;
  int32_t width = 0;
};

// The columns in order. The width is the leading decimal number after the comma (0 when there
// is none). A pair without a comma ends the list: "A,50;B" gives one column.
std::vector<ColumnHeading> ParseHeadings(std::wstring_view text);

// The leading decimal number of `text` after optional blanks and sign, as the C library's
// integer conversion reads it, held within the 32-bit range; 0 for text without one.
int32_t LeadingInteger(std::wstring_view text);

}  // namespace controls
