// Numbers typed into dialog edit boxes: the parsing and formatting behind the data exchange of
// integer and real members, and the texts of its validation messages.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace ui {

// An integer, optionally signed, with blanks around it and nothing else. False for anything
// else, an empty text included, and for a value outside the 32-bit range.
bool ParseIntText(std::wstring_view text, int32_t& value);

// A real number as the C library reads it, with blanks around it and nothing else.
bool ParseRealText(std::wstring_view text, double& value);

// A 32-bit float with the precision a float holds ("%.6g"): 20 -> "20", 3.8 -> "3.8".
std::wstring FormatFloatText(float value);
// A double with the precision a double holds ("%.15g").
std::wstring FormatDoubleText(double value);

// The validation messages of the data exchange.
inline constexpr wchar_t kEnterInteger[] = L"Enter an integer.";
inline constexpr wchar_t kEnterNumber[] = L"Enter a number.";
inline constexpr wchar_t kEnterIntegerBetween[] = L"Enter an integer between %1 and %2.";
inline constexpr wchar_t kEnterNumberBetween[] = L"Enter a number between %1 and %2.";

// `pattern` with "%1" and "%2" replaced by `first` and `second`.
std::wstring FillPlaceholders(std::wstring_view pattern, std::wstring_view first,
                              std::wstring_view second);

}  // namespace ui
