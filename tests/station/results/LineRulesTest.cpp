// VarnexLine.ini's values, what the sender does with each answer, its pauses, and the window's
// line of the link state.
#include <string>

#include <gtest/gtest.h>

#include "station/results/core/DeliveryRules.h"
#include "station/results/core/LineSettings.h"
#include "station/results/core/LinkState.h"

namespace {

TEST(LineSettings, ServiceAddresses) {
  const struct {
    const char* url;
    bool secure;
    const char* host;
    uint16_t port;
    const char* runs;
  } good[] = {
      {"http://127.0.0.1:8080", false, "127.0.0.1", 8080, "/api/v1/runs"},
      {"https://line-server", true, "line-server", 443, "/api/v1/runs"},
      {"http://line.plant.example/", false, "line.plant.example", 80, "/api/v1/runs"},
      {" http://10.0.0.5:81/line3// ", false, "10.0.0.5", 81, "/line3/api/v1/runs"},
      {"https://[::1]:8443/a/b", true, "[::1]", 8443, "/a/b/api/v1/runs"},
  };
  for (const auto& c : good) {
    auto address = ParseServiceUrl(c.url);
    ASSERT_TRUE(address) << c.url;
    EXPECT_EQ(address->secure, c.secure) << c.url;
    EXPECT_EQ(address->host, c.host) << c.url;
    EXPECT_EQ(address->port, c.port) << c.url;
    EXPECT_EQ(RunsPath(*address), c.runs) << c.url;
  }
  for (const char* bad :
       {"", "line-server:8080", "ftp://line-server", "http://", "http://:8080",
        "http://line-server:0", "http://line-server:65536", "http://line-server:80a",
        "http://user:pw@line-server", "http://line-server/runs?x=1", "http://line-server/#top",
        "http://line server", "http://line-server/a b", "http://-server", "http://[::1",
        "http://line-server/%2e%2e", "http://line-server\\runs", "HTTP://line-server"}) {
    EXPECT_FALSE(ParseServiceUrl(bad)) << bad;
  }
}

TEST(LineSettings, TheIniFileDefaultsAndItsFaults) {
  LineProfileValues values{"http://127.0.0.1:8080", "tok-3f9a", ""};
  LineSettingsReading reading = InterpretLineSettings(values);
  ASSERT_TRUE(reading.settings) << reading.problem;
  EXPECT_EQ(reading.settings->token, "tok-3f9a");
  EXPECT_EQ(reading.settings->answerTimeoutMs, 15000u);
  values.timeoutSeconds = "300";
  reading = InterpretLineSettings(values);
  ASSERT_TRUE(reading.settings);
  EXPECT_EQ(reading.settings->answerTimeoutMs, 300000u);

  NamesReading names = NamesFromProfile(" Line 3 ", "", "STATION-07");
  EXPECT_EQ(names.station.line, "Line 3");
  EXPECT_EQ(names.station.name, "STATION-07") << "the computer's name by default";
  names = NamesFromProfile("", "\tFT-07 ", "STATION-07");
  EXPECT_EQ(names.station.line, "");
  EXPECT_EQ(names.station.name, "FT-07");
  // Up to 128 bytes; more, or a control character, refuses the file, and the computer's name
  // stands.
  const std::string longest = std::string(126, 'N') + "07";
  EXPECT_EQ(NamesFromProfile(longest, longest, "PC").station.name, longest);
  const struct {
    std::string line, station;
    const char* problem;
  } badNames[] = {{"", longest + "8", "StationName is longer than 128 bytes"},
                  {longest + "8", "", "Line is longer than 128 bytes"},
                  {"", "FT\x01-07", "StationName holds a control character"},
                  {"Line\xC2\x85 3", "FT-07", "Line holds a control character"}};
  for (const auto& [line, station, problem] : badNames) {
    names = NamesFromProfile(line, station, "PC");
    EXPECT_EQ(names.problem, problem);
    EXPECT_EQ(names.station.name + names.station.line, "PC");
  }

  const struct {
    LineProfileValues values;
    const char* problem;
  } bad[] = {
      {{"", "tok", ""}, "ServiceUrl is missing"},
      {{"line-server", "tok", ""}, "ServiceUrl is not an http:// or https:// address"},
      {{"http://s", " ", ""}, "Token is missing"},
      // A token that would end the header line and start another.
      {{"http://s", "tok\r\nX-Evil: 1", ""}, "Token holds a character other than printable ASCII"},
      {{"http://s", "tok en", ""}, "Token holds a character other than printable ASCII"},
      {{"http://s", std::string(513, 'a'), ""}, "Token is too long"},
      {{"http://s", "tok", "0"}, "Timeout is not a number of seconds from 1 to 300"},
      {{"http://s", "tok", "301"}, "Timeout is not a number of seconds from 1 to 300"},
      {{"http://s", "tok", "15s"}, "Timeout is not a number of seconds from 1 to 300"},
  };
  for (const auto& c : bad) {
    reading = InterpretLineSettings(c.values);
    EXPECT_FALSE(reading.settings) << c.problem;
    EXPECT_EQ(reading.problem, c.problem);
  }
}

TEST(LineSettings, OnlyLoopbackOrHttpsKeepsTheTokenOffTheWire) {
  for (const char* quiet :
       {"http://127.0.0.1:8080", "http://LocalHost", "http://[::1]:81", "https://line-server"}) {
    EXPECT_EQ(PlainTextWarning(*ParseServiceUrl(quiet)), "") << quiet;
  }
  EXPECT_EQ(PlainTextWarning(*ParseServiceUrl("http://127.0.0.1.example")),
            "Warning: VarnexLine.ini sends the station's token and records to 127.0.0.1.example "
            "unencrypted (http://); use https://");
}

TEST(DeliveryRules, PausesDoubleUpToFiveMinutesAndSpreadOverTheirUpperHalf) {
  EXPECT_EQ(RetryDelayMs(0, 0.5), 0u);
  EXPECT_EQ(RetryDelayMs(1, 0.0), 2000u);
  EXPECT_EQ(RetryDelayMs(1, 0.999), 1001u);
  EXPECT_EQ(RetryDelayMs(2, 0.0), 4000u);
  EXPECT_EQ(RetryDelayMs(8, 0.0), 256000u);
  EXPECT_EQ(RetryDelayMs(9, 0.0), kLongestRetryMs);
  // Days of failures stay at the cap, and no random value leaves the upper half.
  for (uint32_t failures : {9u, 100u, 100000u, 0xFFFFFFFFu}) {
    for (double random : {-1.0, 0.0, 0.25, 0.999999, 2.0}) {
      const uint32_t delay = RetryDelayMs(failures, random);
      EXPECT_LE(delay, kLongestRetryMs);
      EXPECT_GE(delay, kLongestRetryMs / 2);
    }
  }
}

TEST(LinkState, TheWindowsLineOfTheLink) {
  const struct {
    LinkState state;
    const wchar_t* text;
  } cases[] = {
      {{false, 0, 0, 0, L""}, L"Line: spool only"},
      {{false, 3, 0, 0, L""}, L"Line: spool only, 3 kept"},
      {{false, 0, 0, 0, L"VarnexLine.ini: Token is missing"},
       L"Line: spool only (VarnexLine.ini: Token is missing)"},
      {{true, 0, 0, 0, L""}, L"Line: ready"},
      {{true, 3, 0, 0, L""}, L"Line: 3 waiting"},
      {{true, 3, 5, 0, L"no connection"}, L"Line: 3 waiting (no connection)"},
      {{true, 0, 5, 0, L""}, L"Line: sent"},
      {{true, 0, 5, 1, L""}, L"Line: sent, 1 rejected"},
      {{true, 2, 5, 1, L"HTTP 503"}, L"Line: 2 waiting (HTTP 503), 1 rejected"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(LinkStateText(c.state), c.text);
  }
}

}  // namespace
