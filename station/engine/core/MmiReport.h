// The phone's MMI self-test record and the text the station shows for it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "station/config/CheckCatalogue.h"

// Selector (16-bit) followed by 64 entries of 4 bytes: unused, unused, supported, result.
inline constexpr size_t kMmiRecordSize = 2 + 4 * kMmiItemCount;
inline constexpr int kMmiFinalResultIndex = 63;

enum class MmiState { kNotTested, kPassed, kFailed, kNotSupported };

// Supported only when the byte is 1; result 0 = not tested, 1 = passed, anything else failed.
MmiState MmiEntryState(uint8_t supported, uint8_t result);

// True when the "Final result" entry of the record says passed.
bool MmiFinalPassed(const uint8_t (&record)[kMmiRecordSize]);

// Appends the heading line and one line per item ("LCD ---- pass\r\n", ...). Returns false when
// the "Final result" entry was not tested or failed; the other entries are shown, not judged.
bool AppendMmiBlock(std::wstring& report, std::wstring_view heading,
                    const uint8_t (&record)[kMmiRecordSize], const wchar_t* const* names);
