// Where the station's files are: all derived from the running executable's path.
#pragma once

#include <cstdint>

inline constexpr int32_t kPathChars = 260;

struct ConfigPaths {
  wchar_t configPath[kPathChars];        // Varnex.ini for Varnex.exe
  wchar_t stationDirectory[kPathChars];  // configPath up to its last backslash
  wchar_t tollmarkPath[kPathChars];      // "<station directory>\Tollmark.ini"
};

// From the executable's path: everything after its last "." becomes "ini". Returns false (and
// leaves every path that does not fit empty) when a path does not fit its buffer.
bool FormConfigPathsFromModule(const wchar_t* modulePath, ConfigPaths& paths);

// From an explicit configuration file; the station directory and Tollmark.ini beside it.
bool FormConfigPathsFromFile(const wchar_t* configPath, ConfigPaths& paths);
