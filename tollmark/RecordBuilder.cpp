#include "tollmark/RecordBuilder.h"

#include "tollmark/TextFields.h"

int32_t ConfiguredStationCount(const BuildConfig& config) {
  return static_cast<int32_t>(static_cast<uint32_t>(config.stationNumber) & 0xFFu);
}

bool BuildRecord(const BuildConfig& config, const char* text1, const char* text2,
                 const char* station, StationRecord& record) {
  char magic[kMagicTextSize] = {};
  CopyCut(reinterpret_cast<uint8_t*>(magic), kMagicTextSize - 1, config.magicNumber);
  const RecordLayout* layout = LayoutFromName(magic);
  if (layout == nullptr) {
    return false;
  }
  StationRecord fresh(*layout);
  if (fresh.HasMasks()) {
    if (config.passValue == 0) {
      fresh.SetStateFlag(1);
      fresh.SetUntestedMask(0xFFFFFFFFu);
      // KV09 keeps bit 15 of the result mask clear from the start.
      fresh.SetResultMask(layout->version == RecordVersion::kKv09 ? 0x7FFFu : 0xFFFFFFFFu);
    }
    fresh.SetLastMessage("PASS");
  }
  fresh.WriteMagic();

  const int32_t count = ConfiguredStationCount(config);
  if (count == 0 || count > layout->maxStations) {
    return false;
  }
  fresh.SetStationCount(count);
  for (int32_t i = 0; i < count; ++i) {
    fresh.SetStationName(i, config.stationNames[i]);
  }
  if (text1 != nullptr) {
    fresh.SetText1(text1);
  }
  if (text2 != nullptr) {
    fresh.SetText2(text2);
  }
  if (station != nullptr) {
    const uint8_t* names = fresh.Bytes() + layout->namesOffset;
    for (int32_t i = 0; i < count; ++i) {
      const uint8_t* slot = names + layout->nameStride * static_cast<size_t>(i);
      if (NameMatches(slot, layout->nameWidth, "DOWNLOAD")) {
        fresh.MarkPassedWhenBuilt(i);
      }
      if (NameMatches(slot, layout->nameWidth, station)) {
        fresh.MarkPassedWhenBuilt(i);
        break;
      }
    }
  }
  record = fresh;
  return true;
}
