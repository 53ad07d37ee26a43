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

std::wstring Trimmed(const std::wstring& text) {
  const size_t first = text.find_first_not_of(L" \t");
  if (first == std::wstring::npos) {
    return {};
  }
  return text.substr(first, text.find_last_not_of(L" \t") - first + 1);
}

std::wstring Widen(const std::string& ascii) {
  return std::wstring(ascii.begin(), ascii.end());
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
  config.stationName = computer;
  if (!config.present) {
    return config;
  }
  LineProfileValues values;
  values.serviceUrl = WideToUtf8(Value(file, L"ServiceUrl"));
  values.line = WideToUtf8(Value(file, L"Line"));
  const std::wstring station = Trimmed(Value(file, L"StationName"));
  values.stationName = WideToUtf8(station);
  values.token = WideToUtf8(Value(file, L"Token"));
  values.timeoutSeconds = WideToUtf8(Value(file, L"Timeout"));
  config.line = Trimmed(Value(file, L"Line"));
  if (!station.empty()) {
    config.stationName = station;
  }
  LineSettingsReading reading = InterpretLineSettings(values, WideToUtf8(computer));
  if (reading.settings) {
    config.settings = std::move(reading.settings);
  } else {
    config.problem = std::wstring(kLineConfigName) + L": " + Widen(reading.problem);
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
