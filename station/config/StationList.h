// The line's stations as listed in Tollmark.ini, keyed by their index (0 = first station).
#pragma once

#include <cstdint>
#include <map>

struct _tollmark_key_t {
  wchar_t name[30];
  int32_t selected;  // 1 = this station's result is verified in the phone's record
};

using StationList = std::map<int32_t, _tollmark_key_t>;

// Only the first stations can be selected: the station mask holds bits 0..14.
inline constexpr int32_t kMaxSelectableStations = 15;
