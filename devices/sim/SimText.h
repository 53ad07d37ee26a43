// Small text helpers shared by the simulated phone and supplies: trimming, number parsing,
// escapes and bounded copies into caller buffers. Free of Win32 so it builds everywhere.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace sim {

std::string_view Trim(std::string_view text);
bool EqualsNoCase(std::string_view a, std::string_view b);

// Decimal or 0x-hex with an optional sign; the whole text must be the number.
std::optional<int64_t> ParseInteger(std::string_view text);
// A decimal number such as 0.035 or 1e-3; the whole text must be the number.
std::optional<double> ParseDecimal(std::string_view text);

// Turns \r \n \t \\ \" and \= into their characters; any other backslash stays as it is.
std::string Unescape(std::string_view text);

// Copies text into a caller buffer of `size` bytes, cut to size - 1 and always terminated.
// Returns the number of text bytes copied; nothing is written when size is 0.
size_t CopyTerminated(std::string_view text, char* buffer, size_t size);

}  // namespace sim
