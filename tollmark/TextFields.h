// Bounded helpers for the fixed-width 8-bit text fields of the station record.
#pragma once

#include <cstddef>
#include <cstdint>

// Length of a NUL-terminated string, never looking past `limit` characters.
size_t BoundedLength(const char* text, size_t limit);
// 'A'..'Z' to 'a'..'z'; every other byte unchanged (names are compared in ASCII only).
char AsciiLower(char c);
// Clears the whole field, then copies at most width - 1 characters of text so the field stays
// terminated.
void FillField(uint8_t* field, size_t width, const char* text);
// Copies at most `limit` characters (limit < width) into a field already zeroed.
void CopyCut(uint8_t* field, size_t limit, const char* text);
// Station-name matching: the stored name is measured inside its slot of `width` bytes, the
// wanted name is cut to `width`; the first max(both lengths) characters must agree ignoring
// ASCII case, a terminating NUL counting as a character.
bool NameMatches(const uint8_t* slot, size_t width, const char* wanted);
// True when the first four characters of text are "NULL" in any ASCII letter case.
bool StartsWithNull(const char* text);
