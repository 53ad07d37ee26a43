#include "station/results/LineConfig.h"

#include <windows.h>

#include "station/results/StationFacts.h"

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
  const std::string computer = Utf16ToUtf8(ComputerName());
  if (!config.present) {
    config.station.name = computer;
    return config;
  }
  NamesReading names = NamesFromProfile(Utf16ToUtf8(Value(file, L"Line")),
                                        Utf16ToUtf8(Value(file, L"StationName")), computer);
  config.station = std::move(names.station);
  LineSettingsReading reading;
  reading.problem = std::move(names.problem);
  if (reading.problem.empty()) {
    LineProfileValues values;
    values.serviceUrl = Utf16ToUtf8(Value(file, L"ServiceUrl"));
    values.token = Utf16ToUtf8(Value(file, L"Token"));
    values.timeoutSeconds = Utf16ToUtf8(Value(file, L"Timeout"));
    reading = InterpretLineSettings(values);
  }
  if (reading.settings) {
    config.settings = std::move(reading.settings);
  } else {
    config.problem = std::wstring(kLineConfigName) + L": " + Utf8ToUtf16(reading.problem);
  }
  return config;
}

StationInfo IdentityFor(const char* program, const LineConfig& config) {
  StationInfo identity = config.station;
  identity.host = Utf16ToUtf8(ComputerName());
  identity.program = program;
  identity.version = Utf16ToUtf8(ProgramVersion());
  return identity;
}
