// Loading and saving the configuration through any profile store. The Win32 side hands in
// the real profile functions; tests can hand in a store of their own.
#pragma once

#include <cstdint>

#include "station/config/CheckSettings.h"
#include "station/config/StationList.h"
#include "station/config/WindowSettings.h"

class ProfileReader {
 public:
  virtual ~ProfileReader() = default;
  // The key's integer, or `defaultValue` when it is missing.
  virtual int32_t ReadInt(const wchar_t* section, const wchar_t* key, int32_t defaultValue) = 0;
  // The key's text (or `defaultText`), at most capacity - 1 characters and a terminator.
  virtual void ReadText(const wchar_t* section, const wchar_t* key, const wchar_t* defaultText,
                        wchar_t* buffer, int32_t capacity) = 0;
};

class ProfileWriter {
 public:
  virtual ~ProfileWriter() = default;
  virtual void WriteText(const wchar_t* section, const wchar_t* key, const wchar_t* value) = 0;
};

// A hostile "STATION NUMBER" must not keep the station reading keys for ever; the record
// library counts stations in one byte, so no real line lists more.
inline constexpr int32_t kMaxListedStations = 255;

// The "STATION" section of Tollmark.ini: entry i is "STATION <i+1>", none selected.
void ReadStationList(ProfileReader& tollmark, StationList& stations);

// Fills the window settings, the settings and the station list from scratch: every key of the
// table, the derived values and the selection from "StationMask".
void ReadConfiguration(ProfileReader& config, ProfileReader& tollmark, WindowSettings& window,
                       CheckSettings& settings, StationList& stations);

// Writes every written key in the save order; nothing else is touched.
void WriteConfiguration(ProfileWriter& config, const WindowSettings& window,
                        const CheckSettings& settings);
