#include "station/results/core/Adoption.h"

#include "station/results/core/RecordJson.h"

bool AdoptRecord(RunRecord& record, const StationInfo& station) {
  StationInfo& spooled = record.station;
  if (station.name.empty() || spooled.name != spooled.host || spooled.name == station.name ||
      !record.formerStationName.empty()) {
    return false;
  }
  record.formerStationName = spooled.name;
  spooled.name = station.name;
  if (spooled.line.empty()) {
    spooled.line = station.line;
  }
  return true;
}

int AdoptEarlyRecords(const RecordQueue& queue, const StationInfo& station) {
  int adopted = 0;
  for (const std::string& id : queue.Waiting()) {
    const std::optional<std::string> text = queue.Read(id);
    RecordReading reading = text ? RecordFromJson(*text) : RecordReading{};
    if (reading.record && AdoptRecord(*reading.record, station) &&
        queue.Rewrite(id, RecordToJson(*reading.record, kSpoolIndent)).empty()) {
      ++adopted;
    }
  }
  return adopted;
}
