#include "station/config/StationSelection.h"

namespace {

bool Selectable(int32_t index) {
  return index >= 0 && index < kMaxSelectableStations;
}

}  // namespace

void SelectStationsFromMask(int32_t stationMask, StationList& stations, CheckSettings& settings) {
  const uint32_t mask = static_cast<uint32_t>(stationMask);
  for (auto& [index, station] : stations) {
    station.selected = Selectable(index) && ((mask >> index) & 1u) ? 1 : 0;
    if (station.selected != 0) {
      settings.checkTollmark = 1;
    }
  }
}

void ApplyStationSelection(StationList& stations, int32_t& stationMask, CheckSettings& settings) {
  uint32_t mask = 0;
  settings.checkTollmark = 0;
  for (auto& [index, station] : stations) {
    if (!Selectable(index)) {
      station.selected = 0;
      continue;
    }
    if (station.selected != 0) {
      station.selected = 1;
      mask |= 1u << index;
      settings.checkTollmark = 1;
    }
  }
  stationMask = static_cast<int32_t>(mask);
}
