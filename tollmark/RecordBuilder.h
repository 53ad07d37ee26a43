// Building a fresh station record from the values of Tollmark.ini. The caller reads the file
// (every key has its default when the file or the key is missing) and passes the values in.
#pragma once

#include <cstdint>

#include "tollmark/RecordLayout.h"
#include "tollmark/StationRecord.h"

inline constexpr size_t kMagicTextSize = 20;  // "MAGIC NUMBER": at most 19 characters read
inline constexpr size_t kNameValueSize = 16;  // longer than any version's name limit

struct BuildConfig {
  char magicNumber[kMagicTextSize] = "KV09";
  int32_t passValue = 0;
  int32_t stationNumber = 5;
  // "STATION 1" .. "STATION 20"; entries past the station count are not used.
  char stationNames[kMaxStationsAnyVersion][kNameValueSize] = {};
};

// The station count a configuration asks for: only the low 8 bits of the value count.
int32_t ConfiguredStationCount(const BuildConfig& config);

// Fills `record` (whose layout becomes the configured version) and returns true, or returns
// false when the version is unknown or the station count is 0 or above the version's maximum.
// text1, text2 and station may be null (not given). When station is given, every "DOWNLOAD"
// slot up to and including the slot of that station is marked passed, and that slot too.
bool BuildRecord(const BuildConfig& config, const char* text1, const char* text2,
                 const char* station, StationRecord& record);
