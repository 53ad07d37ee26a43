#include "station/results/LineConfig.h"

#include <windows.h>

#include "station/results/StationFacts.h"
#include "station/results/core/Utf8.h"

namespace {

constexpr wchar_t kSection[] = L"Line";
constexpr DWORD kValueChars = 2048;

std::wstring Value(const std::wstring& path, const wchar_t* key) {
  std::wstring value(kValueChars, L'\0');
  const DWORD length =
      GetPrivateProfileStringW(kSection, key, L"", value.data(), kValueChars, path.c_str());
  value.resize(length);
  return value;
}

}  // namespace

LineConfig ReadLineConfig(const std::wstring& path) {
  LineConfig config;
  std::wstring file = path;
  if (file.empty()) {
    const std::wstring folder = ProgramFolder();
    if (folder.empty()) {
      return config;
    }
    file = folder + L"\\" + kLineConfigName;
  }
  const DWORD attributes = GetFileAttributesW(file.c_str());
  config.present =
      attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
  const std::wstring computer = ComputerName();
  if (!config.present) {
    config.stationName = NamesFromProfile(L"", L"", computer).station;
    return config;
  }
  StationNames names =
      NamesFromProfile(Value(file, L"Line"), Value(file, L"StationName"), computer);
  config.line = std::move(names.line);
  config.stationName = std::move(names.station);
  LineProfileValues values;
  values.serviceUrl = WideToUtf8(Value(file, L"ServiceUrl"));
  values.token = WideToUtf8(Value(file, L"Token"));
  values.timeoutSeconds = WideToUtf8(Value(file, L"Timeout"));
  LineSettingsReading reading = InterpretLineSettings(values);
  if (reading.settings) {
    config.settings = std::move(reading.settings);
  } else {
    config.problem = std::wstring(kLineConfigName) + L": " + AsciiToWide(reading.problem);
  }
  return config;
}

StationIdentity IdentityFor(const wchar_t* program, const LineConfig& config) {
  StationIdentity identity;
  identity.name = config.stationName;
  identity.line = config.line;
  identity.host = ComputerName();
  identity.program = program;
  identity.version = ProgramVersion();
  return identity;
}
