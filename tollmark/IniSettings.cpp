#include "tollmark/IniSettings.h"

#include <windows.h>

#include <cstdio>

#include "tollmark/ConfigPath.h"

namespace {

constexpr DWORD kModulePathSize = 1024;

}  // namespace

bool ReadTollmarkIni(BuildConfig& config) {
  char modulePath[kModulePathSize] = {};
  const DWORD length = GetModuleFileNameA(nullptr, modulePath, kModulePathSize);
  if (length == 0 || length >= kModulePathSize) {
    return false;
  }
  char iniPath[kModulePathSize + 16] = {};
  if (!TollmarkIniPath(modulePath, iniPath, sizeof(iniPath))) {
    return false;
  }
  config = BuildConfig{};
  GetPrivateProfileStringA("VERSION", "MAGIC NUMBER", "KV09", config.magicNumber,
                           sizeof(config.magicNumber), iniPath);
  config.passValue =
      static_cast<int32_t>(GetPrivateProfileIntA("STATE FLAG", "PASS VALUE", 0, iniPath));
  config.stationNumber =
      static_cast<int32_t>(GetPrivateProfileIntA("STATION", "STATION NUMBER", 5, iniPath));
  const int32_t count = ConfiguredStationCount(config);
  for (int32_t n = 1; n <= count && n <= kMaxStationsAnyVersion; ++n) {
    char key[32];
    std::snprintf(key, sizeof(key), "%s %d", "STATION", static_cast<int>(n));
    GetPrivateProfileStringA("STATION", key, "", config.stationNames[n - 1],
                             sizeof(config.stationNames[n - 1]), iniPath);
  }
  return true;
}
