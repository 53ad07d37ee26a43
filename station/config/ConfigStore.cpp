#include "station/config/ConfigStore.h"

#include <cstdio>

#include "station/config/ConfigKeys.h"
#include "station/config/ProfileText.h"
#include "station/config/StationSelection.h"

namespace {

// Room for any value the station writes: the longest text field and its terminator.
constexpr int32_t kValueChars = 512;

template <typename Record>
char* FieldOf(Record& record, size_t offset) {
  return reinterpret_cast<char*>(&record) + offset;
}

template <typename Record>
const char* FieldOf(const Record& record, size_t offset) {
  return reinterpret_cast<const char*>(&record) + offset;
}

char* Target(const ConfigKey& entry, WindowSettings& window, CheckSettings& settings) {
  return entry.owner == KeyOwner::Window ? FieldOf(window, entry.offset)
                                         : FieldOf(settings, entry.offset);
}

const char* Source(const ConfigKey& entry, const WindowSettings& window,
                   const CheckSettings& settings) {
  return entry.owner == KeyOwner::Window ? FieldOf(window, entry.offset)
                                         : FieldOf(settings, entry.offset);
}

void ReadKey(ProfileReader& config, const ConfigKey& entry, WindowSettings& window,
             CheckSettings& settings) {
  if (entry.owner == KeyOwner::None) {
    return;
  }
  char* target = Target(entry, window, settings);
  wchar_t text[kValueChars];
  switch (entry.kind) {
    case KeyKind::Int:
      *reinterpret_cast<int32_t*>(target) =
          config.ReadInt(entry.section, entry.key, entry.defaultInt);
      break;
    case KeyKind::TextInt:
      config.ReadText(entry.section, entry.key, entry.defaultText, text, entry.readChars);
      *reinterpret_cast<int32_t*>(target) = TextToInt(text);
      break;
    case KeyKind::TextFloat:
      config.ReadText(entry.section, entry.key, entry.defaultText, text, entry.readChars);
      *reinterpret_cast<float*>(target) = TextToFloat(text);
      break;
    case KeyKind::Text:
      config.ReadText(entry.section, entry.key, entry.defaultText,
                      reinterpret_cast<wchar_t*>(target), entry.readChars);
      break;
  }
}

void WriteKey(ProfileWriter& config, const ConfigKey& entry, const WindowSettings& window,
              const CheckSettings& settings) {
  const char* source = Source(entry, window, settings);
  wchar_t text[kValueChars];
  switch (entry.kind) {
    case KeyKind::Int:
    case KeyKind::TextInt:
      FormatInt(*reinterpret_cast<const int32_t*>(source), text, kValueChars);
      break;
    case KeyKind::TextFloat: {
      float value = *reinterpret_cast<const float*>(source);
      if (entry.decimals == 2) {
        FormatFloatTwo(value, text, kValueChars);
      } else {
        FormatFloat(value, text, kValueChars);
      }
      break;
    }
    case KeyKind::Text:
      // The field may lack its terminator after a careless edit; never read past it.
      CopyText(reinterpret_cast<const wchar_t*>(source), static_cast<size_t>(entry.readChars), text,
               kValueChars);
      // A value ends at its line: a line break in a text would start new lines of the file
      // (a pasted "[PORT]" and "Uart=0" would become keys).
      for (wchar_t* c = text; *c != L'\0'; ++c) {
        if (*c == L'\r' || *c == L'\n') {
          *c = L'\0';
          break;
        }
      }
      break;
  }
  config.WriteText(entry.section, entry.key, text);
}

}  // namespace

void ReadStationList(ProfileReader& tollmark, StationList& stations) {
  stations.clear();
  int32_t count = tollmark.ReadInt(L"STATION", L"STATION NUMBER", 0);
  if (count > kMaxListedStations) {
    count = kMaxListedStations;
  }
  for (int32_t i = 0; i < count; ++i) {
    char narrowKey[24];
    std::snprintf(narrowKey, sizeof narrowKey, "STATION %d", static_cast<int>(i + 1));
    wchar_t key[24];
    WidenAscii(narrowKey, key, 24);
    _tollmark_key_t station{};
    tollmark.ReadText(L"STATION", key, L"", station.name, 30);
    station.selected = 0;
    stations[i] = station;
  }
}

void ReadConfiguration(ProfileReader& config, ProfileReader& tollmark, WindowSettings& window,
                       CheckSettings& settings, StationList& stations) {
  window = WindowSettings{};
  settings = CheckSettings{};
  ReadStationList(tollmark, stations);
  for (const ConfigKey& entry : kConfigKeys) {
    ReadKey(config, entry, window, settings);
  }

  settings.wcdmaUsed = settings.calFlagMaskWcdma != 0 ? 1 : 0;
  settings.lteUsed = settings.calFlagMaskLte != 0 ? 1 : 0;
  SelectStationsFromMask(window.stationMask, stations, settings);
  settings.powerSupplyUsed =
      settings.supplyEnable[0] != 0 || settings.supplyEnable[1] != 0 || settings.dualPower != 0 ? 1
                                                                                                : 0;
  window.repeatsLeft = RepeatsForSeries(window.testCounts);
}

void WriteConfiguration(ProfileWriter& config, const WindowSettings& window,
                        const CheckSettings& settings) {
  for (int32_t index : kWriteOrder) {
    const ConfigKey& entry = kConfigKeys[index];
    if (entry.write == WriteRule::WhenUart && window.uart == 0) {
      continue;
    }
    WriteKey(config, entry, window, settings);
  }
}
