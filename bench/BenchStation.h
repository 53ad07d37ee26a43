// The bench's station: the demo configuration, the default simulated phone with the codes it
// reports, a station record in which the earlier stations passed, and a window that only
// counts the row reports.
#pragma once

#include <cstdint>

#include <windows.h>

#include "station/config/CheckSettings.h"
#include "station/config/StationList.h"

struct BenchStation {
  CheckSettings settings{};
  StationList stations;
  HWND window = nullptr;
  int64_t reports = 0;
};

// False with a message on stderr when the configuration or the record cannot be prepared.
bool PrepareBenchStation(BenchStation& station);
