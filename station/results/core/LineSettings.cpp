#include "station/results/core/LineSettings.h"

#include "contract/RecordLimits.h"
#include "station/results/core/Utf8.h"

namespace {

constexpr size_t kLongestToken = 512;
constexpr size_t kLongestHost = 253;
constexpr uint32_t kLongestTimeoutSeconds = 300;

std::string_view Trim(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
    text.remove_prefix(1);
  }
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) {
    text.remove_suffix(1);
  }
  return text;
}

bool Visible(char c) {
  return c > 0x20 && c < 0x7F;
}

bool HostNameChar(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
         c == '.';
}

bool Ipv6Char(char c) {
  return (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F') || (c >= '0' && c <= '9') || c == ':' ||
         c == '.';
}

bool ValidHost(std::string_view host) {
  if (host.empty() || host.size() > kLongestHost) {
    return false;
  }
  if (host.front() == '[') {
    if (host.size() < 4 || host.back() != ']') {
      return false;
    }
    for (char c : host.substr(1, host.size() - 2)) {
      if (!Ipv6Char(c)) {
        return false;
      }
    }
    return true;
  }
  for (char c : host) {
    if (!HostNameChar(c)) {
      return false;
    }
  }
  return host.front() != '.' && host.front() != '-';
}

// Decimal digits only, from 1 to `highest`.
std::optional<uint32_t> ParseCount(std::string_view text, uint32_t highest) {
  if (text.empty() || text.size() > 5) {
    return std::nullopt;
  }
  uint32_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') {
      return std::nullopt;
    }
    value = value * 10 + static_cast<uint32_t>(c - '0');
  }
  if (value == 0 || value > highest) {
    return std::nullopt;
  }
  return value;
}

bool ValidPath(std::string_view path) {
  for (char c : path) {
    if (!Visible(c) || c == '?' || c == '#' || c == '%' || c == '\\') {
      return false;
    }
  }
  return path.find("//") == std::string_view::npos;
}

// What the service would refuse in a name of the file, naming the key; empty when it is fine.
std::string NameProblem(const char* key, std::string_view name) {
  if (name.size() > record_limits::kMaxNameBytes) {
    return std::string(key) + " is longer than " + std::to_string(record_limits::kMaxNameBytes) +
           " bytes";
  }
  std::string fitted(name);
  FitText(fitted, record_limits::kMaxNameBytes);
  return fitted == name ? std::string() : std::string(key) + " holds a control character";
}

bool IsIpv4Loopback(std::string_view host) {
  if (host.substr(0, 4) != "127.") {
    return false;
  }
  int dots = 0;
  for (char c : host) {
    if (c == '.') {
      ++dots;
    } else if (c < '0' || c > '9') {
      return false;
    }
  }
  return dots == 3;
}

}  // namespace

std::optional<ServiceAddress> ParseServiceUrl(std::string_view url) {
  url = Trim(url);
  ServiceAddress address;
  constexpr std::string_view kHttp = "http://";
  constexpr std::string_view kHttps = "https://";
  if (url.substr(0, kHttps.size()) == kHttps) {
    address.secure = true;
    url.remove_prefix(kHttps.size());
  } else if (url.substr(0, kHttp.size()) == kHttp) {
    url.remove_prefix(kHttp.size());
  } else {
    return std::nullopt;
  }
  const size_t slash = url.find('/');
  std::string_view authority = url.substr(0, slash);
  std::string_view path = slash == std::string_view::npos ? std::string_view() : url.substr(slash);
  // A port follows the last colon, unless that colon is inside an IPv6 address.
  std::string_view host = authority;
  address.port = address.secure ? 443 : 80;
  const size_t colon = authority.rfind(':');
  if (colon != std::string_view::npos && authority.find(']', colon) == std::string_view::npos) {
    auto port = ParseCount(authority.substr(colon + 1), 65535);
    if (!port) {
      return std::nullopt;
    }
    address.port = static_cast<uint16_t>(*port);
    host = authority.substr(0, colon);
  }
  while (!path.empty() && path.back() == '/') {
    path.remove_suffix(1);
  }
  if (!ValidHost(host) || !ValidPath(path)) {
    return std::nullopt;
  }
  address.host = std::string(host);
  address.basePath = std::string(path);
  return address;
}

std::string RunsPath(const ServiceAddress& address) {
  return address.basePath + "/api/v1/runs";
}

bool IsLoopbackHost(std::string_view host) {
  std::string lower(host);
  for (char& c : lower) {
    c = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
  }
  return lower == "localhost" || lower == "[::1]" || IsIpv4Loopback(lower);
}

std::string PlainTextWarning(const ServiceAddress& address) {
  if (address.secure || IsLoopbackHost(address.host)) {
    return {};
  }
  return "Warning: VarnexLine.ini sends the station's token and records to " + address.host +
         " unencrypted (http://); use https://";
}

LineSettingsReading InterpretLineSettings(const LineProfileValues& values) {
  LineSettingsReading reading;
  const std::string_view url = Trim(values.serviceUrl);
  if (url.empty()) {
    reading.problem = "ServiceUrl is missing";
    return reading;
  }
  auto address = ParseServiceUrl(url);
  if (!address) {
    reading.problem = "ServiceUrl is not an http:// or https:// address";
    return reading;
  }
  const std::string_view token = Trim(values.token);
  if (token.empty()) {
    reading.problem = "Token is missing";
    return reading;
  }
  if (token.size() > kLongestToken) {
    reading.problem = "Token is too long";
    return reading;
  }
  for (char c : token) {
    if (!Visible(c)) {
      reading.problem = "Token holds a character other than printable ASCII";
      return reading;
    }
  }
  LineSettings settings;
  if (const std::string_view timeout = Trim(values.timeoutSeconds); !timeout.empty()) {
    auto seconds = ParseCount(timeout, kLongestTimeoutSeconds);
    if (!seconds) {
      reading.problem = "Timeout is not a number of seconds from 1 to 300";
      return reading;
    }
    settings.answerTimeoutMs = *seconds * 1000;
  }
  settings.service = *address;
  settings.token = std::string(token);
  reading.settings = std::move(settings);
  return reading;
}

NamesReading NamesFromProfile(std::string_view line, std::string_view station,
                              std::string_view computerName) {
  NamesReading names;
  names.station.name = std::string(Trim(computerName));
  line = Trim(line);
  station = Trim(station);
  names.problem = NameProblem("Line", line);
  if (names.problem.empty()) {
    names.problem = NameProblem("StationName", station);
  }
  if (names.problem.empty()) {
    names.station.line = std::string(line);
    names.station.name = station.empty() ? names.station.name : std::string(station);
  }
  return names;
}
