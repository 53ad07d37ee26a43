#include "tollmark/IniSettings.h"

#include <windows.h>

#include <cstdint>
#include <cstdio>

#include "tollmark/ConfigPath.h"

namespace {

constexpr DWORD kModulePathSize = 1024;

}  // namespace

bool TollmarkIniPathAnsi(const wchar_t* modulePath, char* out, size_t size) {
  wchar_t widePath[kModulePathSize + 16] = {};
  if (size == 0 || size > INT32_MAX ||
      !TollmarkIniPath(modulePath, widePath, sizeof(widePath) / sizeof(widePath[0]))) {
    return false;
  }
  BOOL lossy = FALSE;
  const int written = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, widePath, -1, out,
                                          static_cast<int>(size), nullptr, &lossy);
  if (written == 0 || lossy) {
    out[0] = '\0';
    return false;
  }
  return true;
}

bool ReadTollmarkIni(BuildConfig& config) {
  wchar_t modulePath[kModulePathSize] = {};
  const DWORD length = GetModuleFileNameW(nullptr, modulePath, kModulePathSize);
  if (length == 0 || length >= kModulePathSize) {
    return false;
  }
  char iniPath[(kModulePathSize + 16) * 2] = {};
  if (!TollmarkIniPathAnsi(modulePath, iniPath, sizeof(iniPath))) {
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
