// Cutting an ANSI-code-page text into a fixed-size field without splitting a double-byte
// character. The lead-byte test is passed in so the rule can be checked off Windows.
#pragma once

#include <cstddef>

using LeadBytePredicate = bool (*)(unsigned char byte);

// Copies `text` into `field` (fieldSize bytes, zero-filled first), at most fieldSize - 1 bytes.
// When the cut would fall between a lead byte and its trail byte, the lead byte is dropped too.
// Returns the number of bytes copied.
size_t CopyAnsiNameField(const char* text, char* field, size_t fieldSize,
                         LeadBytePredicate isLeadByte);
