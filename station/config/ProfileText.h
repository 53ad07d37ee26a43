// Conversions between the configuration file's texts and the values they hold. Free of any
// platform header so the conversions can be tested natively and fuzzed.
#pragma once

#include <cstddef>
#include <cstdint>

// The longest text a text-int value is read as (characters, terminator not counted).
inline constexpr int32_t kTextIntChars = 19;

// Leading blanks, an optional sign, then the leading decimal digits; no digits gives 0. Values
// beyond the 32-bit range are clamped to it.
int32_t TextToInt(const wchar_t* text);

// A decimal floating-point number after leading blanks: sign, digits, an optional fraction and
// an optional exponent. No number gives 0; only the first 63 characters are looked at; values
// beyond the float range are clamped to it, so the result is always finite.
float TextToFloat(const wchar_t* text);

// The writing forms of the file. Each writes a terminated text cut to `capacity` characters
// (terminator included) and returns the characters written.
size_t FormatInt(int32_t value, wchar_t* out, size_t capacity);     // "%d"
size_t FormatFloat(float value, wchar_t* out, size_t capacity);     // "%f"
size_t FormatFloatTwo(float value, wchar_t* out, size_t capacity);  // "%.2f"

// Copies 7-bit text into a wide buffer, cut to `capacity` (terminator included).
size_t WidenAscii(const char* text, wchar_t* out, size_t capacity);

// Copies a wide text of at most `sourceCapacity` characters into `out`, cut to `capacity`
// (terminator included); the source need not be terminated within its capacity.
size_t CopyText(const wchar_t* text, size_t sourceCapacity, wchar_t* out, size_t capacity);
