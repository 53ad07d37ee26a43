// The station's link to the line service, from VarnexLine.ini: the service's address, the
// line's and the station's names and the station's token. The profile's raw values are read
// by the platform; what they may be is decided here.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "station/results/core/RunRecord.h"

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

// Whether the host is this computer: "localhost", an IPv4 address 127.x.x.x or [::1].
bool IsLoopbackHost(std::string_view host);
// The one warning line the window shows at start when the token and the records would cross the
// network unencrypted (http:// to another computer); empty otherwise.
std::string PlainTextWarning(const ServiceAddress& address);

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

struct NamesReading {
  StationInfo station;  // name and line
  std::string problem;  // names the key the service would refuse
};

// The line and the station as the records name them, from VarnexLine.ini's Line and
// StationName (UTF-8), blanks at either end cut; the station's name is the computer's when the
// file gives none. They hold whether or not the file's service settings are usable. A name the
// service would refuse in every record (over 128 bytes, a control character) is not used: the
// computer's name and no line stand, as without the file, and the file must not be sent by.
NamesReading NamesFromProfile(std::string_view line, std::string_view station,
                              std::string_view computerName);
