// The station's link to the line service, from VarnexLine.ini: the service's address, the
// line's and the station's names and the station's token. The profile's raw values are read
// by the platform; what they may be is decided here.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

struct ServiceAddress {
  bool secure = false;   // https
  std::string host;      // a name, an IPv4 address or a bracketed IPv6 address
  uint16_t port = 0;     // 80 or 443 unless given
  std::string basePath;  // "" or "/prefix" without a trailing slash
};

// "http://host[:port][/prefix]" or "https://...". No user, query or fragment; nothing but
// printable ASCII.
std::optional<ServiceAddress> ParseServiceUrl(std::string_view url);
// The path runs are posted to: basePath + "/api/v1/runs".
std::string RunsPath(const ServiceAddress& address);

// The raw values of VarnexLine.ini, UTF-8, blanks at either end already cut or not.
struct LineProfileValues {
  std::string serviceUrl;
  std::string token;
  std::string timeoutSeconds;  // empty: the default
};

inline constexpr uint32_t kDefaultAnswerTimeoutMs = 15000;

struct LineSettings {
  ServiceAddress service;
  std::string token;                                   // goes into the Authorization header only
  uint32_t answerTimeoutMs = kDefaultAnswerTimeoutMs;  // for connecting, sending and the answer
};

struct LineSettingsReading {
  std::optional<LineSettings> settings;
  std::string problem;  // names the key that is wrong; never repeats the token
};

// A token is 1 to 512 printable ASCII characters without blanks, so it can never break the
// request's header. The timeout is 1 to 300 seconds.
LineSettingsReading InterpretLineSettings(const LineProfileValues& values);

// The line and the station as the records name them, from VarnexLine.ini's Line and
// StationName, blanks at either end cut; the station's name is the computer's when the file
// gives none. They hold whether or not the file's service settings are usable.
struct StationNames {
  std::wstring line;
  std::wstring station;
};
StationNames NamesFromProfile(std::wstring_view line, std::wstring_view station,
                              std::wstring_view computerName);
