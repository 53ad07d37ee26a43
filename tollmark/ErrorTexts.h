// The library's error codes 0..13 and their English and Chinese (GBK) texts.
#pragma once

#include <cstddef>
#include <cstdint>

enum TollmarkError : int32_t {
  kTollmarkPass = 0,
  kTollmarkFail = 1,
  kTollmarkBadHandle = 2,
  kTollmarkBadRecord = 3,
  kTollmarkBadStationName = 4,
  kTollmarkNoSuchStation = 5,
  kTollmarkNotPassed = 6,
  kTollmarkNotTested = 7,
  kTollmarkBuildFailed = 8,
  kTollmarkWriteFailed = 9,
  kTollmarkReadFailed = 10,
  kTollmarkBufferTooSmall = 11,
  kTollmarkMagicReadFailed = 12,
  kTollmarkBadMagic = 13,
};

inline constexpr int32_t kErrorCodeCount = 14;

// The text pattern of a code ("%s" marks the station name); language 1 is Chinese, any other
// English. Null for a code outside 0..13.
const char* ErrorTextTemplate(int32_t code, int32_t language);

// Composes the text of a code into out (size bytes, always terminated; codes 4 to 7 carry the
// station name). Returns false, leaving out as it was, for code 13 in a language other than 0
// and 1 and for unknown codes.
bool ComposeErrorText(int32_t code, int32_t language, const char* station, char* out, size_t size);
